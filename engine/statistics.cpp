// Statistics and security events: the lock and guard counters, the protected time and
// the history of the last 50 events, kept in the settings store.

#include "engine/vardo_service.h"

#include "platform/clock.h"
#include "platform/defaults_store.h"

#include <QDateTime>

#include <algorithm>

namespace vardo {

namespace {

constexpr std::size_t maxSecurityEvents = 50;

QDateTime localTime(double secondsSince1970)
{
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(secondsSince1970 * 1000.0));
}

} // namespace

void VardoService::addSecurityEvent(SecurityEvent::Type type, qint64 faceCount)
{
    SecurityEvent event;
    event.id = QUuid::createUuid();
    event.type = type;
    event.date = platform_.clock.now();
    event.faceCount = faceCount;
    securityEvents_.prepend(event);
    securityEvents_.truncate(maxSecurityEvents);
    saveStats();
}

void VardoService::saveStats()
{
    DefaultsStore &d = platform_.defaults;
    writeSetting(d, SettingId::securityEvents, encodeSecurityEvents(securityEvents_.items()));
    writeSetting(d, SettingId::totalLocksAllTime, static_cast<std::int64_t>(totalLocksAllTime_));
    writeSetting(d, SettingId::totalStealthAllTime, static_cast<std::int64_t>(totalStealthAllTime_));
    writeSetting(d, SettingId::totalTimeProtected, totalTimeProtected_);
}

// Today's counters are not stored: they are counted again from today's events.
void VardoService::loadSecurityEvents()
{
    if (const auto data = platform_.defaults.data(std::string(setting(SettingId::securityEvents).key)))
        if (auto events = decodeSecurityEvents(*data))
            securityEvents_.replaceAll(std::move(*events));
    const QDateTime startOfToday = localTime(platform_.clock.now()).date().startOfDay();
    const double startOfDay = startOfToday.toMSecsSinceEpoch() / 1000.0;
    qint64 locks = 0, guards = 0;
    for (const auto &event : securityEvents_.items()) {
        if (event.date < startOfDay)
            continue;
        locks += event.type == SecurityEvent::Type::awayLock;
        guards += event.type == SecurityEvent::Type::shoulderGuard;
    }
    setTotalLocksToday(locks);
    setTotalStealthToday(guards);
}

// Runs at start-up only: a day boundary crossed while running is seen at the next start.
void VardoService::checkDailyReset()
{
    const std::string today = localTime(platform_.clock.now()).date().toString(Qt::ISODate).toStdString();
    if (SettingsReader(platform_.defaults, platform_.log).string(SettingId::statsDate) != today) {
        setTotalLocksToday(0);
        setTotalStealthToday(0);
        writeSetting(platform_.defaults, SettingId::statsDate, today);
    }
    lastStatsDate_ = today;
}

void VardoService::updateProtectedTime()
{
    if (!protectionStartTime_)
        return;
    const double now = platform_.clock.now();
    setTotalTimeProtected(totalTimeProtected_ + (now - *protectionStartTime_));
    protectionStartTime_ = now;
    writeSetting(platform_.defaults, SettingId::totalTimeProtected, totalTimeProtected_);
}

double VardoService::protectedSecondsNow() const
{
    const double running = isMonitoring_ && protectionStartTime_ ? platform_.clock.now() - *protectionStartTime_ : 0.0;
    return totalTimeProtected_ + std::max(0.0, running);
}

// Closes the running protected period, if there is one, and saves everything.
void VardoService::endProtectedPeriod()
{
    if (!protectionStartTime_)
        return;
    setTotalTimeProtected(totalTimeProtected_ + (platform_.clock.now() - *protectionStartTime_));
    protectionStartTime_.reset();
    saveStats();
}

} // namespace vardo
