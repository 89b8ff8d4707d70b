// The shoulder guard: raised by the decision loop when more faces than allowed look at
// the screen, paused for 5 or 30 minutes from the guard screen, or switched off there.

#include "engine/vardo_service.h"

#include "platform/alert_sound.h"
#include "platform/timers.h"

namespace vardo {

void VardoService::activateStealth(qint64 faceCount)
{
    if (isStealthActive_)
        return; // one raise per episode
    setIsStealthActive(true);
    setTotalStealthToday(totalStealthToday_ + 1);
    setTotalStealthAllTime(totalStealthAllTime_ + 1);
    addSecurityEvent(SecurityEvent::Type::shoulderGuard, faceCount);
    if (playSoundOnLock_)
        platform_.alertSound.play();
}

void VardoService::pauseStealth(qint64 minutes)
{
    setIsStealthActive(false);
    setIsStealthPaused(true);
    setStealthPauseRemaining(minutes * 60);
    consecutiveMultiFaceCount_ = 0;
    // A new pause replaces a running one and starts from its full length.
    stealthPauseTimer_ = platform_.timers.schedule(1.0, true, [this] { stealthPauseTick(); });
}

void VardoService::stealthPauseTick()
{
    setStealthPauseRemaining(stealthPauseRemaining_ - 1);
    if (stealthPauseRemaining_ >= 1)
        return;
    stealthPauseTimer_.reset();
    setIsStealthPaused(false);
    setStealthPauseRemaining(0);
}

void VardoService::resumeStealth()
{
    stealthPauseTimer_.reset();
    setIsStealthPaused(false);
    setStealthPauseRemaining(0);
}

void VardoService::disableStealth()
{
    setStealthModeEnabled(false);
    setIsStealthActive(false);
}

} // namespace vardo
