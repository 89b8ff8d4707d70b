// The away lock: the countdown on the virtual clock, the lock action with its session
// tool and overlay fallback, the protection switch, the return through the login
// screen and the lock after a camera interruption.

#include "engine_harness.h"

#include "platform/alert_sound.h"
#include "engine/overlay_windows.h"

#include <string>
#include <vector>

namespace vardo::test {
namespace {

class Countdown : public EngineTest {};

TEST_F(Countdown, CountsDownFromTheTimeoutAndLocksOnceTenWholeSecondsHavePassed)
{
    VardoService &s = startProtected();
    at(0.25);
    show(nobody());
    EXPECT_EQ(s.secondsUntilLock(), 10);
    EXPECT_TRUE(s.hasCountdownTimer());
    for (int second = 1; second <= 9; ++second) {
        at(0.25 + second);
        ASSERT_EQ(s.secondsUntilLock(), 10 - second) << "after " << second << " s";
        ASSERT_FALSE(s.isLocked());
    }
    at(0.25 + 9.999);
    EXPECT_FALSE(s.isLocked());
    at(0.25 + 10.0);
    EXPECT_TRUE(s.isLocked());
    EXPECT_EQ(s.secondsUntilLock(), 0);
    EXPECT_FALSE(s.hasCountdownTimer());
    EXPECT_TRUE(platform.overlays.lockShown);
    EXPECT_EQ(s.totalLocksToday(), 1);
    EXPECT_EQ(s.totalLocksAllTime(), 1);
    ASSERT_EQ(s.securityEvents().size(), 1u);
    EXPECT_EQ(s.securityEvents()[0].type, SecurityEvent::Type::awayLock);
    EXPECT_EQ(s.securityEvents()[0].faceCount, 0);
    EXPECT_EQ(platform.defaults.integer("vardo_total_locks"), 1);
}

TEST_F(Countdown, FurtherAbsentFramesDoNotRestartIt)
{
    VardoService &s = startProtected();
    show(nobody());
    at(4.0);
    show(nobody());
    EXPECT_EQ(s.noFaceStartTime(), startTime);
    EXPECT_EQ(s.secondsUntilLock(), 6);
}

TEST_F(Countdown, WithATimeoutOfZeroLocksOneAndAHalfSecondsAfterTheFirstAbsentFrame)
{
    platform.defaults.setInteger("vardo_lock_timeout", 0);
    VardoService &s = startProtected();
    show(nobody());
    EXPECT_EQ(s.secondsUntilLock(), 0);
    at(1.0);
    show(nobody());
    at(1.499);
    EXPECT_FALSE(s.isLocked());
    EXPECT_EQ(s.secondsUntilLock(), 0);
    at(1.5);
    EXPECT_TRUE(s.isLocked());
    EXPECT_EQ(s.securityEvents().size(), 1u);
}

TEST_F(Countdown, WithATimeoutOfZeroTheOwnerReturningInTimePreventsTheLock)
{
    platform.defaults.setInteger("vardo_lock_timeout", 0);
    VardoService &s = startProtected();
    show(nobody());
    at(1.0);
    ownerSitsDown();
    at(5.0);
    EXPECT_FALSE(s.isLocked());
    EXPECT_TRUE(s.securityEvents().empty());
}

TEST_F(Countdown, TheOwnerReturningCancelsItAndLeavingAgainStartsAFreshOne)
{
    VardoService &s = startProtected();
    show(nobody());
    at(4.0);
    ownerSitsDown();
    EXPECT_EQ(s.secondsUntilLock(), 0);
    EXPECT_FALSE(s.noFaceStartTime().has_value());
    EXPECT_FALSE(s.hasCountdownTimer());
    at(12.0);
    EXPECT_FALSE(s.isLocked());

    show(nobody());
    EXPECT_EQ(s.secondsUntilLock(), 10);
    EXPECT_EQ(s.noFaceStartTime(), startTime + 12.0);
    at(13.0);
    EXPECT_EQ(s.secondsUntilLock(), 9);
}

TEST_F(Countdown, AShorterTimeoutSetDuringTheCountdownLocksAtTheNextTick)
{
    platform.defaults.setInteger("vardo_lock_timeout", 30);
    VardoService &s = startProtected();
    show(nobody());
    at(8.0);
    EXPECT_EQ(s.secondsUntilLock(), 22);
    s.setLockTimeout(5);
    at(8.5);
    EXPECT_FALSE(s.isLocked());
    at(9.0);
    EXPECT_TRUE(s.isLocked());
}

TEST_F(Countdown, ALongerTimeoutSetDuringTheCountdownShowsAtTheNextTick)
{
    VardoService &s = startProtected();
    show(nobody());
    at(3.0);
    s.setLockTimeout(60);
    EXPECT_EQ(s.secondsUntilLock(), 7);
    at(4.0);
    EXPECT_EQ(s.secondsUntilLock(), 56);
}

TEST_F(Countdown, EndsWithTheService)
{
    VardoService &s = startProtected();
    show(nobody());
    ASSERT_TRUE(s.hasCountdownTimer());
    service.reset();
    EXPECT_EQ(platform.time.pendingCount(), 0u);
    advance(20.0);
    EXPECT_FALSE(platform.overlays.lockShown);
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
    platform.defaults.setBool("vardo_enabled", true);
    platform.defaults.setBool("vardo_onboarding_done", true);
    AdjustableClock wallClock(platform.time);
    service = std::make_unique<VardoService>(platform.services({.clock = &wallClock}), platform.modules(&analysis));
    settle();
    VardoService &s = *service;
    s.seedEnrolledSet(syntheticEnrolledSet("owner"));
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

class LockAction : public EngineTest {
protected:
    VardoService &startRecorded()
    {
        platform.defaults.setBool("vardo_enabled", true);
        platform.defaults.setBool("vardo_onboarding_done", true);
        service = std::make_unique<VardoService>(platform.services({.alertSound = &recorder}),
                                                 platform.modules(&analysis, &recorder));
        settle();
        service->seedEnrolledSet(syntheticEnrolledSet("owner"));
        return *service;
    }

    VardoService &lockNow()
    {
        VardoService &s = *service;
        show(nobody());
        advance(10.0);
        EXPECT_TRUE(s.isLocked());
        return s;
    }

    OrderRecorder recorder;
};

TEST_F(LockAction, DropsTheShoulderGuardBeforeTheOverlayAndPlaysTheSoundOnce)
{
    platform.defaults.setBool("vardo_stealth_mode", true);
    platform.defaults.setInteger("vardo_stealth_delay", 0);
    VardoService &s = startRecorded();
    show(faces({{"owner"}, {"stranger"}}));
    ASSERT_TRUE(s.isStealthActive());
    recorder.calls.clear();

    lockNow();
    EXPECT_FALSE(s.isStealthActive());
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"hide guard", "Funk", "show lock"}));
}

