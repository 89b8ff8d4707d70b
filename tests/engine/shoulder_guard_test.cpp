// The shoulder_guard replay walks the usual path end to end.

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

TEST_F(ShoulderGuard, RisesAfterTheDelayInFramesAndCountsAndSoundsOnce)
{
    for (const auto [delay, frames, sound] : {std::tuple{0, 1, false}, std::tuple{5, 30, true}}) {
        SCOPED_TRACE(delay);
        platform.defaults.setBool("vardo_play_sound", sound);
        platform.defaults.remove("vardo_total_stealth");
        platform.defaults.remove("vardo_events");
        const int plays = platform.alertSound.playCount();
        VardoService &s = startGuarded(delay);
        show(crowded(), frames - 1);
        EXPECT_FALSE(s.isStealthActive());
        show(crowded(), 20); // further crowded frames add nothing
        EXPECT_TRUE(platform.overlays.stealthShown);
        EXPECT_EQ(s.securityEvents().size(), 1u);
        EXPECT_EQ(platform.defaults.integer("vardo_total_stealth"), 1);
        EXPECT_EQ(platform.alertSound.playCount(), plays + (sound ? 1 : 0));
    }
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

TEST_F(ShoulderGuard, DropsOnTheSixthCleanFrameInARow)
{
    VardoService &s = startGuarded(0);
    show(owner(), 4); // not counted while the guard is down
    show(crowded());
    show(owner(), 5);
    show(crowded());
    show(owner(), 5);
    EXPECT_TRUE(s.isStealthActive());
    show(owner());
    EXPECT_FALSE(platform.overlays.stealthShown);
}

TEST_F(ShoulderGuard, OnlyFacesBeyondTheAllowedThatAreNotTheOwnerAreCrowded)
{
    struct Case {
        const char *name;
        std::vector<SyntheticFace> faces;
        qint64 maxFaces;
        bool enrolled;
        bool crowded;
    };
    const Case cases[] = {
        {"two owners", {{"owner"}, {"owner"}}, 1, true, false},
        {"no embedding", {{"owner"}, {"stranger", true, true}}, 1, true, false},
        {"stranger with closed eyes", {{"owner"}, {"stranger", false}}, 1, true, true},
        {"nobody enrolled", {{"ann"}, {"ben"}}, 1, false, true},
        {"two allowed", {{"owner"}, {"stranger"}}, 2, true, false},
        {"three, two allowed", {{"owner"}, {"stranger"}, {"visitor"}}, 2, true, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        platform.defaults.setBool("vardo_stealth_mode", true);
        platform.defaults.setInteger("vardo_stealth_delay", 0);
        platform.defaults.setInteger("vardo_max_faces", c.maxFaces);
        VardoService &s = start();
        if (c.enrolled)
            s.seedEnrolledSet(syntheticEnrolledSet("owner"));
        show(syntheticFrameResults(c.faces, 1000));
        EXPECT_EQ(s.detectedFaceCount(), static_cast<qint64>(c.faces.size()));
        EXPECT_EQ(s.isStealthActive(), c.crowded);
        if (c.crowded)
            EXPECT_EQ(s.securityEvents().front().faceCount, static_cast<qint64>(c.faces.size()));
    }
}

TEST_F(ShoulderGuard, SwitchedOffItDropsAtTheNextFrame)
{
    VardoService &s = startGuarded(0);
    show(crowded());
    s.setStealthModeEnabled(false); // protection stays on, so the camera keeps running
    settle();
    show(crowded());
    EXPECT_FALSE(s.isStealthActive());
}

TEST_F(ShoulderGuard, TheRectangleCountRunsAfterTheFramesOwnDecision)
{
    VardoService &s = startGuarded(2);
    // The frame's one face resets the count; the rectangle count that follows adds one.
    showThroughCamera(owner(), FaceCountUpdate{true, 2});
    EXPECT_EQ(s.consecutiveMultiFaceCount(), 1);
    showThroughCamera(owner(), FaceCountUpdate{true, 2});
    EXPECT_EQ(s.consecutiveMultiFaceCount(), 1);

    show(owner());
    show(crowded(), 4);
    s.applyFaceCountUpdate(1); // below two: the counters stay
    EXPECT_EQ(s.detectedFaceCount(), 1);
    EXPECT_EQ(s.consecutiveMultiFaceCount(), 4);
}

using StealthPause = ShoulderGuard;

// The pause's length is in Screens.TheGuardScreensButtonsPauseAndSwitchTheGuardOff.
TEST_F(StealthPause, HidesTheGuardAndResumingEndsItAtOnce)
{
    VardoService &s = startGuarded(0);
    show(crowded());
    const int hides = platform.overlays.stealthHides;
    s.pauseStealth(5);
    EXPECT_EQ(platform.overlays.stealthHides, hides + 1);
    s.resumeStealth();
    EXPECT_FALSE(s.isStealthPaused());
    EXPECT_FALSE(s.hasStealthPauseTimer());
}

} // namespace
} // namespace vardo::test
