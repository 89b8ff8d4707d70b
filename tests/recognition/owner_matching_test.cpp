#include "recognition/owner_matching.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vardo;

namespace {

// A unit vector of 512 values at `cosine` to the first axis, in the plane of the first
// two axes.
Embedding atCosine(float cosine)
{
    Embedding e(512, 0.0f);
    e[0] = cosine;
    e[1] = std::sqrt(1.0f - cosine * cosine);
    return e;
}

Embedding axis(std::size_t i)
{
    Embedding e(512, 0.0f);
    e[i] = 1.0f;
    return e;
}

} // namespace

TEST(MatchThreshold, BySecurityLevel)
{
    EXPECT_EQ(matchThreshold(0), 0.5f);
    EXPECT_EQ(matchThreshold(1), 0.55f);
    EXPECT_EQ(matchThreshold(2), 0.65f);
}

TEST(MatchThreshold, OutOfRangeLevelsAreBalanced)
{
    EXPECT_EQ(matchThreshold(5), 0.55f);
    EXPECT_EQ(matchThreshold(-1), 0.55f);
}

TEST(OwnerMatching, OneEnrolledEmbeddingScoresThePlainCosine)
{
    const MatchScore score = scoreAgainstEnrolled({axis(0)}, atCosine(0.8f));
    EXPECT_FLOAT_EQ(score.topK, 0.8f);
    EXPECT_FLOAT_EQ(score.meanSim, 0.8f);
    EXPECT_FLOAT_EQ(score.combined, 0.8f);
}

TEST(OwnerMatching, TwoEnrolledEmbeddingsAverageBothSimilarities)
{
    // Query along the first axis; enrolled at cosines 0.9 and 0.5 to it.
    Embedding a = atCosine(0.9f);
    Embedding b = atCosine(0.5f);
    b[1] = -b[1];
    const MatchScore score = scoreAgainstEnrolled({a, b}, axis(0));
    EXPECT_FLOAT_EQ(score.topK, 0.7f);
    const Embedding mean = normalizedMeanEmbedding({a, b});
    EXPECT_FLOAT_EQ(score.meanSim, mean[0]);
    EXPECT_FLOAT_EQ(score.combined, 0.6f * score.topK + 0.4f * score.meanSim);
}

TEST(OwnerMatching, TopKTakesTheBestThree)
{
    const MatchScore score =
        scoreAgainstEnrolled({atCosine(0.1f), atCosine(0.9f), atCosine(0.3f), atCosine(0.8f), atCosine(0.7f)},
                             axis(0));
    EXPECT_NEAR(score.topK, 0.8f, 1e-6f);
}

TEST(OwnerMatching, CombinedScoreEqualToTheThresholdMatches)
{
    const MatchScore score = scoreAgainstEnrolled({axis(0), atCosine(0.5f)}, atCosine(0.6f));
    EXPECT_TRUE(isOwnerMatch(score, score.combined));
    EXPECT_FALSE(isOwnerMatch(score, std::nextafter(score.combined, 1.0f)));
}

TEST(OwnerMatching, LengthMismatchesScoreZero)
{
    const MatchScore score = scoreAgainstEnrolled({Embedding(128, 0.1f)}, axis(0));
    EXPECT_EQ(score.topK, 0.0f);
    EXPECT_EQ(score.meanSim, 0.0f);
    EXPECT_FALSE(isOwnerMatch(score, matchThreshold(0)));
}

TEST(OwnerMatching, AllZeroQueryMatchesNothing)
{
    const MatchScore score = scoreAgainstEnrolled({axis(0), axis(1)}, Embedding(512, 0.0f));
    EXPECT_EQ(score.combined, 0.0f);
    EXPECT_FALSE(isOwnerMatch(score, matchThreshold(0)));
}

TEST(OwnerMatching, LogLine)
{
    MatchScore score;
    score.topK = 0.81234f;
    score.meanSim = 0.7f;
    score.combined = 0.7674f;
    EXPECT_EQ(matchLogLine(score, matchThreshold(1)),
              "[FaceID] Match — topK: 0.812, mean: 0.700, combined: 0.767, threshold: 0.55");
    EXPECT_EQ(matchLogLine(score, matchThreshold(2)),
              "[FaceID] Match — topK: 0.812, mean: 0.700, combined: 0.767, threshold: 0.65");
    EXPECT_EQ(matchLogLine(score, matchThreshold(0)),
              "[FaceID] Match — topK: 0.812, mean: 0.700, combined: 0.767, threshold: 0.5");
}
