#include "screens/headless_overlay_windows.h"

#include "platform/log_sink.h"

namespace vardo {

// Showing and hiding are idempotent, so only changes are logged.

void HeadlessOverlayWindows::showLockWindows()
{
    if (!lockShown_)
        log_.write("[Vardo] No display — the lock overlay is not shown");
    lockShown_ = true;
}

void HeadlessOverlayWindows::hideLockWindows()
{
    if (lockShown_)
        log_.write("[Vardo] No display — the lock overlay is lifted");
    lockShown_ = false;
}

void HeadlessOverlayWindows::showStealthWindows()
{
    if (!stealthShown_)
        log_.write("[Vardo] No display — the shoulder-guard screen is not shown");
    stealthShown_ = true;
}

void HeadlessOverlayWindows::hideStealthWindows()
{
    if (stealthShown_)
        log_.write("[Vardo] No display — the shoulder-guard screen is lifted");
    stealthShown_ = false;
}

} // namespace vardo
