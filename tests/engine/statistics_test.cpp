// Statistics and security events: the capped history, the stored form, today's counters
// restored from the events at start-up, the day reset, and the protected time.

#include "engine_harness.h"

#include "engine/security_event.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace vardo::test {
namespace {

// 2026-03-02 00:00:00 UTC, the midnight that starts the test's day.
constexpr double todayMidnight = 1772409600.0;

SecurityEvent eventAt(SecurityEvent::Type type, double date, qint64 faceCount = 0)
{
    SecurityEvent event;
    event.id = QUuid::createUuid();
    event.type = type;
    event.date = date;
    event.faceCount = faceCount;
    return event;
}

class Statistics : public EngineTest {
protected:
    void storeEvents(const std::vector<SecurityEvent> &events)
    {
        platform.defaults.setData("vardo_events", encodeSecurityEvents(events));
    }
    QJsonArray storedEvents() const
    {
        const Bytes data = platform.defaults.data("vardo_events").value_or(Bytes{});
        return QJsonDocument::fromJson(QByteArray(reinterpret_cast<const char *>(data.data()),
                                                  static_cast<qsizetype>(data.size())))
            .array();
    }
};

TEST_F(Statistics, TheFiftyFirstEventPushesOutTheOldest)
{
    VardoService &s = start();
    for (qint64 n = 1; n <= 51; ++n)
        s.addSecurityEvent(SecurityEvent::Type::shoulderGuard, n);
    ASSERT_EQ(s.securityEvents().size(), 50u);
    EXPECT_EQ(s.securityEvents().front().faceCount, 51);
    EXPECT_EQ(s.securityEvents().back().faceCount, 2);
    const QJsonArray stored = storedEvents();
    ASSERT_EQ(stored.size(), 50);
    EXPECT_EQ(stored.first().toObject().value("faceCount").toInteger(), 51);
}

TEST_F(Statistics, EventsAreStoredWithUpperCaseIdsAndDatesSince2001)
{
    VardoService &s = start();
    at(30.0);
    s.addSecurityEvent(SecurityEvent::Type::manualUnlock, 0);
    const QJsonObject stored = storedEvents().first().toObject();
    EXPECT_EQ(stored.value("type").toString(), "manual_unlock");
    EXPECT_DOUBLE_EQ(stored.value("date").toDouble(), startTime + 30.0 - 978307200.0);
    EXPECT_EQ(stored.value("faceCount").toInteger(), 0);
    const QString id = stored.value("id").toString();
    EXPECT_EQ(id.size(), 36);
    EXPECT_EQ(id, id.toUpper());
    EXPECT_EQ(QUuid::fromString(id), s.securityEvents().front().id);
}

TEST_F(Statistics, EveryEventSavesTheAllTimeCounters)
{
    platform.defaults.setInteger("vardo_total_locks", 7);
    platform.defaults.setDouble("vardo_total_time", 12.5);
    VardoService &s = startProtected();
    show(nobody());
    at(10.0);
    ASSERT_TRUE(s.isLocked());
    EXPECT_EQ(s.totalLocksAllTime(), 8);
    EXPECT_EQ(platform.defaults.integer("vardo_total_locks"), 8);
    EXPECT_EQ(platform.defaults.integer("vardo_total_stealth"), 0);
    EXPECT_DOUBLE_EQ(platform.defaults.floating("vardo_total_time"), 12.5);
    EXPECT_EQ(storedEvents().size(), 1);
}

TEST_F(Statistics, TheFirstStartStoresTodayWithBothDayCountersAtZero)
{
    VardoService &s = start();
    EXPECT_EQ(s.totalLocksToday(), 0);
    EXPECT_EQ(s.totalStealthToday(), 0);
    EXPECT_EQ(platform.defaults.string("vardo_stats_date"), "2026-03-02");
}

TEST_F(Statistics, ARestartOnTheSameDayCountsTodaysEvents)
{
    using T = SecurityEvent::Type;
    storeEvents({eventAt(T::manualUnlock, startTime - 60), eventAt(T::awayLock, startTime - 120),
                 eventAt(T::shoulderGuard, startTime - 180, 3), eventAt(T::awayLock, startTime - 240),
                 eventAt(T::manualUnlock, startTime - 300), eventAt(T::awayLock, startTime - 360),
                 eventAt(T::awayLock, todayMidnight - 60), eventAt(T::shoulderGuard, todayMidnight - 3600, 2)});
    platform.defaults.setString("vardo_stats_date", "2026-03-02");
    VardoService &s = start();
    EXPECT_EQ(s.securityEvents().size(), 8u);
    EXPECT_EQ(s.totalLocksToday(), 3);
    EXPECT_EQ(s.totalStealthToday(), 1);
}

TEST_F(Statistics, MoreThanFiftyEventsTodayCountOnlyTheFiftyKept)
{
    VardoService &first = start();
    for (int n = 0; n < 60; ++n)
        first.addSecurityEvent(SecurityEvent::Type::awayLock, 0);
    service.reset();
    VardoService &s = start();
    EXPECT_EQ(s.totalLocksToday(), 50);
}

TEST_F(Statistics, ARestartOnANewDayResetsTheDayCountersButKeepsTheEvents)
{
    using T = SecurityEvent::Type;
    storeEvents({eventAt(T::awayLock, todayMidnight + 1800), eventAt(T::shoulderGuard, todayMidnight + 1200),
                 eventAt(T::awayLock, todayMidnight - 1800)});
    platform.defaults.setString("vardo_stats_date", "2026-03-01");
    VardoService &s = start();
    EXPECT_EQ(s.totalLocksToday(), 0);
    EXPECT_EQ(s.totalStealthToday(), 0);
    EXPECT_EQ(s.securityEvents().size(), 3u);
    EXPECT_EQ(platform.defaults.string("vardo_stats_date"), "2026-03-02");
}

TEST_F(Statistics, AnEventExactlyAtMidnightCountsForTheNewDay)
{
    using T = SecurityEvent::Type;
    storeEvents({eventAt(T::awayLock, todayMidnight), eventAt(T::awayLock, todayMidnight - 0.001),
                 eventAt(T::shoulderGuard, todayMidnight - 1)});
    platform.defaults.setString("vardo_stats_date", "2026-03-02");
    VardoService &s = start();
    EXPECT_EQ(s.totalLocksToday(), 1);
    EXPECT_EQ(s.totalStealthToday(), 0);
}

TEST_F(Statistics, TheDayEndsAtLocalMidnight)
{
    setenv("TZ", "JST-9", 1); // UTC+9: the local day began at 15:00 UTC yesterday
    tzset();
    using T = SecurityEvent::Type;
    storeEvents({eventAt(T::awayLock, todayMidnight - 9 * 3600), eventAt(T::awayLock, todayMidnight - 9 * 3600 - 1)});
    platform.defaults.setString("vardo_stats_date", "2026-03-02");
    VardoService &s = start();
    EXPECT_EQ(s.totalLocksToday(), 1);
    setenv("TZ", "UTC", 1);
    tzset();
}

TEST_F(Statistics, WestOfUtcTheDayIsTheLocalOne)
{
    // UTC-10: at the test's start, 09:00 UTC on 2 March, it is 23:00 on 1 March there.
    setenv("TZ", "HST10", 1);
    tzset();
    using T = SecurityEvent::Type;
    constexpr double localMidnight = todayMidnight - 14 * 3600; // 1 March 00:00 local
    storeEvents({eventAt(T::awayLock, todayMidnight + 5 * 3600),      // 1 March 19:00 local, 2 March UTC
                 eventAt(T::awayLock, localMidnight + 2 * 3600),      // 1 March 02:00 local, 1 March UTC
                 eventAt(T::shoulderGuard, localMidnight - 3600)});   // 28 February 23:00 local
    platform.defaults.setString("vardo_stats_date", "2026-03-01");
    VardoService &s = start();
    EXPECT_EQ(s.totalLocksToday(), 2);
    EXPECT_EQ(s.totalStealthToday(), 0);
    EXPECT_EQ(platform.defaults.string("vardo_stats_date"), "2026-03-01");
    setenv("TZ", "UTC", 1);
    tzset();
}

TEST_F(Statistics, AStoredListWithAnUnknownTypeIsIgnoredWhole)
{
    const std::string stored = R"([{"id":"0E2B7D4F-3C1A-4F7E-9A55-1B2C3D4E5F60","type":"away_lock","date":794134800,"faceCount":0},)"
                               R"({"id":"1E2B7D4F-3C1A-4F7E-9A55-1B2C3D4E5F60","type":"coffee_break","date":794134800,"faceCount":0}])";
    platform.defaults.setData("vardo_events", Bytes(stored.begin(), stored.end()));
    platform.defaults.setString("vardo_stats_date", "2026-03-02");
    VardoService &s = start();
    EXPECT_TRUE(s.securityEvents().empty());
    EXPECT_EQ(s.totalLocksToday(), 0);

    s.addSecurityEvent(SecurityEvent::Type::awayLock, 0);
    EXPECT_EQ(storedEvents().size(), 1);
}

TEST_F(Statistics, AnIdThatIsNotAPlainUuidMakesTheListForeign)
{
    const std::string stored = R"([{"id":"{0E2B7D4F-3C1A-4F7E-9A55-1B2C3D4E5F60}","type":"away_lock","date":794134800,"faceCount":0}])";
    platform.defaults.setData("vardo_events", Bytes(stored.begin(), stored.end()));
    VardoService &s = start();
    EXPECT_TRUE(s.securityEvents().empty());
}

TEST_F(Statistics, LowerCaseIdsAreRead)
{
    const std::string stored = R"([{"id":"0e2b7d4f-3c1a-4f7e-9a55-1b2c3d4e5f60","type":"away_lock","date":794134800,"faceCount":0}])";
    platform.defaults.setData("vardo_events", Bytes(stored.begin(), stored.end()));
    VardoService &s = start();
    ASSERT_EQ(s.securityEvents().size(), 1u);
    EXPECT_EQ(s.securityEvents()[0].id, QUuid::fromString(QStringLiteral("0E2B7D4F-3C1A-4F7E-9A55-1B2C3D4E5F60")));
}

TEST_F(Statistics, CorruptEventDataIsIgnored)
{
    platform.defaults.setData("vardo_events", Bytes{'[', '{', 'x'});
    VardoService &s = start();
    EXPECT_TRUE(s.securityEvents().empty());
}

TEST_F(Statistics, ResigningActiveAddsOnlyTheTimeSinceTheLastAccounting)
{
    VardoService &s = startProtected();
    ASSERT_EQ(s.protectionStartTime(), startTime);
    at(90.0);
    s.appWillResignActive();
    EXPECT_DOUBLE_EQ(s.totalTimeProtected(), 90.0);
    EXPECT_DOUBLE_EQ(platform.defaults.floating("vardo_total_time"), 90.0);
    EXPECT_EQ(s.protectionStartTime(), startTime + 90.0);
    at(120.0);
    s.appWillResignActive();
    EXPECT_DOUBLE_EQ(s.totalTimeProtected(), 120.0);
    EXPECT_DOUBLE_EQ(platform.defaults.floating("vardo_total_time"), 120.0);
}

// A crash or a lost display connection ends the run without a clean quit: what was
// stored in the last minute is all that is kept.
TEST_F(Statistics, TheProtectedTimeIsStoredEveryMinuteWhileProtectionRuns)
{
    VardoService &s = startProtected();
    at(59.0);
    EXPECT_FALSE(platform.defaults.object("vardo_total_time").has_value());
    at(150.0);
    EXPECT_DOUBLE_EQ(platform.defaults.floating("vardo_total_time"), 120.0);
    at(170.0);
    s.appWillResignActive();
    EXPECT_DOUBLE_EQ(s.totalTimeProtected(), 170.0);
}

TEST_F(Statistics, ResigningActiveWithProtectionOffAddsNothing)
{
    VardoService &s = start();
    at(90.0);
    s.appWillResignActive();
    EXPECT_DOUBLE_EQ(s.totalTimeProtected(), 0.0);
    EXPECT_FALSE(platform.defaults.object("vardo_total_time").has_value());
}

TEST_F(Statistics, EnablingProtectionAfterOnboardingStartsTheProtectedPeriod)
{
    VardoService &s = start();
    at(40.0);
    s.enableProtection();
    EXPECT_TRUE(s.isEnabled());
    EXPECT_TRUE(platform.defaults.boolean("vardo_enabled"));
    EXPECT_EQ(s.protectionStartTime(), startTime + 40.0);
    at(50.0);
    s.appWillResignActive();
    EXPECT_DOUBLE_EQ(s.totalTimeProtected(), 10.0);
}

} // namespace
} // namespace vardo::test