TEST_F(LockAction, IsSilentWhenSoundIsOff)
{
    platform.defaults.setBool("vardo_play_sound", false);
    startRecorded();
    lockNow();
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"show lock"}));
}

TEST_F(LockAction, ASecondLockWhileLockedDoesNothing)
{
    VardoService &s = startProtected();
    show(nobody());
    at(10.0);
    ASSERT_TRUE(s.isLocked());
    EXPECT_EQ(s.totalLocksToday(), 1);
    s.lockScreen();
    EXPECT_EQ(s.totalLocksToday(), 1);
    EXPECT_EQ(s.securityEvents().size(), 1u);
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
    EXPECT_FALSE(platform.overlays.lockShown);
    EXPECT_FALSE(logged("[Vardo] CGSession not found — falling back to overlay lock"));
}

TEST_F(SessionLock, WithoutASessionToolFallsBackToTheOverlay)
{
    platform.sessionLocker.setToolPath(std::nullopt);
    VardoService &s = lockedInSessionMode();
    EXPECT_TRUE(logged("[Vardo] CGSession not found — falling back to overlay lock"));
    EXPECT_TRUE(platform.overlays.lockShown);
    EXPECT_TRUE(s.isLocked());
    EXPECT_EQ(platform.sessionLocker.launchCount(), 0);
}

TEST_F(SessionLock, AFailedLaunchFallsBackToTheOverlayAndSaysWhy)
{
    platform.sessionLocker.setLaunchError("Permission denied");
    VardoService &s = lockedInSessionMode();
    EXPECT_TRUE(logged("[Vardo] /usr/bin/dm-tool failed: Permission denied — falling back to overlay lock"));
    EXPECT_TRUE(platform.overlays.lockShown);
    EXPECT_TRUE(s.isLocked());
}

