#include "app/desktop_notifications.h"

#include "engine/vardo_service.h"
#include "platform/sleep_monitor_logind.h"
#include "screens/screen_changes.h"

#include <QGuiApplication>

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
    watchScreenChanges(this, [this] { screensChanged_.start(); });

    connect(&sleep, &LogindSleepMonitor::goingToSleep, this, [this] { service_.screensDidSleep(); });
    connect(&sleep, &LogindSleepMonitor::wokeUp, this, [this] { service_.screensDidWake(); });
}

} // namespace vardo
