#include "screens/quick_overlay_windows.h"

#include "platform/log_sink.h"
#include "platform/task_queue.h"
#include "screens/lock_watcher.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QScreen>
#include <QWidget>

namespace vardo {

namespace {

const QUrl lockScreenUrl(QStringLiteral("qrc:/NerovaVardo/LockScreen.qml"));
const QUrl guardScreenUrl(QStringLiteral("qrc:/NerovaVardo/GuardScreen.qml"));

bool isKeyEvent(const QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
        return true;
    default:
        return false;
    }
}

// An open menu of this application (the tray's) keeps Qt sending key presses to it,
// whatever window has the focus: it closes before the lock takes the keyboard.
void closeOpenMenus()
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    for (int i = 0; i < 16; ++i) {
        QWidget *popup = QApplication::activePopupWidget();
        if (!popup)
            break;
        popup->close();
    }
}

} // namespace

QuickOverlayWindows::QuickOverlayWindows(Services services, QObject *parent)
    : QObject(parent), services_(services)
{
}

QuickOverlayWindows::~QuickOverlayWindows()
{
    // Ending with the lock up leaves the watcher armed: the process ends locked, and the
    // watcher hands the lock to the session.
    if (keyMonitorsInstalled_) {
        QCoreApplication::instance()->removeEventFilter(this);
        releaseInput();
    }
}

void QuickOverlayWindows::onMainQueue(void (QuickOverlayWindows::*step)())
{
    services_.mainQueue.post([this, step, alive = std::weak_ptr<int>(lifetime_)] {
        if (!alive.expired())
            (this->*step)();
    });
}

void QuickOverlayWindows::showLockWindows() { onMainQueue(&QuickOverlayWindows::createLockWindows); }
void QuickOverlayWindows::hideLockWindows() { onMainQueue(&QuickOverlayWindows::removeLockWindows); }
void QuickOverlayWindows::showStealthWindows() { onMainQueue(&QuickOverlayWindows::createStealthWindows); }
void QuickOverlayWindows::hideStealthWindows() { onMainQueue(&QuickOverlayWindows::removeStealthWindows); }
void QuickOverlayWindows::screensChanged() { onMainQueue(&QuickOverlayWindows::rebuild); }

void QuickOverlayWindows::createLockWindows()
{
    if (!lockWindows_.empty())
        return;
    // Armed before anything shows: a crash while the windows are being made leaves the
    // session locked, not open.
    if (services_.watcher)
        services_.watcher->arm();
    lockWindows_ = makeWindows(lockScreenUrl);
    installKeyMonitors(); // also without a screen
}

void QuickOverlayWindows::removeLockWindows()
{
    removeKeyMonitors();
    for (auto &window : lockWindows_)
        window->hide();
    lockWindows_.clear();
    if (services_.watcher)
        services_.watcher->disarm();
}

void QuickOverlayWindows::createStealthWindows()
{
    if (!stealthWindows_.empty())
        return;
    stealthWindows_ = makeWindows(guardScreenUrl);
}

void QuickOverlayWindows::removeStealthWindows()
{
    for (auto &window : stealthWindows_)
        window->hide();
    stealthWindows_.clear();
}

// The new set is up, and holds the keyboard, before the old one goes: taking the old
// set down first would leave the screens uncovered and the keyboard free for a moment.
void QuickOverlayWindows::rebuild()
{
    if (!lockWindows_.empty()) {
        WindowList old = std::exchange(lockWindows_, makeWindows(lockScreenUrl));
        if (!lockWindows_.empty())
            grabInput(*lockWindows_.front());
        for (auto &window : old)
            window->hide();
    }
    if (!stealthWindows_.empty()) {
        WindowList old = std::exchange(stealthWindows_, makeWindows(guardScreenUrl));
        for (auto &window : old)
            window->hide();
    }
}

QuickOverlayWindows::WindowList QuickOverlayWindows::makeWindows(const QUrl &root)
{
    WindowList windows;
    for (QScreen *screen : QGuiApplication::screens()) {
        auto window = std::make_unique<QQuickView>(&services_.qml, nullptr);
        // Not the main window's title: tools that look for that window must not find these.
        window->setTitle(QStringLiteral("Nerova Vardo — screen covered"));
        window->setColor(Qt::black);
        window->setResizeMode(QQuickView::SizeRootObjectToView);
        window->setSource(root);
        if (window->status() == QQuickView::Error) {
            QStringList errors;
            for (const QQmlError &error : window->errors())
                errors << error.toString();
            services_.log.write("[Vardo] " + root.toString().toStdString()
                                + " failed to load: " + errors.join(QStringLiteral("; ")).toStdString());
        }
        placeWindow(*window, *screen);
        windows.push_back(std::move(window));
    }
    return windows;
}

void QuickOverlayWindows::placeWindow(QQuickView &window, QScreen &screen)
{
    window.setFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    window.setScreen(&screen);
    window.setGeometry(screen.geometry());
    window.show();
    window.raise();
    window.requestActivate();
}

// The local monitor: while the lock is up, no key press reaches any other window of this
// application (the dashboard, an open menu); the global one is the subclass's grab.
void QuickOverlayWindows::installKeyMonitors()
{
    if (keyMonitorsInstalled_)
        return;
    keyMonitorsInstalled_ = true;
    closeOpenMenus();
    QCoreApplication::instance()->installEventFilter(this);
    if (!lockWindows_.empty())
        grabInput(*lockWindows_.front());
}

void QuickOverlayWindows::removeKeyMonitors()
{
    if (!keyMonitorsInstalled_)
        return;
    keyMonitorsInstalled_ = false;
    QCoreApplication::instance()->removeEventFilter(this);
    releaseInput();
}

bool QuickOverlayWindows::eventFilter(QObject *receiver, QEvent *event)
{
    return isKeyEvent(event) && !belongsToLockWindow(receiver);
}

bool QuickOverlayWindows::belongsToLockWindow(QObject *receiver) const
{
    const QWindow *window = nullptr;
    if (auto *item = qobject_cast<QQuickItem *>(receiver))
        window = item->window();
    else
        window = qobject_cast<QWindow *>(receiver);
    if (!window)
        return false;
    for (const auto &lockWindow : lockWindows_)
        if (lockWindow.get() == window)
            return true;
    return false;
}

} // namespace vardo