TEST_F(SessionLock, ReturningThroughTheLoginScreenClearsTheLockTheFailedMatchesAndTheOwnerCounters)
{
    platform.secrets.add(VardoService::keychainService, "failed_attempts", "", Bytes{'3'});
    platform.secrets.add(VardoService::keychainService, "lockout_time", "", Bytes{'1'});
    VardoService &s = lockedInSessionMode();
    show(stranger(), 2);
    ASSERT_EQ(s.consecutiveOwnerMiss(), 3);
    const auto countdownStart = s.noFaceStartTime();

    at(20.0);
    platform.sessionMonitor.sessionDidBecomeActive();
    EXPECT_FALSE(s.isLocked());
    EXPECT_EQ(s.failedMatchAttempts(), 0);
    EXPECT_EQ(stateSecret("failed_attempts"), "0");
    EXPECT_FALSE(stateSecret("lockout_time").has_value());
    EXPECT_EQ(s.consecutiveOwnerMatch(), 0);
    EXPECT_EQ(s.consecutiveOwnerMiss(), 0);
    // The countdown that led to the lock is over: a stale start would keep the next one
    // from ever starting.
    EXPECT_TRUE(countdownStart.has_value());
    EXPECT_FALSE(s.noFaceStartTime().has_value());
    EXPECT_TRUE(logged("[Vardo] Session resumed — resetting lock state (user authenticated with Mac password)"));
}

TEST_F(SessionLock, ReturningThroughTheLoginScreenEndsTheFaceLockout)
{
    platform.secrets.add(VardoService::keychainService, "failed_attempts", "", Bytes{'5'});
    const std::string lockedAt = std::to_string(static_cast<long long>(startTime));
    platform.secrets.add(VardoService::keychainService, "lockout_time", "", Bytes(lockedAt.begin(), lockedAt.end()));
    VardoService &s = lockedInSessionMode();
    ASSERT_TRUE(s.isFaceLocked());
    platform.sessionMonitor.sessionDidBecomeActive();
    EXPECT_FALSE(s.isFaceLocked());
    EXPECT_FALSE(stateSecret("lockout_time").has_value());
}

TEST_F(SessionLock, ReturningThroughTheLoginScreenGivesTenQuietSecondsThenLocksAgainWhenLeft)
{
    VardoService &s = lockedInSessionMode();
    at(20.0);
    platform.sessionMonitor.sessionDidBecomeActive();
    at(29.0);
    show(nobody());
    EXPECT_FALSE(s.noFaceStartTime().has_value()); // quiet period
    at(30.5);
    show(nobody());
    EXPECT_EQ(s.noFaceStartTime(), startTime + 30.5);
    at(30.5 + s.lockTimeout());
    EXPECT_TRUE(s.isLocked());
}

TEST_F(SessionLock, TheLoginScreenReturnChangesNothingInOverlayMode)
{
    VardoService &s = startProtected();
    show(nobody());
    at(10.0);
    ASSERT_TRUE(s.isLocked());
    show(stranger(), 3);
    platform.sessionMonitor.sessionDidBecomeActive();
    EXPECT_TRUE(s.isLocked());
    EXPECT_EQ(s.consecutiveOwnerMiss(), 4);
    EXPECT_FALSE(logged("[Vardo] Session resumed — resetting lock state (user authenticated with Mac password)"));
}

TEST_F(SessionLock, TheLoginScreenReturnChangesNothingWhenNotLocked)
{
    platform.defaults.setString("vardo_lock_mode", "lock_mac");
    VardoService &s = startProtected();
    platform.sessionMonitor.sessionDidBecomeActive();
    EXPECT_FALSE(s.isLocked());
    EXPECT_FALSE(logged("[Vardo] Session resumed — resetting lock state (user authenticated with Mac password)"));
}

// Where no client may take the keyboard (Wayland), or another holds it, the overlay says
// so and the session's own lock takes over; the return through the login screen then
// ends the away lock as it ends a session lock.
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
    EXPECT_TRUE(s.isLocked());

    at(20.0);
    platform.sessionMonitor.sessionDidBecomeActive();
    EXPECT_FALSE(s.isLocked());
    EXPECT_FALSE(platform.overlays.lockShown);
    EXPECT_FALSE(s.noFaceStartTime().has_value());

    // The next lock is an overlay lock again until its capture fails too.
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

class ProtectionSwitch : public EngineTest {};

