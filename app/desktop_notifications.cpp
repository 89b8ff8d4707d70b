#include "app/desktop_notifications.h"

#include "engine/vardo_service.h"
#include "platform/sleep_monitor_logind.h"

#include <QGuiApplication>
#include <QScreen>

namespace vardo {

DesktopNotifications::DesktopNotifications(VardoService &service, LogindSleepMonitor &sleep, QObject *parent)
    : QObject(parent), service_(service)
{
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        const bool active = state == Qt::ApplicationActive;
        if (wasActive_ && !active)
            service_.appWillResignActive();
        wasActive_ = active;
    });

    // A new monitor arrives as an added screen and a changed geometry or two: the
    // overlays are rebuilt once, after the burst.
    screensChanged_.setSingleShot(true);
    screensChanged_.setInterval(0);
    connect(&screensChanged_, &QTimer::timeout, this, [this] { service_.screenConfigurationChanged(); });
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen *screen) {
        watchScreen(screen);
        screensChanged_.start();
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, [this] { screensChanged_.start(); });
    for (QScreen *screen : QGuiApplication::screens())
        watchScreen(screen);

    connect(&sleep, &LogindSleepMonitor::goingToSleep, this, [this] { service_.screensDidSleep(); });
    connect(&sleep, &LogindSleepMonitor::wokeUp, this, [this] { service_.screensDidWake(); });
}

void DesktopNotifications::watchScreen(QScreen *screen)
{
    connect(screen, &QScreen::geometryChanged, this, [this] { screensChanged_.start(); });
}

} // namespace vardo
