// The shoulder guard: when it rises and drops frame by frame, the rectangle detector's
// count, the statistics of a raise, and the pause with its one-second countdown.

#include "engine_harness.h"

namespace vardo::test {
namespace {

class ShoulderGuard : public EngineTest {
protected:
    VardoService &startGuarded(qint64 stealthDelay)
    {
        platform.defaults.setBool("vardo_stealth_mode", true);
        platform.defaults.setInteger("vardo_stealth_delay", stealthDelay);
        return startProtected();
    }
    FrameResults crowded() { return faces({{"owner"}, {"stranger"}}); }
};

TEST_F(ShoulderGuard, WithADelayOfTwoSecondsRisesOnTheTwelfthCrowdedFrame)
{
    VardoService &s = startGuarded(2);
    show(crowded(), 11);
    EXPECT_FALSE(s.isStealthActive());
    EXPECT_EQ(s.consecutiveMultiFaceCount(), 11);
    EXPECT_TRUE(s.securityEvents().empty());

    show(crowded());
    EXPECT_TRUE(s.isStealthActive());
    EXPECT_TRUE(platform.overlays.stealthShown);
    EXPECT_EQ(s.totalStealthToday(), 1);
    EXPECT_EQ(s.totalStealthAllTime(), 1);
    ASSERT_EQ(s.securityEvents().size(), 1u);
    EXPECT_EQ(s.securityEvents()[0].type, SecurityEvent::Type::shoulderGuard);
    EXPECT_EQ(s.securityEvents()[0].faceCount, 2);
    EXPECT_EQ(platform.defaults.integer("vardo_total_stealth"), 1);
}

TEST_F(ShoulderGuard, WithoutDelayRisesOnTheFirstCrowdedFrame)
{
    VardoService &s = startGuarded(0);
    show(crowded());
    EXPECT_TRUE(s.isStealthActive());
}

TEST_F(ShoulderGuard, WithADelayOfFiveSecondsRisesOnTheThirtiethCrowdedFrame)
{
    VardoService &s = startGuarded(5);
    show(crowded(), 29);
    EXPECT_FALSE(s.isStealthActive());
    show(crowded());
    EXPECT_TRUE(s.isStealthActive());
}

TEST_F(ShoulderGuard, ACleanFrameRestartsTheCrowdedCount)
{
    VardoService &s = startGuarded(2);
    show(crowded(), 11);
    show(owner());
    EXPECT_EQ(s.consecutiveMultiFaceCount(), 0);
    show(crowded(), 11);
    EXPECT_FALSE(s.isStealthActive());
}

TEST_F(ShoulderGuard, DropsOnTheSixthCleanFrame)
{
    VardoService &s = startGuarded(0);
    show(crowded());
    show(owner(), 5);
    EXPECT_TRUE(s.isStealthActive());
    EXPECT_EQ(s.consecutiveCleanFrames(), 5);
    show(owner());
    EXPECT_FALSE(s.isStealthActive());
    EXPECT_FALSE(platform.overlays.stealthShown);
    EXPECT_EQ(s.consecutiveCleanFrames(), 0);
}

TEST_F(ShoulderGuard, ACrowdedFrameAmongCleanOnesRestartsTheCleanCount)
{
    VardoService &s = startGuarded(0);
    show(crowded());
    show(owner(), 5);
    show(crowded());
    EXPECT_EQ(s.consecutiveCleanFrames(), 0);
    show(owner(), 5);
    EXPECT_TRUE(s.isStealthActive());
    show(owner());
    EXPECT_FALSE(s.isStealthActive());
}

TEST_F(ShoulderGuard, CleanFramesAreNotCountedWhileTheGuardIsDown)
{
    VardoService &s = startGuarded(0);
    show(owner(), 4);
    EXPECT_EQ(s.consecutiveCleanFrames(), 0);
}

TEST_F(ShoulderGuard, FurtherCrowdedFramesAddNoStatisticsAndNoEvents)
{
    VardoService &s = startGuarded(0);
    show(crowded(), 20);
    EXPECT_EQ(s.totalStealthToday(), 1);
    EXPECT_EQ(s.totalStealthAllTime(), 1);
    EXPECT_EQ(s.securityEvents().size(), 1u);
    EXPECT_EQ(platform.alertSound.playCount(), 1);
}

TEST_F(ShoulderGuard, PlaysTheAlertOnlyWhenSoundIsOn)
{
    platform.defaults.setBool("vardo_play_sound", false);
    VardoService &s = startGuarded(0);
    show(crowded());
    EXPECT_TRUE(s.isStealthActive());
    EXPECT_EQ(platform.alertSound.playCount(), 0);
}

TEST_F(ShoulderGuard, TwoFacesThatBothMatchTheOwnerAreNotCrowded)
{
    VardoService &s = startGuarded(0);
    show(faces({{"owner"}, {"owner"}}));
    EXPECT_EQ(s.consecutiveMultiFaceCount(), 0);
    EXPECT_FALSE(s.isStealthActive());
}

TEST_F(ShoulderGuard, AFaceWithoutEmbeddingIsNoStranger)
{
    VardoService &s = startGuarded(0);
    show(faces({{"owner"}, {"stranger", true, true}}));
    EXPECT_EQ(s.detectedFaceCount(), 2);
    EXPECT_FALSE(s.isStealthActive());
}

TEST_F(ShoulderGuard, AStrangerWithClosedEyesIsStillAStranger)
{
    VardoService &s = startGuarded(0);
    show(faces({{"owner"}, {"stranger", false}}));
    EXPECT_TRUE(s.isStealthActive());
}

TEST_F(ShoulderGuard, WithoutAnEnrolledSetTwoFacesAreCrowded)
{
    platform.defaults.setBool("vardo_stealth_mode", true);
    platform.defaults.setInteger("vardo_stealth_delay", 0);
    VardoService &s = start();
    show(faces({{"ann"}, {"ben"}}));
    EXPECT_TRUE(s.isStealthActive());
}

TEST_F(ShoulderGuard, MoreAllowedFacesThanInViewIsNotCrowded)
{
    platform.defaults.setInteger("vardo_max_faces", 2);
    VardoService &s = startGuarded(0);
    show(crowded());
    EXPECT_FALSE(s.isStealthActive());
    show(faces({{"owner"}, {"stranger"}, {"visitor"}}));
    EXPECT_TRUE(s.isStealthActive());
    EXPECT_EQ(s.securityEvents()[0].faceCount, 3);
}

TEST_F(ShoulderGuard, SwitchedOffItDropsAtTheNextFrame)
{
    VardoService &s = startGuarded(0);
    show(crowded());
    s.setStealthModeEnabled(false); // protection stays on, so the camera keeps running
    settle();
    EXPECT_TRUE(s.isStealthActive());
    EXPECT_TRUE(platform.camera.isRunning());
    show(crowded());
    EXPECT_FALSE(s.isStealthActive());
    EXPECT_EQ(s.consecutiveMultiFaceCount(), 0);
}

TEST_F(ShoulderGuard, TheRectangleCountIsCrowdedOnlyAboveTheAllowedFaces)
{
    // A passer-by far behind the owner, with three faces allowed: not crowded.
    platform.defaults.setInteger("vardo_max_faces", 3);
    VardoService &s = startGuarded(0);
    showThroughCamera(owner(), FaceCountUpdate{true, 3});
    EXPECT_EQ(s.detectedFaceCount(), 3);
    EXPECT_TRUE(s.faceDetected());
    EXPECT_EQ(s.consecutiveMultiFaceCount(), 0);
    EXPECT_FALSE(s.isStealthActive());

    showThroughCamera(owner(), FaceCountUpdate{true, 4});
    EXPECT_EQ(s.consecutiveMultiFaceCount(), 1);
    EXPECT_TRUE(s.isStealthActive());
    EXPECT_EQ(s.securityEvents()[0].faceCount, 4);
}

TEST_F(ShoulderGuard, TheRectangleCountRunsAfterTheFramesOwnDecision)
{
    VardoService &s = startGuarded(2);
    // The frame's own decision resets the crowded count (one face); the rectangle
    // count that follows adds one.
    showThroughCamera(owner(), FaceCountUpdate{true, 2});
    EXPECT_EQ(s.consecutiveMultiFaceCount(), 1);
    showThroughCamera(owner(), FaceCountUpdate{true, 2});
    EXPECT_EQ(s.consecutiveMultiFaceCount(), 1);
}

TEST_F(ShoulderGuard, ARectangleCountBelowTwoLeavesTheCountersAlone)
{
    VardoService &s = startGuarded(2);
    show(crowded(), 4);
    s.applyFaceCountUpdate(1);
    EXPECT_EQ(s.detectedFaceCount(), 1);
    EXPECT_EQ(s.consecutiveMultiFaceCount(), 4);
}

class StealthPause : public ShoulderGuard {};

TEST_F(StealthPause, FiveMinutesCountDownSecondBySecondToZero)
{
    VardoService &s = startGuarded(0);
    show(crowded());
    s.pauseStealth(5);
    EXPECT_FALSE(s.isStealthActive());
    EXPECT_FALSE(platform.overlays.stealthShown);
    EXPECT_TRUE(s.isStealthPaused());
    EXPECT_EQ(s.stealthPauseRemaining(), 300);
    EXPECT_EQ(s.consecutiveMultiFaceCount(), 0);

    for (qint64 second = 1; second < 300; ++second) {
        advance(1.0);
        ASSERT_EQ(s.stealthPauseRemaining(), 300 - second) << "after " << second << " s";
        ASSERT_TRUE(s.isStealthPaused());
    }
    advance(1.0);
    EXPECT_EQ(s.stealthPauseRemaining(), 0);
    EXPECT_FALSE(s.isStealthPaused());
    EXPECT_FALSE(s.hasStealthPauseTimer());
}

TEST_F(StealthPause, NoGuardRisesDuringThePauseAndItRisesAgainAfterwards)
{
    VardoService &s = startGuarded(0);
    s.pauseStealth(5);
    show(crowded(), 3);
    EXPECT_FALSE(s.isStealthActive());
    EXPECT_EQ(s.consecutiveMultiFaceCount(), 0);
    advance(300.0);
    show(crowded());
    EXPECT_TRUE(s.isStealthActive());
}

TEST_F(StealthPause, ANewPauseStartsFromItsFullLength)
{
    VardoService &s = startGuarded(0);
    s.pauseStealth(5);
    advance(10.0);
    EXPECT_EQ(s.stealthPauseRemaining(), 290);
    s.pauseStealth(30);
    EXPECT_EQ(s.stealthPauseRemaining(), 1800);
    advance(1.0);
    EXPECT_EQ(s.stealthPauseRemaining(), 1799);
}

TEST_F(StealthPause, ResumingEndsThePauseAtOnce)
{
    VardoService &s = startGuarded(0);
    s.pauseStealth(30);
    advance(5.0);
    s.resumeStealth();
    EXPECT_FALSE(s.isStealthPaused());
    EXPECT_EQ(s.stealthPauseRemaining(), 0);
    EXPECT_FALSE(s.hasStealthPauseTimer());
    advance(5.0);
    EXPECT_EQ(s.stealthPauseRemaining(), 0);
}

TEST_F(StealthPause, AGuardUpWhenThePauseStartsIsDroppedByThePauseItself)
{
    VardoService &s = startGuarded(0);
    show(crowded());
    const int hides = platform.overlays.stealthHides;
    s.pauseStealth(5);
    EXPECT_EQ(platform.overlays.stealthHides, hides + 1);
    show(crowded());
    EXPECT_FALSE(s.isStealthActive());
}

TEST_F(StealthPause, ThePauseTimerEndsWithTheService)
{
    VardoService &s = startGuarded(0);
    s.pauseStealth(5);
    service.reset();
    EXPECT_EQ(platform.time.pendingCount(), 0u);
    advance(10.0);
}

TEST_F(StealthPause, TheDisableButtonSwitchesTheFeatureOffForGood)
{
    VardoService &s = startGuarded(0);
    show(crowded());
    s.disableStealth();
    EXPECT_FALSE(s.isStealthActive());
    EXPECT_FALSE(s.stealthModeEnabled());
    EXPECT_FALSE(platform.defaults.boolean("vardo_stealth_mode"));
    EXPECT_EQ(platform.defaults.object("vardo_stealth_mode"), DefaultsValue(false));
}

} // namespace
} // namespace vardo::test
