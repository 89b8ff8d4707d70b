// The away lock: the countdown while the owner is absent, the lock itself (the lock
// overlay, or the display manager's login screen), the protection switch, and the
// notifications the service listens to.

#include "engine/vardo_service.h"

#include "platform/alert_sound.h"
#include "platform/camera.h"
#include "platform/clock.h"
#include "platform/log_sink.h"
#include "platform/login_session_monitor.h"
#include "engine/overlay_windows.h"
#include "platform/session_locker.h"
#include "platform/timers.h"

#include <cmath>

namespace vardo {

void VardoService::startCountdown()
{
    if (noFaceStartTime_)
        return; // one is running, or the last one was never cancelled
    noFaceStartTime_ = platform_.clock.now();
    setSecondsUntilLock(lockTimeout_);
    countdownTimer_.reset();
    if (lockTimeout_ != 0) {
        countdownTimer_ = platform_.timers.schedule(1.0, true, [this] { countdownTick(); });
        return;
    }
    setSecondsUntilLock(0);
    countdownTimer_ = platform_.timers.schedule(1.5, false, [this] {
        if (!noFaceStartTime_)
            return;
        countdownTimer_.reset();
        lockScreen();
    });
}

// The countdown follows the wall clock, not the number of ticks: a late tick catches
// up, and a new lockTimeout counts from the next tick.
void VardoService::countdownTick()
{
    if (!noFaceStartTime_)
        return;
    // Whole seconds, truncated towards zero. A tick scheduled a whole number of seconds
    // after the start must see that many seconds, whatever rounding the timer's
    // arithmetic brought; a wall clock set back below the start counts as no time
    // passed, not as a second less.
    const double seconds = platform_.clock.now() - *noFaceStartTime_;
    const auto elapsed = static_cast<qint64>(std::trunc(seconds >= 0.0 ? seconds + 1e-6 : seconds));
    const qint64 remaining = lockTimeout_ - elapsed;
    if (remaining <= 0) {
        countdownTimer_.reset();
        setSecondsUntilLock(0);
        lockScreen();
        return;
    }
    setSecondsUntilLock(remaining);
}

void VardoService::cancelCountdown()
{
    noFaceStartTime_.reset();
    setSecondsUntilLock(0);
    countdownTimer_.reset();
}

void VardoService::lockScreen()
{
    if (isLocked_)
        return;
    setIsLocked(true);
    ++lockEpisode_;
    setTotalLocksToday(totalLocksToday_ + 1);
    setTotalLocksAllTime(totalLocksAllTime_ + 1);
    setSecondsUntilLock(0);
    countdownTimer_.reset();
    // A depth check still running keeps its slot until it ends: releasing it here would
    // let a second inference start beside it on the same network.
    resetLivenessState();
    addSecurityEvent(SecurityEvent::Type::awayLock, 0);
    if (isStealthActive_)
        setIsStealthActive(false);
    if (playSoundOnLock_)
        platform_.alertSound.play();
    if (lockMode_ == LockMode::lockMac)
        lockSession();
    else
        modules_.overlays.showLockWindows();
}

// Switches to the display manager's login screen; the session keeps running behind it.
void VardoService::lockSession()
{
    const auto tool = platform_.sessionLocker.toolPath();
    if (!tool) {
        platform_.log.write("[Vardo] CGSession not found — falling back to overlay lock");
        modules_.overlays.showLockWindows();
        return;
    }
    const auto launched = platform_.sessionLocker.launch();
    if (!launched.ok()) {
        platform_.log.write("[Vardo] " + *tool + " failed: " + launched.error + " — falling back to overlay lock");
        modules_.overlays.showLockWindows();
        return;
    }
    confirmSessionLock(*tool);
}

// A tool can start and lock nothing (dm-tool without LightDM running, loginctl with no
// locker listening). The lock counts once logind shows the session switched away or
// locked; when it does not within a few seconds, or cannot tell, the overlay takes over.
void VardoService::confirmSessionLock(const std::string &tool)
{
    if (!platform_.sessionMonitor.isWatching()) {
        platform_.log.write("[Vardo] " + tool
                            + " started, but without systemd-logind the lock cannot be confirmed — falling back to overlay lock");
        modules_.overlays.showLockWindows();
        return;
    }
    sessionLockCheckTimer_ = platform_.timers.schedule(sessionLockConfirmSeconds, false, [this, tool] {
        if (!isLocked_ || lockMode_ != LockMode::lockMac || platform_.sessionMonitor.isSessionAway())
            return;
        platform_.log.write("[Vardo] " + tool + " locked nothing (the session is still active and unlocked after "
                            + std::to_string(static_cast<int>(sessionLockConfirmSeconds))
                            + " s) — falling back to overlay lock");
        modules_.overlays.showLockWindows();
    });
}

void VardoService::setProtectionEnabled(bool on)
{
    if (on) {
        setIsEnabled(true);
        startMonitoring();
        return;
    }
    setIsEnabled(false);
    if (!stealthModeEnabled_) {
        stopMonitoring();
        return;
    }
    // The camera keeps running for the shoulder guard.
    cancelCountdown();
    modules_.overlays.hideLockWindows();
    setIsLocked(false);
    setSecondsUntilLock(0);
    endProtectedPeriod();
}

// The end of onboarding: the onboarding screens have started the camera already.
void VardoService::enableProtection()
{
    setIsEnabled(true);
    protectionStartTime_ = platform_.clock.now();
    modules_.overlays.applyCaptureExclusion();
}

void VardoService::registerObservers()
{
    platform_.camera.setNotificationHandler([this, alive = std::weak_ptr<int>(lifetime_)](CameraNotification n) {
        if (!alive.expired())
            handleCameraNotification(n);
    });
    platform_.sessionMonitor.start([this] { sessionDidBecomeActive(); });
    modules_.overlays.onInputCaptureFailed([this, alive = std::weak_ptr<int>(lifetime_)] {
        if (!alive.expired())
            inputCaptureFailed();
    });
}

// The lock overlay is shown but other applications can still be typed into: an overlay
// that only looks locked is worse than none, so the session's own lock takes over and
// the return through the login screen ends this lock as it ends a session lock.
void VardoService::inputCaptureFailed()
{
    if (!isLocked_ || sessionLockStandsIn_)
        return;
    sessionLockStandsIn_ = true;
    const auto tool = platform_.sessionLocker.toolPath();
    if (!tool) {
        platform_.log.write("[Vardo] No session lock tool found — the lock overlay stays without keyboard capture");
        return;
    }
    const auto launched = platform_.sessionLocker.launch();
    if (!launched.ok())
        platform_.log.write("[Vardo] " + *tool + " failed: " + launched.error
                            + " — the lock overlay stays without keyboard capture");
}

void VardoService::appWillResignActive()
{
    updateProtectedTime();
}

void VardoService::screenConfigurationChanged()
{
    modules_.overlays.screensChanged();
    modules_.overlays.applyCaptureExclusion();
}

// The user is back through the login screen after a session lock: they have given
// their password, so the face lockout ends too.
void VardoService::sessionDidBecomeActive()
{
    if (!isLocked_ || (lockMode_ != LockMode::lockMac && !sessionLockStandsIn_))
        return;
    const bool overlayShown = sessionLockStandsIn_;
    setIsLocked(false);
    // The overlay that could not capture the keyboard has done its part.
    if (overlayShown)
        modules_.overlays.hideLockWindows();
    clearFaceLockout();
    consecutiveOwnerMatch_ = 0;
    consecutiveOwnerMiss_ = 0;
    manualUnlockTime_ = platform_.clock.now();
    // Without this the start of the countdown that led to the lock would stay set, and
    // walking away again before being recognised would never start a new countdown.
    noFaceStartTime_.reset();
    platform_.log.write("[Vardo] Session resumed — resetting lock state (user authenticated with Mac password)");
}

void VardoService::resetLivenessState()
{
    depthLivenessConfirmed_ = false;
    depthCheckTime_.reset();
    textureCheckPassed_ = false;
    consecutiveTexturePass_ = 0;
    screenFoundTime_.reset();
}

} // namespace vardo