TEST_F(ProtectionSwitch, OffWithoutTheGuardStopsTheCameraHidesTheOverlayAndCountsTheTimeOnce)
{
    VardoService &s = startProtected();
    show(nobody());
    at(10.0);
    ASSERT_TRUE(platform.overlays.lockShown);
    at(25.0);
    s.setProtectionEnabled(false);
    settle();
    EXPECT_FALSE(s.isEnabled());
    EXPECT_FALSE(platform.defaults.boolean("vardo_enabled"));
    EXPECT_FALSE(platform.camera.isRunning());
    EXPECT_FALSE(s.isMonitoring());
    EXPECT_FALSE(platform.overlays.lockShown);
    EXPECT_FALSE(s.isLocked());
    EXPECT_FALSE(s.hasCountdownTimer());
    EXPECT_DOUBLE_EQ(s.totalTimeProtected(), 25.0);
    EXPECT_DOUBLE_EQ(platform.defaults.floating("vardo_total_time"), 25.0);

    at(40.0);
    s.setProtectionEnabled(false);
    settle();
    EXPECT_DOUBLE_EQ(s.totalTimeProtected(), 25.0);
}

TEST_F(ProtectionSwitch, OffWithTheGuardKeepsTheCameraAndTheGuardButEndsTheAwayLock)
{
    platform.defaults.setBool("vardo_stealth_mode", true);
    platform.defaults.setInteger("vardo_stealth_delay", 0);
    VardoService &s = startProtected();
    show(nobody());
    at(5.0);
    ASSERT_EQ(s.secondsUntilLock(), 5);
    s.setProtectionEnabled(false);
    settle();
    EXPECT_TRUE(platform.camera.isRunning());
    EXPECT_FALSE(s.noFaceStartTime().has_value());
    EXPECT_FALSE(s.hasCountdownTimer());
    EXPECT_EQ(s.secondsUntilLock(), 0);
    EXPECT_FALSE(s.isLocked());
    EXPECT_FALSE(platform.overlays.lockShown);
    EXPECT_DOUBLE_EQ(s.totalTimeProtected(), 5.0);

    at(30.0);
    EXPECT_FALSE(s.isLocked());
    showThroughCamera(faces({{"owner"}, {"stranger"}}));
    EXPECT_TRUE(s.isStealthActive());
    showThroughCamera(nobody());
    EXPECT_FALSE(s.noFaceStartTime().has_value());
}

TEST_F(ProtectionSwitch, OffWithTheGuardWhileLockedUnlocks)
{
    platform.defaults.setBool("vardo_stealth_mode", true);
    VardoService &s = startProtected();
    show(nobody());
    at(10.0);
    ASSERT_TRUE(s.isLocked());
    s.setProtectionEnabled(false);
    EXPECT_FALSE(s.isLocked());
    EXPECT_FALSE(platform.overlays.lockShown);
}

TEST_F(ProtectionSwitch, OnAgainStartsANewProtectedPeriod)
{
    VardoService &s = startProtected();
    at(30.0);
    s.setProtectionEnabled(false);
    settle();
    at(100.0);
    s.setProtectionEnabled(true);
    settle();
    EXPECT_TRUE(platform.camera.isRunning());
    EXPECT_EQ(s.protectionStartTime(), startTime + 100.0);
    at(110.0);
    s.appWillResignActive();
    EXPECT_DOUBLE_EQ(s.totalTimeProtected(), 40.0);
}

class CameraTrouble : public EngineTest {};

TEST_F(CameraTrouble, AnInterruptionLocksAtOnceWithoutACountdown)
{
    VardoService &s = startProtected();
    platform.camera.notify(CameraNotification::interrupted);
    settle();
    EXPECT_TRUE(s.isLocked());
    EXPECT_EQ(s.cameraStatus(), CameraStatus::noCameraFound);
    EXPECT_FALSE(s.noFaceStartTime().has_value());
    EXPECT_TRUE(platform.overlays.lockShown);
    EXPECT_TRUE(logged("[Vardo] Camera interrupted — locked for security"));

    platform.camera.notify(CameraNotification::runtimeError);
    settle();
    EXPECT_EQ(s.securityEvents().size(), 1u);
    EXPECT_TRUE(logged("[Vardo] Camera runtime error — locked for security"));

    platform.camera.notify(CameraNotification::interruptionEnded);
    settle();
    EXPECT_EQ(s.cameraStatus(), CameraStatus::granted);
    EXPECT_TRUE(s.isLocked());
    EXPECT_TRUE(logged("[Vardo] Camera resumed"));
}

TEST_F(CameraTrouble, AnInterruptionWithProtectionOffOnlyReports)
{
    platform.defaults.setBool("vardo_stealth_mode", true);
    VardoService &s = start();
    platform.camera.notify(CameraNotification::interrupted);
    settle();
    EXPECT_FALSE(s.isLocked());
    EXPECT_EQ(loggedCount("[Vardo] Camera interrupted — locked for security"), 1);
}

} // namespace
} // namespace vardo::test
