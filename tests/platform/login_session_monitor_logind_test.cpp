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

const QString activeKey = QStringLiteral("Active");
const QString lockedHintKey = QStringLiteral("LockedHint");

// A private bus without logind on it.
class LogindSessionMonitorWithoutLogindTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureCoreApplication();
        ASSERT_TRUE(bus.ok()) << bus.error().toStdString();
    }

    PrivateBus bus;
    MemoryLog log;
    int returns = 0;
};

// A private bus with the logind mock on it; the monitor is started by the test.
class LogindSessionMonitorTest : public LogindSessionMonitorWithoutLogindTest {
protected:
    void SetUp() override
    {
        LogindSessionMonitorWithoutLogindTest::SetUp();
        ASSERT_TRUE(logind.start(bus)) << logind.error().toStdString();
    }

    void addSession(const QString &id, bool active = true)
    {
        ASSERT_EQ(logind.addSession(id, active), LogindMock::sessionPath(id))
            << logind.error().toStdString();
    }

    void watch(const std::string &sessionId)
    {
        monitor = std::make_unique<LogindSessionMonitor>(log, bus.connection(), sessionId);
        monitor->start([this] { ++returns; });
    }

    void set(const QString &id, const QVariantMap &properties)
    {
        ASSERT_TRUE(logind.setSessionProperties(id, properties)) << logind.error().toStdString();
    }

    void unlock(const QString &id)
    {
        ASSERT_TRUE(logind.emitUnlock(id)) << logind.error().toStdString();
    }

    bool waitForReturns(int count)
    {
        return QTest::qWaitFor([&] { return returns >= count; }, waitMs);
    }

    // The number of returns once everything logind has sent so far is handled.
    int settledReturns()
    {
        logind.deliverPendingSignals();
        return returns;
    }

    LogindMock logind;
    std::unique_ptr<LogindSessionMonitor> monitor;
};

TEST_F(LogindSessionMonitorTest, WatchesTheSessionNamedBySessionIdQuietly)
{
    addSession("c1");
    addSession("c2");
    watch("c2");

    EXPECT_TRUE(monitor->isWatching());
    EXPECT_EQ(monitor->sessionPath(), LogindMock::sessionPath("c2"));
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(settledReturns(), 0);
}

TEST_F(LogindSessionMonitorTest, ReportsTheSessionBecomingActiveAgain)
{
    addSession("c1");
    watch("c1");

    set("c1", {{activeKey, false}});
    EXPECT_EQ(settledReturns(), 0);

    set("c1", {{activeKey, true}});
    ASSERT_TRUE(waitForReturns(1));
    EXPECT_EQ(settledReturns(), 1);
}

TEST_F(LogindSessionMonitorTest, ReportsEveryReturnOnceAndNothingWhileActive)
{
    addSession("c1");
    watch("c1");

    set("c1", {{activeKey, true}}); // already active: no return
    set("c1", {{QStringLiteral("IdleHint"), true}});
    EXPECT_EQ(settledReturns(), 0);

    for (int round = 1; round <= 3; ++round) {
        set("c1", {{activeKey, false}});
        set("c1", {{activeKey, true}});
        set("c1", {{activeKey, true}});
        ASSERT_TRUE(waitForReturns(round));
        EXPECT_EQ(settledReturns(), round);
    }
}

TEST_F(LogindSessionMonitorTest, StartsFromTheSessionsCurrentState)
{
    addSession("c1", false); // watched while at the greeter
    watch("c1");
    EXPECT_EQ(settledReturns(), 0);

    set("c1", {{activeKey, true}});
    ASSERT_TRUE(waitForReturns(1));
    EXPECT_EQ(settledReturns(), 1);
}

TEST_F(LogindSessionMonitorTest, ReportsAnUnlockSignal)
{
    addSession("c1");
    watch("c1");

    unlock("c1");
    ASSERT_TRUE(waitForReturns(1));
    unlock("c1");
    ASSERT_TRUE(waitForReturns(2));
    EXPECT_EQ(settledReturns(), 2);
}

TEST_F(LogindSessionMonitorTest, ReportsTheDesktopLockerUnlocking)
{
    // "loginctl lock-session": the session stays active and the desktop's locker marks
    // it locked until the user has unlocked it.
    addSession("c1");
    watch("c1");

    set("c1", {{lockedHintKey, true}});
    EXPECT_EQ(settledReturns(), 0);

    set("c1", {{lockedHintKey, false}});
    ASSERT_TRUE(waitForReturns(1));
    EXPECT_EQ(settledReturns(), 1);
}

TEST_F(LogindSessionMonitorTest, CountsAnUnlockRequestAndTheLockersUnlockAsOneReturn)
{
    // "loginctl unlock-session": logind signals Unlock, the locker then clears its mark.
    addSession("c1");
    watch("c1");
    set("c1", {{lockedHintKey, true}});

    unlock("c1");
    EXPECT_EQ(settledReturns(), 0);

    set("c1", {{lockedHintKey, false}});
    ASSERT_TRUE(waitForReturns(1));
    EXPECT_EQ(settledReturns(), 1);
}

