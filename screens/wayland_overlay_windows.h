#pragma once

#include "screens/quick_overlay_windows.h"

namespace vardo {

// The overlay on a Wayland desktop, where a client can neither take the keyboard from
// other clients nor keep a window above theirs. The windows show full screen on every
// output as well as the compositor allows; the lock tells the engine at once that it
// cannot capture input, and the engine locks the session with the session tool (the
// display manager's greeter, or logind's lock) instead. Each is said once in the log.
class WaylandOverlayWindows final : public QuickOverlayWindows {
public:
    using QuickOverlayWindows::QuickOverlayWindows;

private:
    void placeWindow(QQuickView &window, QScreen &screen) override;
    void grabInput(QQuickView &first) override;

    bool placementLogged_ = false;
    bool lockLogged_ = false;
};

} // namespace vardo
