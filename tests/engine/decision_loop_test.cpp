// The quiet period after enrolment is in the enrolment_quiet_period replay.

#include "engine_harness.h"

namespace vardo::test {
namespace {

using OwnerRecognition = EngineTest;

TEST_F(OwnerRecognition, TheThirdMatchingFrameRecognisesTheOwnerAndClearsFailedMatches)
{
    storeStateValue("failed_attempts", "2");
    VardoService &s = startProtected();
    ASSERT_EQ(s.failedMatchAttempts(), 2);

    show(owner(), 2);
    EXPECT_EQ(stateValue("failed_attempts"), "2");
    // Adaptive learning follows the recognised owner only.
    EXPECT_EQ(s.ownerFaceEmbeddings().size(), 25u);
    show(owner());
    EXPECT_TRUE(s.ownerRecognized());
    EXPECT_EQ(stateValue("failed_attempts"), "0");
}

// A still owner keeps the embedding of an earlier frame for a while: it is one look at
// him, and learning must take it once, not on every frame that reuses it.
TEST_F(OwnerRecognition, AnEmbeddingTakenOverFromAnEarlierFrameIsNotLearntAgain)
{
    VardoService &s = startProtected();
    ownerSitsDown();
    const std::size_t learnt = s.ownerFaceEmbeddings().size();
    FrameResults still = owner();
    still.openEyeEmbeddingReused = {true};
    show(still, 3);
    EXPECT_TRUE(s.ownerRecognized());
    EXPECT_EQ(s.ownerFaceEmbeddings().size(), learnt);
    still.openEyeEmbeddingReused = {false};
    show(still);
    EXPECT_EQ(s.ownerFaceEmbeddings().size(), learnt + 1);
}

// Writing on every recognised frame would mean six keyring prompts a second when it is locked.
TEST_F(OwnerRecognition, TheClearedCountIsWrittenOnlyWhenTheStoredOneDiffers)
{
    storeStateValue("failed_attempts", "2");
    platform.defaults.setInteger("vardo_adaptive_count", 10); // no additions: only the count is written
    VardoService &s = startProtected();
    platform.secrets.resetCalls();
    show(owner(), 360); // a minute of analysed frames
    EXPECT_TRUE(s.ownerRecognized());
    EXPECT_EQ(stateValue("failed_attempts"), "0");
    EXPECT_EQ(platform.secrets.calls().add, 1);

    s.recordFailedMatch();
    EXPECT_EQ(stateValue("failed_attempts"), "1");
    show(owner(), 360);
    EXPECT_EQ(stateValue("failed_attempts"), "0");
    EXPECT_EQ(platform.secrets.calls().add, 3);
}

TEST_F(OwnerRecognition, TheOwnerWithClosedEyesCountsAsAbsent)
{
    VardoService &s = startProtected();
    show(faces({{"owner", false}}), 5);
    EXPECT_FALSE(s.ownerRecognized());
    EXPECT_EQ(s.consecutiveOwnerMiss(), 5);
    EXPECT_TRUE(s.noFaceStartTime().has_value());
    EXPECT_EQ(s.failedMatchAttempts(), 0);
}

TEST_F(OwnerRecognition, ThePublishedScoreIsTheOwnersEvenWhenAStrangerIsComparedLater)
{
    VardoService &s = startProtected();
    show(faces({{"owner"}, {"stranger"}}));
    EXPECT_GT(s.lastMatchConfidence(), 0.65);
    show(stranger());
    EXPECT_LT(s.lastMatchConfidence(), 0.5);
}

TEST_F(OwnerRecognition, WithoutAnEnrolledSetAnyFaceIsTheOwnerAndNoAwayLogicRuns)
{
    protectionOn();
    VardoService &s = start();
    show(stranger());
    EXPECT_TRUE(s.ownerRecognized());
    show(nobody(), 3);
    EXPECT_FALSE(s.ownerRecognized());
    EXPECT_EQ(s.consecutiveOwnerMiss(), 0);
    EXPECT_FALSE(s.noFaceStartTime().has_value());
}

TEST_F(OwnerRecognition, TheGracePeriodCoversAStrangerForThreeSecondsButNotAnEmptyFrame)
{
    struct Case {
        double at;
        bool empty;
        bool stillRecognised;
    };
    for (const Case c : {Case{1.0, false, true}, Case{2.875, false, true}, Case{3.0, false, false},
                         Case{4.0, false, false}, Case{1.0, true, false}}) {
        SCOPED_TRACE(testing::Message() << c.at << (c.empty ? " nobody" : " stranger"));
        VardoService &s = startProtected();
        const double sat = now();
        ownerSitsDown();
        at(sat + c.at);
        show(c.empty ? nobody() : stranger());
        EXPECT_EQ(s.ownerRecognized(), c.stillRecognised);
        EXPECT_EQ(s.noFaceStartTime(), c.stillRecognised ? std::nullopt : std::optional(startTime + sat + c.at));
    }
}

using FailedMatches = EngineTest;

TEST_F(FailedMatches, AnUnknownFaceIsRecordedOnceAtTheThirtiethMissOfEachStreak)
{
    VardoService &s = startProtected();
    show(nobody(), 45); // frames without faces are never recorded
    EXPECT_EQ(s.failedMatchAttempts(), 0);
    ownerSitsDown();
    at(3.5);

    show(stranger(), 29);
    EXPECT_EQ(s.failedMatchAttempts(), 0);
    show(stranger());
    EXPECT_EQ(s.failedMatchAttempts(), 1);
    show(stranger(), 31);
    EXPECT_EQ(s.failedMatchAttempts(), 1);

    show(owner());
    at(7.0); // past the grace period of that match
    show(stranger(), 30);
    EXPECT_EQ(s.failedMatchAttempts(), 2);
}

TEST_F(FailedMatches, FiveRecordedStreaksLockRecognitionAndTheOwnerIsNoLongerSeen)
{
    platform.defaults.setInteger("vardo_lock_timeout", 60); // no lock in between
    VardoService &s = startProtected();
    for (int streak = 0; streak < 5; ++streak) {
        show(stranger(), 30);
        show(owner());
        advance(3.5);
    }
    EXPECT_TRUE(s.isFaceLocked());
    ownerSitsDown();
    EXPECT_FALSE(s.ownerRecognized());
}

using EnrollmentBranch = EngineTest;

TEST_F(EnrollmentBranch, TwoFacesWhileEnrollingDoNothingElse)
{
    platform.defaults.setBool("vardo_stealth_mode", true);
    platform.defaults.setInteger("vardo_stealth_delay", 0);
    VardoService &s = startProtected();
    s.startEnrollment();
    show(faces({{"owner"}, {"stranger"}}));
    EXPECT_TRUE(s.enrollmentSamples().empty());
    EXPECT_FALSE(s.isStealthActive());
    EXPECT_FALSE(s.noFaceStartTime().has_value());
}

using LockedScreen = EngineTest;

TEST_F(LockedScreen, AStrangerNeverStopsARunningCountdown)
{
    VardoService &s = startProtected();
    show(nobody());
    at(3.0);
    show(stranger(), 5);
    EXPECT_EQ(s.noFaceStartTime(), startTime);
    at(10.0);
    EXPECT_TRUE(s.isLocked());
}

TEST_F(LockedScreen, StrangerFramesAreCountedForIntruderPhotosOnlyWhileTheyAreOn)
{
    VardoService &s = startProtected();
    s.lockScreen();
    show(stranger(), 5);
    EXPECT_EQ(s.intruderFrameCount(), 0);
    s.setIntruderPhotoEnabled(true);
    show(stranger(), 16);
    EXPECT_EQ(s.intruderFrameCount(), 16);
}

} // namespace
} // namespace vardo::test
