// The synthetic people the engine's tests and the replay put in front of the camera:
// they must behave like real faces do for the matching code, and the same everywhere.

#include "replay/replay_synthetic_faces.h"
#include "recognition/owner_matching.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace vardo {
namespace {

const char *const people[] = {"owner", "stranger", "alice", "bob", "visitor", "Ann", "ann"};

TEST(SyntheticFaces, TheNameHashIsFnv1a)
{
    EXPECT_EQ(stableTextHash(""), 0xcbf29ce484222325ull);
    EXPECT_EQ(stableTextHash("a"), 0xaf63dc4c8601ec8cull);
    EXPECT_EQ(stableTextHash("foobar"), 0x85944171f73967e8ull);
}

TEST(SyntheticFaces, EmbeddingsAreUnitVectorsOfTheModelsLength)
{
    const Embedding e = syntheticPersonEmbedding("alice", 7);
    ASSERT_EQ(e.size(), embeddingLength);
    float sum = 0.0f;
    for (float v : e)
        sum += v * v;
    EXPECT_NEAR(sum, 1.0f, 1e-5f);
}

TEST(SyntheticFaces, TheSameNameAndSampleGiveTheSameEmbeddingAndOtherSamplesDiffer)
{
    EXPECT_EQ(syntheticPersonEmbedding("alice", 3), syntheticPersonEmbedding("alice", 3));
    EXPECT_NE(syntheticPersonEmbedding("alice", 3), syntheticPersonEmbedding("alice", 4));
    EXPECT_EQ(syntheticEnrolledSet("alice"), syntheticEnrolledSet("alice"));
    EXPECT_EQ(syntheticEnrolledSet("alice").size(), 25u);
}

TEST(SyntheticFaces, APersonMatchesTheirOwnSetAtEverySecurityLevel)
{
    const float strict = matchThreshold(2);
    for (const char *name : people) {
        const auto enrolled = syntheticEnrolledSet(name);
        for (std::uint64_t sample = 0; sample < 100; ++sample) {
            const MatchScore score = scoreAgainstEnrolled(enrolled, syntheticPersonEmbedding(name, sample));
            ASSERT_GT(score.combined, strict + 0.15f) << name << " sample " << sample;
        }
    }
}

TEST(SyntheticFaces, TwoPeopleNeverMatchEvenAtTheRelaxedLevel)
{
    const float relaxed = matchThreshold(0);
    for (const char *owner : people) {
        const auto enrolled = syntheticEnrolledSet(owner);
        for (const char *other : people) {
            if (std::string_view(owner) == other)
                continue;
            for (std::uint64_t sample = 0; sample < 20; ++sample) {
                const MatchScore score = scoreAgainstEnrolled(enrolled, syntheticPersonEmbedding(other, sample));
                ASSERT_LT(score.combined, relaxed - 0.3f) << other << " against " << owner;
            }
        }
    }
}

TEST(SyntheticFaces, ASightingIsCloseEnoughForAdaptiveLearningButNoDuplicate)
{
    const auto enrolled = syntheticEnrolledSet("owner");
    for (std::uint64_t sample = 0; sample < 100; ++sample) {
        const Embedding sighting = syntheticPersonEmbedding("owner", sample);
        float best = 0.0f;
        for (const auto &e : enrolled)
            best = std::max(best, embeddingSimilarity(e, sighting));
        ASSERT_GT(best, 0.7f);  // the strict level's lower bound for learning
        ASSERT_LT(best, 0.95f); // what learning refuses as a near-duplicate
    }
}

TEST(SyntheticFaces, AFrameReportsEveryFaceButEmbeddingsOnlyForUngatedOnes)
{
    const FrameResults frame = syntheticFrameResults(
        {{"owner"}, {"bob", false}, {"carol", true, true}, {"dave"}}, 10);
    EXPECT_EQ(frame.faceCount, 4);
    EXPECT_EQ(frame.observations.size(), 4u);
    ASSERT_EQ(frame.allEmbeddings.size(), 3u);
    ASSERT_EQ(frame.openEyeEmbeddings.size(), 2u);
    EXPECT_EQ(frame.allEmbeddings[0], syntheticPersonEmbedding("owner", 10));
    EXPECT_EQ(frame.allEmbeddings[1], syntheticPersonEmbedding("bob", 11));
    EXPECT_EQ(frame.allEmbeddings[2], syntheticPersonEmbedding("dave", 13));
    EXPECT_EQ(frame.openEyeEmbeddings[1], frame.allEmbeddings[2]);
    for (const auto &o : frame.observations) {
        EXPECT_GE(o.boundingBox.x, 0.0);
        EXPECT_LE(o.boundingBox.x + o.boundingBox.width, 1.0);
    }
}

} // namespace
} // namespace vardo
