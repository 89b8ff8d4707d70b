#include "platform/log_sink.h"
#include "platform/fakes/memory_log.h"
#include "platform/login_session_monitor_logind.h"
#include "tests/support/core_application.h"
#include "tests/support/logind_mock.h"
#include "tests/support/private_bus.h"

#include <QThread>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <memory>
#include <unistd.h>

namespace vardo {
namespace {

using test::LogindMock;
using test::PrivateBus;

constexpr int waitMs = 30000;

// A private bus with the logind mock on it; the monitor is started by the test.
class LogindSessionMonitorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureCoreApplication();
        ASSERT_TRUE(bus.ok()) << bus.error().toStdString();
        ASSERT_TRUE(logind.start(bus)) << logind.error().toStdString();
    }

    void addSession(const QString &id, bool active = true)
    {
        ASSERT_EQ(logind.addSession(id, active), LogindMock::sessionPath(id)) << logind.error().toStdString();
    }

    void watch(const std::string &sessionId)
    {
        monitor = std::make_unique<LogindSessionMonitor>(log, bus.connection(), sessionId);
        returns = 0;
        monitor->start([this] { ++returns; });
    }

    // "Unlock" is logind's signal, anything else a property.
    void send(const QString &id, const QString &what, bool value = false)
    {
        ASSERT_TRUE(what == "Unlock" ? logind.emitUnlock(id) : logind.setSessionProperties(id, {{what, value}}))
            << logind.error().toStdString();
    }
    bool waitForReturns(int count) { return QTest::qWaitFor([&] { return returns >= count; }, waitMs); }

    // The number of returns once everything logind has sent so far is handled.
    int settledReturns()
    {
        logind.deliverPendingSignals();
        return returns;
    }

    PrivateBus bus;
    MemoryLog log;
    LogindMock logind;
    std::unique_ptr<LogindSessionMonitor> monitor;
    int returns = 0;
};

// What logind shows of a session, and how many times the user is back. Each case
// watches a session of its own.
TEST_F(LogindSessionMonitorTest, ReportsEveryReturnToTheWatchedSessionOnce)
{
    struct Step {
        const char *property;
        bool value = false;
        bool otherSession = false;
    };
    struct Case {
        const char *name;
        bool startsActive;
        std::vector<Step> steps;
        int returns;
    };
    const Step away{"Active", false}, back{"Active", true}, locked{"LockedHint", true},
        unlocked{"LockedHint", false}, unlockSignal{"Unlock"};
    const std::vector<Case> cases = {
        {"switched away and back", true, {away, back}, 1},
        {"nothing while active", true, {back, {"IdleHint", true}}, 0},
        {"every return once", true, {away, back, back, away, back, back, away, back, back}, 3},
        {"watched while at the greeter", false, {back}, 1},
        {"unlock signals", true, {unlockSignal, unlockSignal}, 2},
        // "loginctl lock-session": the session stays active and the desktop's locker
        // marks it locked until the user has unlocked it.
        {"desktop locker unlocking", true, {locked, unlocked}, 1},
        // "loginctl unlock-session": logind signals Unlock, the locker then clears its mark.
        {"unlock request and the locker's unlock", true, {locked, unlockSignal, unlocked}, 1},
        // GDM locks, then switches to the login screen; coming back, the session is
        // active first and the locker unlocks right after.
        {"greeter return", true, {locked, away, back, unlocked}, 1},
        {"other sessions", true, {{"Active", false, true}, {"Active", true, true}, {"Unlock", false, true}}, 0},
    };
    addSession("other");
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case &c = cases[i];
        SCOPED_TRACE(c.name);
        const QString id = QStringLiteral("c%1").arg(i);
        addSession(id, c.startsActive);
        watch(id.toStdString());
        EXPECT_EQ(monitor->sessionPath(), LogindMock::sessionPath(id));
        for (const Step &step : c.steps)
            send(step.otherSession ? QStringLiteral("other") : id, step.property, step.value);
        if (c.returns > 0)
            ASSERT_TRUE(waitForReturns(c.returns));
        EXPECT_EQ(settledReturns(), c.returns);
    }
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(LogindSessionMonitorTest, StartingAgainReplacesTheCallbackWhichRunsOnTheMonitorsThread)
{
    addSession("c1");
    watch("c1");
    int laterReturns = 0;
    QThread *callbackThread = nullptr;
    monitor->start([&] {
        callbackThread = QThread::currentThread();
        ++laterReturns;
    });

    send("c1", "Unlock");
    ASSERT_TRUE(QTest::qWaitFor([&] { return laterReturns >= 1; }, waitMs));
    logind.deliverPendingSignals();
    EXPECT_EQ(laterReturns, 1);
    EXPECT_EQ(returns, 0);
    EXPECT_EQ(callbackThread, QCoreApplication::instance()->thread());
}

TEST_F(LogindSessionMonitorTest, FindsTheSessionWithoutAKnownSessionId)
{
    watch("c1");
    EXPECT_FALSE(monitor->isWatching());
    EXPECT_EQ(log.lines(), std::vector<std::string>{"[Vardo] No login session found on systemd-logind"
                                                    " — session resume will not be noticed"});
    addSession("c1");
    send("c1", "Unlock");
    EXPECT_EQ(settledReturns(), 0);

    // The template has no GetSessionByPID. logind's "auto" object is an alias whose
    // signals come from the real session object.
    addSession("c3");
    addSession("auto");
    ASSERT_TRUE(logind.setSessionProperties("auto", {{QStringLiteral("Id"), QStringLiteral("c3")}}));
    watch("");
    EXPECT_EQ(monitor->sessionPath(), LogindMock::sessionPath("c3"));
    send("c3", "Active", false);
    send("c3", "Active", true);
    ASSERT_TRUE(waitForReturns(1));

    // Like logind: only this process's pid has a session.
    addSession("c2");
    ASSERT_TRUE(logind.addManagerMethod(
        "GetSessionByPID", "u", "o",
        QStringLiteral("if args[0] != %1:\n"
                       "    raise dbus.exceptions.DBusException('no session for pid', "
                       "name='org.freedesktop.login1.NoSessionForPID')\n"
                       "ret = '/org/freedesktop/login1/session/c2'")
            .arg(::getpid())))
        << logind.error().toStdString();
    watch("");
    EXPECT_EQ(monitor->sessionPath(), LogindMock::sessionPath("c2"));
    send("c2", "Unlock");
    ASSERT_TRUE(waitForReturns(1));
    watch("c9"); // the mock hands out a path for any id; no object lives there
    EXPECT_EQ(monitor->sessionPath(), LogindMock::sessionPath("c2"));
}

TEST(LogindSessionMonitorWithoutLogindTest, LogsOnceAndNeverCallsBack)
{
    test::ensureCoreApplication();
    PrivateBus bus;
    ASSERT_TRUE(bus.ok()) << bus.error().toStdString();
    const std::pair<QDBusConnection, std::string> cases[] = {
        {bus.connection(), "[Vardo] systemd-logind not running — session resume will not be noticed"},
        {QDBusConnection(QStringLiteral("vardo-never-connected")),
         "[Vardo] D-Bus system bus not reachable — session resume will not be noticed"},
    };
    for (const auto &[connection, line] : cases) {
        MemoryLog log;
        int returns = 0;
        LogindSessionMonitor monitor(log, connection, "c1");
        monitor.start([&] { ++returns; });
        monitor.start([&] { ++returns; });
        EXPECT_FALSE(monitor.isWatching());
        EXPECT_EQ(log.lines(), std::vector<std::string>{line});
        EXPECT_EQ(returns, 0);
    }
}

} // namespace
} // namespace vardo
