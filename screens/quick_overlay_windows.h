#pragma once

#include "engine/overlay_windows.h"

#include <QObject>
#include <QPointer>
#include <QUrl>

#include <memory>
#include <vector>

class QQmlEngine;
class QQuickView;
class QScreen;

namespace vardo {

class LockWatcher;
class LogSink;
class TaskQueue;
class Timers;

// The lock overlay and the shoulder-guard screen as Qt Quick windows: one opaque,
// borderless window per screen over the screen's whole geometry, its root the lock
// screen or the guard screen. Show and hide run as tasks on the main queue in the order
// they were asked for; a set that is shown is never built a second time.
//
// This class is the locker common to every display server; a subclass says how a
// window is kept above the others and how the keyboard and pointer are taken from other
// applications while the lock is up (X11), or that they cannot be (Wayland). Without a
// subclass nothing is captured, which suits only an off-screen run.
class QuickOverlayWindows : public QObject, public OverlayWindows {
    Q_OBJECT
public:
    struct Services {
        QQmlEngine &qml; // the process's one QML engine, with the NerovaVardo module
        TaskQueue &mainQueue;
        Timers &timers;
        LogSink &log;
        // Locks the login session when this process dies while the lock is up; none in
        // tests that do not watch for that.
        LockWatcher *watcher = nullptr;
    };

    explicit QuickOverlayWindows(Services services, QObject *parent = nullptr);
    ~QuickOverlayWindows() override;

    void showLockWindows() override;
    void hideLockWindows() override;
    void showStealthWindows() override;
    void hideStealthWindows() override;
    // Neither X11 nor the Wayland desktops of Debian 12 let a client keep its windows
    // out of screenshots or screen sharing; there is nothing to apply.
    void applyCaptureExclusion() override {}
    void screensChanged() override;

    const std::vector<std::unique_ptr<QQuickView>> &lockWindows() const { return lockWindows_; }
    const std::vector<std::unique_ptr<QQuickView>> &stealthWindows() const { return stealthWindows_; }
    bool hasKeyMonitors() const { return keyMonitorsInstalled_; }

protected:
    // Puts a new window over `screen` and shows it above everything. The default shows
    // a frameless window that asks to stay on top.
    virtual void placeWindow(QQuickView &window, QScreen &screen);
    // Takes the keyboard and the pointer for `first`, the window whose password field
    // answers; called again with a new first window when the set is rebuilt.
    virtual void grabInput(QQuickView &first) {}
    virtual void releaseInput() {}

    Services services_;

private:
    using WindowList = std::vector<std::unique_ptr<QQuickView>>;

    void onMainQueue(void (QuickOverlayWindows::*step)());
    void createLockWindows();
    void removeLockWindows();
    void createStealthWindows();
    void removeStealthWindows();
    void rebuild();
    WindowList makeWindows(const QUrl &root);
    void installKeyMonitors();
    void removeKeyMonitors();
    bool eventFilter(QObject *receiver, QEvent *event) override;
    bool belongsToLockWindow(QObject *receiver) const;

    WindowList lockWindows_;
    WindowList stealthWindows_;
    bool keyMonitorsInstalled_ = false;
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
};

} // namespace vardo
