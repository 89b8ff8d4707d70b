// Embeddings as vectors: normalising, comparing, reading the model's output, scoring a
// face against the owner's and choosing which samples an enrolment keeps.

#include "recognition/embedding.h"
#include "recognition/enrollment_selection.h"
#include "recognition/face_embedding_model.h"
#include "recognition/owner_matching.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

using namespace vardo;

namespace {

// A unit vector of 512 values at `angle` to the first axis, in the plane of the first two.
Embedding direction(float angle)
{
    Embedding e(512, 0.0f);
    e[0] = std::cos(angle);
    e[1] = std::sin(angle);
    return e;
}

Embedding atCosine(float cosine)
{
    Embedding e(512, 0.0f);
    e[0] = cosine;
    e[1] = std::sqrt(1.0f - cosine * cosine);
    return e;
}

TEST(EmbeddingMath, NormalisesComparesAndAverages)
{
    const Embedding e = l2Normalize({3.0f, 0.0f, -4.0f});
    ASSERT_EQ(e.size(), 3u);
    EXPECT_FLOAT_EQ(e[0], 0.6f);
    EXPECT_FLOAT_EQ(e[2], -0.8f);
    EXPECT_EQ(l2Normalize(Embedding(512, 0.0f)), Embedding(512, 0.0f));
    EXPECT_TRUE(l2Normalize({}).empty());

    EXPECT_FLOAT_EQ(embeddingSimilarity({0.6f, 0.8f}, {0.8f, 0.6f}), 0.96f);
    EXPECT_FLOAT_EQ(embeddingSimilarity({1.0f, 0.0f}, {-1.0f, 0.0f}), -1.0f);
    EXPECT_EQ(embeddingSimilarity({1.0f, 0.0f}, {1.0f, 0.0f, 0.0f}), 0.0f);
    EXPECT_EQ(embeddingSimilarity({}, {}), 0.0f);

    const Embedding mean = normalizedMeanEmbedding({{1.0f, 0.0f}, {0.0f, 1.0f}});
    EXPECT_FLOAT_EQ(mean[0], std::sqrt(0.5f));
    EXPECT_FLOAT_EQ(mean[1], std::sqrt(0.5f));
    EXPECT_TRUE(normalizedMeanEmbedding({}).empty());
}

TEST(ModelOutput, IsPaddedOrCutTo512AndNormalisedOverWhatIsKept)
{
    std::vector<float> shortOutput(128);
    std::iota(shortOutput.begin(), shortOutput.end(), 1.0f);
    Embedding e = embeddingFromModelOutput(shortOutput.data(), shortOutput.size());
    ASSERT_EQ(e.size(), 512u);
    const float norm = std::sqrt(std::inner_product(shortOutput.begin(), shortOutput.end(), shortOutput.begin(), 0.0f));
    for (std::size_t i = 0; i < 512; ++i)
        EXPECT_FLOAT_EQ(e[i], i < 128 ? shortOutput[i] / norm : 0.0f) << i;

    std::vector<float> longOutput(600, 0.0f);
    longOutput[511] = 2.0f;
    longOutput[512] = 100.0f; // beyond the cut: must not count
    e = embeddingFromModelOutput(longOutput.data(), longOutput.size());
    ASSERT_EQ(e.size(), 512u);
    EXPECT_FLOAT_EQ(e[511], 1.0f);

    const std::vector<float> zeros(512, 0.0f);
    e = embeddingFromModelOutput(zeros.data(), zeros.size());
    EXPECT_EQ(e, Embedding(512, 0.0f));
    EXPECT_EQ(embeddingSimilarity(e, l2Normalize(Embedding(512, 1.0f))), 0.0f);
}

TEST(OwnerMatching, CombinesTheBestThreeWithTheMeanEmbedding)
{
    MatchScore score = scoreAgainstEnrolled({direction(0)}, atCosine(0.8f));
    EXPECT_FLOAT_EQ(score.topK, 0.8f);
    EXPECT_FLOAT_EQ(score.meanSim, 0.8f);
    EXPECT_FLOAT_EQ(score.combined, 0.8f);

    // Query along the first axis; enrolled at cosines 0.9 and 0.5 on either side of it.
    const Embedding a = atCosine(0.9f);
    Embedding b = atCosine(0.5f);
    b[1] = -b[1];
    score = scoreAgainstEnrolled({a, b}, direction(0));
    EXPECT_FLOAT_EQ(score.topK, 0.7f);
    EXPECT_FLOAT_EQ(score.meanSim, normalizedMeanEmbedding({a, b})[0]);
    EXPECT_FLOAT_EQ(score.combined, 0.6f * score.topK + 0.4f * score.meanSim);

    score = scoreAgainstEnrolled({atCosine(0.1f), atCosine(0.9f), atCosine(0.3f), atCosine(0.8f), atCosine(0.7f)},
                                 direction(0));
    EXPECT_NEAR(score.topK, 0.8f, 1e-6f);
}

TEST(OwnerMatching, AtTheThresholdMatchesAndBrokenInputMatchesNothing)
{
    const MatchScore score = scoreAgainstEnrolled({direction(0), atCosine(0.5f)}, atCosine(0.6f));
    EXPECT_TRUE(isOwnerMatch(score, score.combined));
    EXPECT_FALSE(isOwnerMatch(score, std::nextafter(score.combined, 1.0f)));

    const MatchScore otherLength = scoreAgainstEnrolled({Embedding(128, 0.1f)}, direction(0));
    EXPECT_EQ(otherLength.topK, 0.0f);
    EXPECT_EQ(otherLength.meanSim, 0.0f);
    EXPECT_FALSE(isOwnerMatch(otherLength, matchThreshold(0)));
    const MatchScore zero = scoreAgainstEnrolled({direction(0), direction(1)}, Embedding(512, 0.0f));
    EXPECT_EQ(zero.combined, 0.0f);
    EXPECT_FALSE(isOwnerMatch(zero, matchThreshold(0)));

    EXPECT_EQ(matchThreshold(5), matchThreshold(1)); // out of range: balanced
    EXPECT_EQ(matchThreshold(-1), matchThreshold(1));
}

TEST(OwnerMatching, LogLineShowsTheLevelsThreshold)
{
    MatchScore score;
    score.topK = 0.81234f;
    score.meanSim = 0.7f;
    score.combined = 0.7674f;
    const std::string start = "[FaceID] Match — topK: 0.812, mean: 0.700, combined: 0.767, threshold: ";
    EXPECT_EQ(matchLogLine(score, matchThreshold(0)), start + "0.5");
    EXPECT_EQ(matchLogLine(score, matchThreshold(1)), start + "0.55");
    EXPECT_EQ(matchLogLine(score, matchThreshold(2)), start + "0.65");
}

TEST(EnrollmentSelection, KeepsSmallOrUniformSetsAndDropsOutliersInOrder)
{
    const std::vector<Embedding> three{direction(0.0f), direction(3.0f), direction(1.5f)};
    EXPECT_EQ(selectEnrollmentEmbeddings(three), three);
    EXPECT_EQ(selectEnrollmentEmbeddings(std::vector<Embedding>(25, direction(0.3f))).size(), 25u);

    std::vector<Embedding> samples;
    for (int i = 0; i < 9; ++i)
        samples.push_back(direction(0.02f * static_cast<float>(i % 3)));
    samples.insert(samples.begin() + 4, direction(2.0f)); // someone else
    std::vector<Embedding> expected = samples;
    expected.erase(expected.begin() + 4);
    EXPECT_EQ(selectEnrollmentEmbeddings(samples), expected);
}

} // namespace
