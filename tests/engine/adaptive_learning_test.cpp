#include "engine_harness.h"

#include <cmath>

namespace vardo::test {
namespace {

// leaning(0, s, j) with j ≥ 25 has its best similarity, exactly s, with axis 0.
std::vector<Embedding> enrolledSet()
{
    return axes(0, 25);
}

// Distinct additions scoring exactly `similarity` against the enrolled set.
Embedding addition(int k, float similarity = 0.8f)
{
    return leaning(0, similarity, 100 + static_cast<std::size_t>(k));
}

using AdaptiveLearning = EngineTest;

TEST_F(AdaptiveLearning, AddsFromEachLevelsLowerBoundButNotJustBelowIt)
{
    for (const auto [level, bound] : {std::pair{0, 0.55f}, std::pair{1, 0.6f}, std::pair{2, 0.7f}}) {
        SCOPED_TRACE(level);
        platform.defaults.setInteger("vardo_security_level", level);
        platform.defaults.remove("vardo_adaptive_count");
        VardoService &s = startEnrolledWith(enrolledSet());
        s.adaptiveUpdate(addition(0, std::nextafter(bound, 0.0f)));
        EXPECT_EQ(s.ownerFaceEmbeddings().size(), 25u);
        EXPECT_EQ(s.adaptiveUpdateCount(), 0);
        s.adaptiveUpdate(addition(1, bound));
        EXPECT_EQ(s.ownerFaceEmbeddings().size(), 26u);
        EXPECT_EQ(s.adaptiveUpdateCount(), 1);
    }
}

TEST_F(AdaptiveLearning, NearDuplicateOfPointNineFiveOrMoreIsNotAdded)
{
    VardoService &s = startEnrolledWith(enrolledSet());
    s.adaptiveUpdate(addition(0, 0.95f));
    s.adaptiveUpdate(addition(1, 0.99f));
    s.adaptiveUpdate(axis(7)); // an enrolled embedding itself
    EXPECT_EQ(s.ownerFaceEmbeddings().size(), 25u);

    s.adaptiveUpdate(addition(2, std::nextafter(0.95f, 0.0f)));
    EXPECT_EQ(s.ownerFaceEmbeddings().size(), 26u);
}

TEST_F(AdaptiveLearning, NothingIsAddedWhileEnrollingWithoutAnEnrolledOwnerOrOfAnotherLength)
{
    VardoService &s = start();
    s.adaptiveUpdate(addition(0));
    EXPECT_TRUE(s.ownerFaceEmbeddings().empty());

    VardoService &enrolled = startEnrolledWith(enrolledSet());
    Embedding shorter(128, 0.0f); // scores zero
    shorter[0] = 0.8f;
    shorter[1] = 0.6f;
    enrolled.adaptiveUpdate(shorter);
    EXPECT_EQ(enrolled.ownerFaceEmbeddings().size(), 25u);
    enrolled.startEnrollment();
    enrolled.adaptiveUpdate(addition(0));
    EXPECT_EQ(enrolled.ownerFaceEmbeddings().size(), 25u);
    EXPECT_EQ(enrolled.adaptiveUpdateCount(), 0);
}

TEST_F(AdaptiveLearning, TenAdditionsAtMostEvenAcrossARestartUntilAReset)
{
    VardoService &first = startEnrolledWith(enrolledSet());
    for (int k = 0; k < 11; ++k)
        first.adaptiveUpdate(addition(k));
    EXPECT_EQ(first.ownerFaceEmbeddings().size(), 35u);
    EXPECT_EQ(platform.defaults.object("vardo_adaptive_count"), DefaultsValue(std::int64_t{10}));

    // A new process over the same settings and secret store.
    VardoService &second = start();
    second.adaptiveUpdate(addition(20));
    EXPECT_EQ(second.ownerFaceEmbeddings().size(), 35u);
    EXPECT_EQ(storedSet().value().size(), 35u);

    second.resetFaceEnrollment();
    EXPECT_EQ(second.adaptiveUpdateCount(), 0);
}

TEST_F(AdaptiveLearning, FullSetLosesTheEntryAtPositionTwentyFiveAndKeepsFifty)
{
    const auto full = axes(0, 50);
    VardoService &s = startEnrolledWith(full);
    const Embedding added = leaning(0, 0.8f, 300);
    s.adaptiveUpdate(added);

    auto expected = full;
    expected.erase(expected.begin() + 25);
    expected.push_back(added);
    EXPECT_TRUE(sameBits(s.ownerFaceEmbeddings(), expected));
    EXPECT_TRUE(sameBits(storedSet().value(), expected));

    // The next addition drops the next oldest one after the first 25.
    const Embedding next = leaning(1, 0.8f, 301);
    s.adaptiveUpdate(next);
    expected.erase(expected.begin() + 25);
    expected.push_back(next);
    EXPECT_TRUE(sameBits(s.ownerFaceEmbeddings(), expected));
}

} // namespace
} // namespace vardo::test
