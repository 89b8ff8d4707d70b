// The synthetic people the replay puts in front of the camera: they must behave like real
// faces do for the matching code, and be the same on every machine (no std::hash).

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

} // namespace
} // namespace vardo
