// What the desktop tells the service besides the session's return: the machine going to
// sleep and waking, and the main window becoming the active window.

#include "engine/vardo_service.h"

#include "engine/overlay_windows.h"

namespace vardo {

void VardoService::screensDidSleep()
{
}

void VardoService::screensDidWake()
{
    modules_.overlays.applyCaptureExclusion();
}

void VardoService::windowDidBecomeVisible()
{
    modules_.overlays.applyCaptureExclusion();
}

} // namespace vardo
