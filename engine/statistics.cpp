// Statistics and security events: the lock and guard counters, the protected time and
// the history of the last 50 events, kept in the settings store.

#include "engine/vardo_service.h"

#include "platform/clock.h"
#include "platform/defaults_store.h"

#include <QDateTime>

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
    securityEvents_.insert(securityEvents_.begin(), event);
    if (securityEvents_.size() > maxSecurityEvents)
        securityEvents_.resize(maxSecurityEvents);
    emit securityEventsChanged();
    saveStats();
}

void VardoService::saveStats()
{
    DefaultsStore &d = platform_.defaults;
    d.setData("vardo_events", encodeSecurityEvents(securityEvents_));
    d.setInteger("vardo_total_locks", totalLocksAllTime_);
    d.setInteger("vardo_total_stealth", totalStealthAllTime_);
    d.setDouble("vardo_total_time", totalTimeProtected_);
}

// Today's counters are not stored: they are counted again from today's events.
void VardoService::loadSecurityEvents()
{
    if (const auto data = platform_.defaults.data("vardo_events")) {
        if (auto events = decodeSecurityEvents(*data)) {
            securityEvents_ = std::move(*events);
            emit securityEventsChanged();
        }
    }
    const QDateTime startOfToday = localTime(platform_.clock.now()).date().startOfDay();
    const double startOfDay = startOfToday.toMSecsSinceEpoch() / 1000.0;
    qint64 locks = 0, guards = 0;
    for (const auto &event : securityEvents_) {
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
    if (platform_.defaults.string("vardo_stats_date") != today) {
        setTotalLocksToday(0);
        setTotalStealthToday(0);
        platform_.defaults.setString("vardo_stats_date", today);
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
    platform_.defaults.setDouble("vardo_total_time", totalTimeProtected_);
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
