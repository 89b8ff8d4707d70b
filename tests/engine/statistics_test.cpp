#include "engine_harness.h"

#include "engine/security_event.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace vardo::test {
namespace {

// 2026-03-02 00:00:00 UTC, the midnight that starts the test's day.
constexpr double todayMidnight = 1772409600.0;

class Statistics : public EngineTest {
protected:
    void storeEvents(const std::string &json)
    {
        platform.defaults.setData("vardo_events", Bytes(json.begin(), json.end()));
    }
    QJsonArray storedEvents() const
    {
        const Bytes data = platform.defaults.data("vardo_events").value_or(Bytes{});
        return QJsonDocument::fromJson(QByteArray(reinterpret_cast<const char *>(data.data()),
                                                  static_cast<qsizetype>(data.size())))
            .array();
    }
};

TEST_F(Statistics, EventsAreStoredNewestFirstCappedAtFiftyWithUpperCaseIdsAndDatesSince2001)
{
    VardoService &s = start();
    for (qint64 n = 1; n <= 51; ++n)
        s.addSecurityEvent(SecurityEvent::Type::shoulderGuard, n);
    EXPECT_EQ(s.securityEvents().back().faceCount, 2);
    EXPECT_EQ(storedEvents().size(), 50);

    at(30.0);
    s.addSecurityEvent(SecurityEvent::Type::manualUnlock, 0);
    const QJsonObject stored = storedEvents().first().toObject();
    EXPECT_EQ(stored.value("type").toString(), "manual_unlock");
    EXPECT_DOUBLE_EQ(stored.value("date").toDouble(), startTime + 30.0 - 978307200.0);
    const QString id = stored.value("id").toString();
    EXPECT_EQ(QUuid::fromString(id), s.securityEvents().front().id);
    EXPECT_EQ(id, id.toUpper());

    // More than fifty today count only the fifty kept.
    VardoService &again = start();
    EXPECT_EQ(again.totalStealthToday(), 49);
}

// Same day, new day and midnight in UTC are in the statistics replays.
TEST_F(Statistics, TodaysCountersAreTheEventsOfTheLocalDay)
{
    struct Event {
        const char *type;
        double date;
    };
    struct Case {
        const char *name;
        const char *tz;
        const char *storedDay; // nullptr: a first start
        std::vector<Event> events;
        qint64 locks, guards;
        const char *dayAfter;
    };
    constexpr double hour = 3600;
    const Case cases[] = {
        {"first start", "UTC", nullptr, {}, 0, 0, "2026-03-02"},
        // UTC+9: the local day began at 15:00 UTC yesterday.
        {"east", "JST-9", "2026-03-02",
         {{"away_lock", todayMidnight - 9 * hour}, {"away_lock", todayMidnight - 9 * hour - 1}}, 1, 0, "2026-03-02"},
        // UTC-10: at 09:00 UTC on 2 March it is 23:00 on 1 March there.
        {"west", "HST10", "2026-03-01",
         {{"away_lock", todayMidnight + 5 * hour}, {"away_lock", todayMidnight - 12 * hour},
          {"shoulder_guard", todayMidnight - 15 * hour}},
         2, 0, "2026-03-01"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        setenv("TZ", c.tz, 1);
        tzset();
        std::string json = "[";
        for (const Event &e : c.events) {
            json += json.size() > 1 ? "," : "";
            json += R"({"id":")" + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toStdString()
                + R"(","type":")" + e.type + R"(","date":)" + std::to_string(e.date - 978307200.0)
                + R"(,"faceCount":2})";
        }
        storeEvents(json + "]");
        if (c.storedDay)
            platform.defaults.setString("vardo_stats_date", c.storedDay);
        else
            platform.defaults.remove("vardo_stats_date");
        VardoService &s = start();
        EXPECT_EQ(s.securityEvents().size(), c.events.size());
        EXPECT_EQ(s.totalLocksToday(), c.locks);
        EXPECT_EQ(s.totalStealthToday(), c.guards);
        EXPECT_EQ(platform.defaults.string("vardo_stats_date"), c.dayAfter);
    }
    setenv("TZ", "UTC", 1);
    tzset();
}

// Decoding is all or nothing (an unknown type is in the statistics_unknown_event_type replay).
TEST_F(Statistics, AStoredListWithOneBadEntryIsIgnoredWhole)
{
    const struct {
        std::string stored;
        std::size_t read;
    } cases[] = {
        {R"([{"id":"{0E2B7D4F-3C1A-4F7E-9A55-1B2C3D4E5F60}","type":"away_lock","date":794134800,"faceCount":0}])", 0},
        {"[{x", 0},
        {R"([{"id":"0e2b7d4f-3c1a-4f7e-9a55-1b2c3d4e5f60","type":"away_lock","date":794134800,"faceCount":0}])", 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.stored);
        storeEvents(c.stored);
        VardoService &s = start();
        ASSERT_EQ(s.securityEvents().size(), c.read);
        if (c.read)
            EXPECT_EQ(s.securityEvents()[0].id, QUuid::fromString(QStringLiteral("0E2B7D4F-3C1A-4F7E-9A55-1B2C3D4E5F60")));
    }
}

// A crash or a lost display ends the run without a clean quit, hence every minute.
TEST_F(Statistics, TheProtectedTimeIsStoredEveryMinuteAndWhenTheApplicationIsLeft)
{
    VardoService &s = startProtected();
    at(59.0);
    EXPECT_FALSE(platform.defaults.object("vardo_total_time").has_value());
    at(90.0);
    s.appWillResignActive();
    EXPECT_DOUBLE_EQ(platform.defaults.floating("vardo_total_time"), 90.0);
    at(210.0);
    EXPECT_DOUBLE_EQ(platform.defaults.floating("vardo_total_time"), 180.0);
    at(230.0);
    s.appWillResignActive();
    EXPECT_DOUBLE_EQ(platform.defaults.floating("vardo_total_time"), 230.0);
}

TEST_F(Statistics, NoTimeIsCountedBeforeOnboardingEnablesProtection)
{
    VardoService &s = start();
    at(90.0);
    s.appWillResignActive();
    EXPECT_DOUBLE_EQ(s.totalTimeProtected(), 0.0);
    s.enableProtection();
    at(100.0);
    s.appWillResignActive();
    EXPECT_DOUBLE_EQ(s.totalTimeProtected(), 10.0);
}

} // namespace
} // namespace vardo::test
