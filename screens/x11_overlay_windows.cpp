#include "screens/x11_overlay_windows.h"

#include "platform/log_sink.h"
#include "platform/task_queue.h"
#include "platform/timers.h"

#include <QGuiApplication>
#include <QPointer>
#include <QQuickView>
#include <QScreen>

#include <xcb/xcb.h>

#include <cstdlib>

namespace vardo {

namespace {

xcb_connection_t *connection()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

const char *grabStatusText(uint8_t status)
{
    switch (status) {
    case XCB_GRAB_STATUS_ALREADY_GRABBED: return "another program holds it";
    case XCB_GRAB_STATUS_FROZEN: return "another program has frozen it";
    case XCB_GRAB_STATUS_NOT_VIEWABLE: return "the lock window is not on screen";
    case XCB_GRAB_STATUS_INVALID_TIME: return "invalid time";
    default: return "refused";
    }
}

} // namespace

X11OverlayWindows::X11OverlayWindows(Services services, QObject *parent) : QuickOverlayWindows(services, parent)
{
}

X11OverlayWindows::~X11OverlayWindows()
{
    if (rootWatched_)
        qGuiApp->removeNativeEventFilter(this);
}

void X11OverlayWindows::placeWindow(QQuickView &window, QScreen &screen)
{
    window.setFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                    | Qt::X11BypassWindowManagerHint);
    window.setScreen(&screen);
    window.setGeometry(screen.geometry());
    window.show();
    window.raise();
    watchRootWindow();
}

void X11OverlayWindows::grabInput(QQuickView &first)
{
    first.requestActivate();
    grabWindow_ = static_cast<unsigned>(first.winId());
    waited_ = 0.0;
    failureReported_ = false;
    tryGrab();
    if (!keep_)
        keep_ = services_.timers.schedule(keepInterval, true, [this] {
            if (!retry_)
                tryGrab();
        });
}

// Owner events: key presses and clicks meant for the lock windows reach them as usual
// (the password field, the button); everything else is reported to the first lock
// window. Either way no other client sees them.
void X11OverlayWindows::tryGrab()
{
    xcb_connection_t *c = connection();
    if (!c || !grabWindow_)
        return;
    const auto keyboard = xcb_grab_keyboard(c, 1, grabWindow_, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC,
                                            XCB_GRAB_MODE_ASYNC);
    const auto pointer = xcb_grab_pointer(
        c, 1, grabWindow_,
        XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION,
        XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME);
    uint8_t keyboardStatus = 0xff, pointerStatus = 0xff;
    if (auto *reply = xcb_grab_keyboard_reply(c, keyboard, nullptr)) {
        keyboardStatus = reply->status;
        std::free(reply);
    }
    if (auto *reply = xcb_grab_pointer_reply(c, pointer, nullptr)) {
        pointerStatus = reply->status;
        std::free(reply);
    }
    keyboardHeld_ = keyboardStatus == XCB_GRAB_STATUS_SUCCESS;
    pointerHeld_ = pointerStatus == XCB_GRAB_STATUS_SUCCESS;
    if (keyboardHeld_ && pointerHeld_) {
        retry_.reset();
        waited_ = 0.0;
        return;
    }
    if (!retry_) {
        retry_ = services_.timers.schedule(retryInterval, true, [this] {
            waited_ += retryInterval;
            tryGrab();
        });
    }
    if (failureReported_ || waited_ + 1e-9 < captureTimeout)
        return;
    failureReported_ = true;
    const char *why = grabStatusText(keyboardHeld_ ? pointerStatus : keyboardStatus);
    services_.log.write(std::string("[Vardo] The lock screen cannot take the ") + (keyboardHeld_ ? "pointer" : "keyboard")
                        + " (" + why + ") — locking the session instead");
    reportInputCaptureFailed();
}

void X11OverlayWindows::releaseInput()
{
    retry_.reset();
    keep_.reset();
    grabWindow_ = 0;
    xcb_connection_t *c = connection();
    if (!c)
        return;
    if (keyboardHeld_)
        xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
    if (pointerHeld_)
        xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
    xcb_flush(c);
    keyboardHeld_ = pointerHeld_ = false;
}

// Structure changes on the root window tell when another client maps or restacks a
// window (a notification, another override-redirect window) that could sit above the
// overlay. The event mask this client has on the root window is extended, not replaced:
// Qt listens there too.
void X11OverlayWindows::watchRootWindow()
{
    if (rootWatched_)
        return;
    xcb_connection_t *c = connection();
    if (!c)
        return;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    if (auto *attributes = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, root), nullptr)) {
        mask |= attributes->your_event_mask;
        std::free(attributes);
    }
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    qGuiApp->installNativeEventFilter(this);
    rootWatched_ = true;
}

bool X11OverlayWindows::nativeEventFilter(const QByteArray &type, void *message, qintptr *)
{
    if (type != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    const uint8_t kind = event->response_type & 0x7f;
    if (kind == XCB_FOCUS_OUT) {
        const auto *focus = reinterpret_cast<const xcb_focus_out_event_t *>(event);
        // Focus changes that the grabs themselves cause are not a move by another client.
        if (grabWindow_ && focus->mode != XCB_NOTIFY_MODE_GRAB && focus->mode != XCB_NOTIFY_MODE_UNGRAB)
            services_.mainQueue.post([self = QPointer<QObject>(this), this] {
                if (self)
                    takeFocusBack();
            });
        return false;
    }
    xcb_window_t window = XCB_NONE;
    if (kind == XCB_MAP_NOTIFY)
        window = reinterpret_cast<const xcb_map_notify_event_t *>(event)->window;
    else if (kind == XCB_CONFIGURE_NOTIFY)
        window = reinterpret_cast<const xcb_configure_notify_event_t *>(event)->window;
    else
        return false;
    for (const auto *list : {&lockWindows(), &stealthWindows()})
        for (const auto &overlay : *list)
            if (static_cast<xcb_window_t>(overlay->winId()) == window)
                return false; // our own restacking
    raiseOverlays();
    return false;
}

void X11OverlayWindows::takeFocusBack()
{
    xcb_connection_t *c = connection();
    if (!c || !grabWindow_ || lockWindows().empty())
        return;
    auto *focus = xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
    if (!focus)
        return;
    const xcb_window_t focused = focus->focus;
    std::free(focus);
    for (const auto &window : lockWindows())
        if (static_cast<xcb_window_t>(window->winId()) == focused)
            return; // moved between the lock windows, by a click on another screen
    raiseOverlays();
    lockWindows().front()->requestActivate();
    tryGrab();
}

void X11OverlayWindows::raiseOverlays()
{
    xcb_connection_t *c = connection();
    if (!c)
        return;
    const uint32_t above = XCB_STACK_MODE_ABOVE;
    for (const auto *list : {&stealthWindows(), &lockWindows()}) // the lock ends on top
        for (const auto &overlay : *list)
            xcb_configure_window(c, static_cast<xcb_window_t>(overlay->winId()), XCB_CONFIG_WINDOW_STACK_MODE, &above);
    xcb_flush(c);
}

} // namespace vardo
