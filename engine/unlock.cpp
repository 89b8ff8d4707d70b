// The two ways out of the lock overlay: the account password (a manual unlock, which is
// recorded) and the recognised owner (an automatic unlock after unlockDelay seconds).

#include "engine/vardo_service.h"

#include "platform/clock.h"
#include "engine/overlay_windows.h"

namespace vardo {

void VardoService::unlockWithPassword(const QString &password)
{
    if (!isLocked_)
        return;
    authentication_.begin(password.toStdString(), [this, episode = lockEpisode_] {
        clearFaceLockout();
        // The owner's face may have opened the lock while the password was checked, and
        // the screen may have locked anew since: a password typed at one lock never
        // opens the next.
        if (isLocked_ && episode == lockEpisode_)
            manualUnlock();
    });
}

void VardoService::manualUnlock()
{
    setIsLocked(false);
    modules_.overlays.hideLockWindows();
    manualUnlockTime_ = platform_.clock.now();
    consecutiveOwnerMatch_ = 0;
    consecutiveOwnerMiss_ = 0;
    intruderFrameCount_ = 0;
    resetLivenessState();
    cancelCountdown();
    addSecurityEvent(SecurityEvent::Type::manualUnlock, 0);
    if (!intruderPhotos_.empty())
        setShowIntruderAlert(true);
}

void VardoService::unlockForOwner()
{
    if (!isLocked_)
        return;
    if (unlockDelay_ < 1) {
        finishOwnerUnlock();
        return;
    }
    // The screen may have been unlocked by password in the meantime.
    onMainAfter(static_cast<double>(unlockDelay_), [this] {
        if (isLocked_)
            finishOwnerUnlock();
    });
}

// The automatic unlock records no event and leaves the countdown and the owner counters
// alone.
void VardoService::finishOwnerUnlock()
{
    setIsLocked(false);
    modules_.overlays.hideLockWindows();
    intruderFrameCount_ = 0;
    resetLivenessState();
    if (!intruderPhotos_.empty())
        setShowIntruderAlert(true);
}

} // namespace vardo
