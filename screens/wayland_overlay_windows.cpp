#include "screens/wayland_overlay_windows.h"

#include "platform/log_sink.h"

#include <QQuickView>
#include <QScreen>

namespace vardo {

void WaylandOverlayWindows::placeWindow(QQuickView &window, QScreen &screen)
{
    if (!placementLogged_) {
        placementLogged_ = true;
        services_.log.write("[Vardo] Wayland keeps no window above the others — the lock and shoulder-guard "
                            "screens show full screen on every display, as far as the desktop allows");
    }
    window.setFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    window.setScreen(&screen);
    window.setGeometry(screen.geometry());
    window.showFullScreen();
    window.requestActivate();
}

void WaylandOverlayWindows::grabInput(QQuickView &first)
{
    first.requestActivate();
    if (!lockLogged_) {
        lockLogged_ = true;
        services_.log.write("[Vardo] Wayland lets no application take the keyboard from the others — "
                            "locking the session with the desktop's own lock screen instead");
    }
    reportInputCaptureFailed();
}

} // namespace vardo