TEST_F(LogindSessionMonitorTest, ReportsTheGreeterReturnOnceTheLockerHasUnlocked)
{
    // GDM locks the desktop, then switches to the login screen; coming back, the session
    // is active first and the locker unlocks right after.
    addSession("c1");
    watch("c1");
    set("c1", {{lockedHintKey, true}});
    set("c1", {{activeKey, false}});

    set("c1", {{activeKey, true}});
    EXPECT_EQ(settledReturns(), 0);

    set("c1", {{lockedHintKey, false}});
    ASSERT_TRUE(waitForReturns(1));
    EXPECT_EQ(settledReturns(), 1);
}

TEST_F(LogindSessionMonitorTest, IgnoresOtherSessions)
{
    addSession("c1");
    addSession("c2");
    watch("c1");

    set("c2", {{activeKey, false}});
    set("c2", {{activeKey, true}});
    unlock("c2");
    EXPECT_EQ(settledReturns(), 0);
}

TEST_F(LogindSessionMonitorTest, CallsBackOnTheThreadThatOwnsTheMonitor)
{
    addSession("c1");
    monitor = std::make_unique<LogindSessionMonitor>(log, bus.connection(), "c1");
    QThread *callbackThread = nullptr;
    monitor->start([&] {
        callbackThread = QThread::currentThread();
        ++returns;
    });

    unlock("c1");
    ASSERT_TRUE(waitForReturns(1));
    EXPECT_EQ(callbackThread, QCoreApplication::instance()->thread());
}

TEST_F(LogindSessionMonitorTest, StartingAgainOnlyReplacesTheCallback)
{
    addSession("c1");
    watch("c1");
    int laterReturns = 0;
    monitor->start([&] { ++laterReturns; });

    unlock("c1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return laterReturns >= 1; }, waitMs));
    logind.deliverPendingSignals();
    EXPECT_EQ(laterReturns, 1);
    EXPECT_EQ(returns, 0);
}

TEST_F(LogindSessionMonitorTest, FindsTheSessionByProcessWithoutSessionId)
{
    addSession("c1");
    addSession("c2");
    // Like logind: only this process's pid has a session.
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
    unlock("c2");
    ASSERT_TRUE(waitForReturns(1));
}

TEST_F(LogindSessionMonitorTest, LooksUpByProcessWhenTheSessionIdIsUnknown)
{
    addSession("c2");
    ASSERT_TRUE(logind.addManagerMethod("GetSessionByPID", "u", "o",
                                        "ret = '/org/freedesktop/login1/session/c2'"));
    watch("c9"); // the mock hands out a path for any id; no object lives there

    EXPECT_EQ(monitor->sessionPath(), LogindMock::sessionPath("c2"));
}

TEST_F(LogindSessionMonitorTest, FallsBackToTheAutoSessionAndWatchesItsRealPath)
{
    // The template has no GetSessionByPID. logind's "auto" object is an alias whose
    // signals come from the real session object.
    addSession("c3");
    addSession("auto");
    set("auto", {{QStringLiteral("Id"), QStringLiteral("c3")}});
    watch("");

    EXPECT_EQ(monitor->sessionPath(), LogindMock::sessionPath("c3"));
    set("c3", {{activeKey, false}});
    set("c3", {{activeKey, true}});
    ASSERT_TRUE(waitForReturns(1));
}

TEST_F(LogindSessionMonitorTest, WithoutASessionLogsOnceAndNeverCallsBack)
{
    watch("c1");

    EXPECT_FALSE(monitor->isWatching());
    EXPECT_EQ(log.lines(), std::vector<std::string>{"[Vardo] No login session found on systemd-logind"
                                                    " — session resume will not be noticed"});
    addSession("c1");
    unlock("c1");
    EXPECT_EQ(settledReturns(), 0);
}

TEST_F(LogindSessionMonitorWithoutLogindTest, LogsOnceAndNeverCallsBack)
{
    LogindSessionMonitor monitor(log, bus.connection(), "c1");
    monitor.start([this] { ++returns; });
    monitor.start([this] { ++returns; });

    EXPECT_FALSE(monitor.isWatching());
    EXPECT_EQ(log.lines(), std::vector<std::string>{
                               "[Vardo] systemd-logind not running — session resume will not be noticed"});
    EXPECT_EQ(returns, 0);
}

TEST(LogindSessionMonitorWithoutBusTest, LogsOnceAndNeverCallsBack)
{
    test::ensureCoreApplication();
    MemoryLog log;
    LogindSessionMonitor monitor(log, QDBusConnection(QStringLiteral("vardo-never-connected")), "c1");
    int returns = 0;
    monitor.start([&] { ++returns; });

    EXPECT_FALSE(monitor.isWatching());
    EXPECT_EQ(log.lines(), std::vector<std::string>{
                               "[Vardo] D-Bus system bus not reachable — session resume will not be noticed"});
    EXPECT_EQ(returns, 0);
}

} // namespace
} // namespace vardo
