#pragma once

#include "screens/quick_overlay_windows.h"

#include <QAbstractNativeEventFilter>

#include <memory>

namespace vardo {

class Timer;

// The overlay on an X11 display. The windows bypass the window manager (override-
// redirect), so nothing moves, decorates or lowers them, and are raised again whenever
// another window appears or moves above them. While the lock is up this client holds
// the keyboard and pointer grabs: the X server then gives no other client a key press
// or a click, shortcuts of the window manager included. Switching to a text console
// (Ctrl+Alt+F1...) is the X server's own business and stays possible: the other
// console asks for its own login.
//
// The grab is asserted again twice a second, and the keyboard focus is taken back
// whenever another client moves it away from the lock windows: a grab or focus lost for
// any reason is won back within half a second.
//
// A grab fails while another client holds one (an open menu of another application):
// it is tried again every tenth of a second, and after `captureTimeout` seconds the
// engine is told, which locks the session instead. Trying goes on, so the grab is taken
// as soon as the other client lets go.
class X11OverlayWindows final : public QuickOverlayWindows, private QAbstractNativeEventFilter {
public:
    static constexpr double retryInterval = 0.1;
    static constexpr double captureTimeout = 3.0;
    static constexpr double keepInterval = 0.5;

    explicit X11OverlayWindows(Services services, QObject *parent = nullptr);
    ~X11OverlayWindows() override;

    bool holdsKeyboard() const { return keyboardHeld_; }
    bool holdsPointer() const { return pointerHeld_; }

private:
    void placeWindow(QQuickView &window, QScreen &screen) override;
    void grabInput(QQuickView &first) override;
    void releaseInput() override;
    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *result) override;

    void tryGrab();
    void watchRootWindow();
    void raiseOverlays();
    void takeFocusBack();

    unsigned grabWindow_ = 0;
    bool keyboardHeld_ = false;
    bool pointerHeld_ = false;
    bool failureReported_ = false;
    double waited_ = 0.0;
    std::unique_ptr<Timer> retry_;
    std::unique_ptr<Timer> keep_;
    bool rootWatched_ = false;
};

} // namespace vardo
