#include "engine_harness.h"

#include "platform/alert_sound.h"
#include "engine/overlay_windows.h"

#include <functional>
#include <string>
#include <vector>

namespace vardo::test {
namespace {

using Countdown = EngineTest;

TEST_F(Countdown, CountsDownFromTheTimeoutAndLocksOnceTenWholeSecondsHavePassed)
{
    platform.defaults.setInteger("vardo_total_locks", 7);
    platform.defaults.setDouble("vardo_total_time", 12.5);
    VardoService &s = startProtected();
    at(0.25);
    show(nobody());
    for (int second = 1; second <= 9; ++second) {
        at(0.25 + second);
        show(nobody()); // further absent frames do not restart it
        ASSERT_EQ(s.secondsUntilLock(), 10 - second) << "after " << second << " s";
    }
    at(0.25 + 9.999);
    EXPECT_FALSE(s.isLocked());
    at(0.25 + 10.0);
    EXPECT_TRUE(s.isLocked());
    EXPECT_TRUE(platform.overlays.lockShown);
    // Every event saves the all-time counters, and only those.
    EXPECT_EQ(platform.defaults.integer("vardo_total_locks"), 8);
    EXPECT_EQ(platform.defaults.integer("vardo_total_stealth"), 0);
    EXPECT_DOUBLE_EQ(platform.defaults.floating("vardo_total_time"), 12.5);

    s.lockScreen(); // a second lock while locked does nothing
    EXPECT_EQ(s.totalLocksToday(), 1);
    EXPECT_EQ(s.securityEvents().size(), 1u);
}

TEST_F(Countdown, EndsWithTheServiceAsDoesTheGuardsPause)
{
    platform.defaults.setBool("vardo_stealth_mode", true);
    VardoService &s = startProtected();
    show(nobody());
    s.pauseStealth(5);
    ASSERT_TRUE(s.hasCountdownTimer());
    ASSERT_TRUE(s.hasStealthPauseTimer());
    service.reset();
    EXPECT_EQ(platform.time.pendingCount(), 0u);
    advance(20.0);
    EXPECT_FALSE(platform.overlays.lockShown);
}

// Near zero, 0.1 added 104 times puts the sixth tick 5.999999999999998 s after the start.
TEST(CountdownNearZero, ATickJustShortOfAWholeSecondCountsTheSecond)
{
    SimulatedPlatform platform(0.0);
    const CameraDevice camera{"/dev/video0", "Integrated Camera", true};
    platform.camera.devices = {camera};
    platform.camera.front = camera;
    platform.defaults.setBool("vardo_enabled", true);
    platform.defaults.setBool("vardo_onboarding_done", true);
    ScriptedFrameAnalysis analysis;
    VardoService s(platform.services(), platform.modules(&analysis));
    platform.time.runUntilIdle();
    s.seedEnrolledSet(syntheticEnrolledSet("owner"));
    for (int i = 0; i < 104; ++i)
        platform.time.advanceBy(0.1);
    s.applyFrameResults(syntheticFrameResults({}, 0));
    for (int tick = 1; tick <= 9; ++tick) {
        platform.time.advanceBy(1.0);
        ASSERT_EQ(s.secondsUntilLock(), 10 - tick) << "tick " << tick;
    }
    platform.time.advanceBy(1.0);
    EXPECT_TRUE(s.isLocked());
}

// The wall clock, moved by hand or by the time service while the countdown runs.
class AdjustableClock final : public Clock {
public:
    explicit AdjustableClock(const Clock &base) : base_(base) {}
    double now() const override { return base_.now() + offset; }
    double offset = 0.0;

private:
    const Clock &base_;
};

TEST_F(Countdown, AWallClockSetBackCountsAsNoTimePassedNotAsNegativeTime)
{
    AdjustableClock wallClock(platform.time);
    VardoService &s = startProtected({.clock = &wallClock});
    show(nobody());
    wallClock.offset = -1.5; // the first tick reads half a second before the start
    at(1.0);
    EXPECT_EQ(s.secondsUntilLock(), 10);
    wallClock.offset = 0.0;
    at(2.0);
    EXPECT_EQ(s.secondsUntilLock(), 8);
}

TEST_F(Countdown, NeverRunsBeforeOnboardingIsComplete)
{
    platform.defaults.setBool("vardo_enabled", true);
    VardoService &s = start();
    s.seedEnrolledSet(syntheticEnrolledSet("owner"));
    show(nobody());
    EXPECT_FALSE(s.noFaceStartTime().has_value());
    s.setHasCompletedOnboarding(true);
    show(nobody());
    EXPECT_TRUE(s.noFaceStartTime().has_value());
}

// Overlays and the alert sound writing into one list, to see the order of a lock.
class OrderRecorder final : public OverlayWindows, public AlertSound {
public:
    std::vector<std::string> calls;
    void showLockWindows() override { calls.push_back("show lock"); }
    void hideLockWindows() override { calls.push_back("hide lock"); }
    void showStealthWindows() override { calls.push_back("show guard"); }
    void hideStealthWindows() override { calls.push_back("hide guard"); }
    void applyCaptureExclusion() override {}
    void screensChanged() override {}
    bool play() override
    {
        calls.push_back("Funk");
        return true;
    }
};

using LockAction = EngineTest;

TEST_F(LockAction, DropsTheShoulderGuardBeforeTheOverlayAndPlaysTheSoundOnceIfOn)
{
    OrderRecorder recorder;
    protectionOn();
    platform.defaults.setBool("vardo_stealth_mode", true);
    platform.defaults.setInteger("vardo_stealth_delay", 0);
    for (const bool sound : {true, false}) {
        SCOPED_TRACE(sound);
        platform.defaults.setBool("vardo_play_sound", sound);
        service = std::make_unique<VardoService>(platform.services({.alertSound = &recorder}),
                                                 platform.modules(&analysis, &recorder));
        settle();
        service->seedEnrolledSet(syntheticEnrolledSet("owner"));
        show(faces({{"owner"}, {"stranger"}}));
        ASSERT_TRUE(service->isStealthActive());
        recorder.calls.clear();
        show(nobody());
        advance(10.0);
        EXPECT_TRUE(service->isLocked());
        const std::vector<std::string> expected =
            sound ? std::vector<std::string>{"hide guard", "Funk", "show lock"}
                  : std::vector<std::string>{"hide guard", "show lock"};
        EXPECT_EQ(recorder.calls, expected);
        service.reset();
    }
}

class SessionLock : public EngineTest {
protected:
    VardoService &lockedInSessionMode()
    {
        platform.defaults.setString("vardo_lock_mode", "lock_mac");
        VardoService &s = startProtected();
        show(nobody());
        at(10.0);
        EXPECT_TRUE(s.isLocked());
        return s;
    }
};

TEST_F(SessionLock, SuspendsTheSessionWithoutAnOverlay)
{
    lockedInSessionMode();
    EXPECT_EQ(platform.sessionLocker.launchCount(), 1);
    at(60.0); // logind showed the session away: the lock is confirmed
    EXPECT_FALSE(platform.overlays.lockShown);
}

// dm-tool without LightDM, loginctl without a locker: logind shows no change.
TEST_F(SessionLock, AToolThatLocksNothingFallsBackToTheOverlayAfterFiveSeconds)
{
    platform.sessionLocker.onLaunch = nullptr;
    lockedInSessionMode();
    at(14.9);
    EXPECT_FALSE(platform.overlays.lockShown);
    at(15.0);
    EXPECT_TRUE(platform.overlays.lockShown);
    EXPECT_EQ(loggedCount("[Vardo] /usr/bin/dm-tool locked nothing (the session is still active and unlocked "
                          "after 5 s) — falling back to overlay lock"),
              1);
}

TEST(SessionLockFallback, AToolThatCannotLockFallsBackToTheOverlayAtOnce)
{
    struct Case {
        std::function<void(SimulatedPlatform &)> breakIt;
        int launches;
        std::string line;
    };
    const Case cases[] = {
        {[](SimulatedPlatform &p) { p.sessionMonitor.setSessionAvailable(false); }, 1,
         "[Vardo] /usr/bin/dm-tool started, but without systemd-logind the lock cannot be confirmed — falling back to "
         "overlay lock"},
        {[](SimulatedPlatform &p) { p.sessionLocker.setToolPath(std::nullopt); }, 0,
         "[Vardo] CGSession not found — falling back to overlay lock"},
        {[](SimulatedPlatform &p) { p.sessionLocker.setLaunchError("Permission denied"); }, 1,
         "[Vardo] /usr/bin/dm-tool failed: Permission denied — falling back to overlay lock"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        SimulatedPlatform platform(startTime);
        c.breakIt(platform);
        platform.defaults.setString("vardo_lock_mode", "lock_mac");
        VardoService s(platform.services(), platform.modules());
        s.lockScreen();
        EXPECT_TRUE(platform.overlays.lockShown);
        EXPECT_EQ(platform.sessionLocker.launchCount(), c.launches);
        EXPECT_TRUE(platform.log.contains(c.line));
    }
}

// The engine's own counters after the return are in the session_lock replay.
TEST_F(SessionLock, ReturningThroughTheLoginScreenClearsTheStoredLockoutAndGivesTenQuietSeconds)
{
    VardoService &s = lockedInSessionMode();
    for (int i = 0; i < 5; ++i)
        s.recordFailedMatch();
    at(20.0);
    platform.sessionMonitor.sessionDidBecomeActive();
    EXPECT_FALSE(s.isLocked());
    EXPECT_EQ(stateValue("failed_attempts"), "0");
    EXPECT_FALSE(stateValue("lockout_time").has_value());

    at(29.0);
    show(nobody());
    EXPECT_FALSE(s.noFaceStartTime().has_value());
    at(30.5);
    show(nobody());
    at(30.5 + s.lockTimeout());
    EXPECT_TRUE(s.isLocked());
}

// Wayland, or another client holding the keyboard: the session's own lock takes over.
TEST_F(SessionLock, AnOverlayWithoutKeyboardCaptureHandsTheLockToTheSession)
{
    VardoService &s = startProtected();
    platform.overlays.failInputCapture(); // not locked: nothing to hand over
    EXPECT_EQ(platform.sessionLocker.launchCount(), 0);

    show(nobody());
    at(10.0);
    ASSERT_TRUE(platform.overlays.lockShown);
    platform.overlays.failInputCapture();
    platform.overlays.failInputCapture(); // once per lock
    EXPECT_EQ(platform.sessionLocker.launchCount(), 1);

    at(20.0);
    platform.sessionMonitor.sessionDidBecomeActive();
    EXPECT_FALSE(s.isLocked());
    EXPECT_FALSE(platform.overlays.lockShown);

    at(31.0);
    show(nobody());
    at(41.0);
    ASSERT_TRUE(s.isLocked());
    platform.sessionMonitor.sessionDidBecomeActive();
    EXPECT_TRUE(s.isLocked());
    platform.sessionLocker.setToolPath(std::nullopt);
    platform.overlays.failInputCapture();
    EXPECT_TRUE(logged("[Vardo] No session lock tool found — the lock overlay stays without keyboard capture"));
    EXPECT_TRUE(platform.overlays.lockShown);
}

// The rest of switching protection off is in the protection_off replay.
using ProtectionSwitch = EngineTest;

TEST_F(ProtectionSwitch, OffEndsTheLockWithOrWithoutTheGuardAndStoresTheSwitchAndTime)
{
    for (const bool guard : {false, true}) {
        SCOPED_TRACE(guard);
        platform.defaults.setBool("vardo_stealth_mode", guard);
        platform.defaults.remove("vardo_total_time");
        const double t0 = now();
        VardoService &s = startProtected();
        show(nobody());
        at(t0 + 10.0);
        ASSERT_TRUE(platform.overlays.lockShown);
        at(t0 + 25.0);
        s.setProtectionEnabled(false);
        settle();
        EXPECT_FALSE(platform.defaults.boolean("vardo_enabled"));
        EXPECT_EQ(platform.camera.isRunning(), guard);
        EXPECT_FALSE(platform.overlays.lockShown);
        EXPECT_FALSE(s.isLocked());
        EXPECT_FALSE(s.noFaceStartTime().has_value()); // a stale start would block every later countdown
        EXPECT_DOUBLE_EQ(platform.defaults.floating("vardo_total_time"), 25.0);
    }
}

// Without an enrolled set any face counts as the owner, except at a locked screen.
using CameraTrouble = EngineTest;

TEST_F(CameraTrouble, WithNobodyEnrolledAFaceAtTheLockedScreenIsNeverTheOwner)
{
    protectionOn();
    VardoService &s = start();
    ASSERT_FALSE(s.isOwnerEnrolled());
    platform.camera.notify(CameraNotification::interrupted);
    settle();
    ASSERT_TRUE(s.isLocked());
    show(stranger(), 3);
    EXPECT_FALSE(s.ownerRecognized());
    EXPECT_TRUE(s.isLocked());
    EXPECT_TRUE(platform.overlays.lockShown);
}

} // namespace
} // namespace vardo::test
