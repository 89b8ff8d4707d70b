#include "platform/sleep_monitor_logind.h"

namespace vardo {

LogindSleepMonitor::LogindSleepMonitor(QDBusConnection bus, QObject *parent)
    : QObject(parent), bus_(std::move(bus))
{
    // A match on the sender's name follows logind when it restarts.
    watching_ = bus_.isConnected()
                && bus_.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                                QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
                                this, SLOT(prepareForSleep(bool)));
}

void LogindSleepMonitor::prepareForSleep(bool start)
{
    if (start)
        emit goingToSleep();
    else
        emit wokeUp();
}

} // namespace vardo
