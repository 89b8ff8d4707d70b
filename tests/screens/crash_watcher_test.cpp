// The lock outlives its process: the overlay probe (real windows off screen, the real
// watcher) on python-dbusmock's logind. A kill -9 while locked must end in LockSession
// for the probe's session; a kill while only the guard is up, or a quit after an
// unlock, must not.

#include "tests/screens/screens_world.h"
#include "tests/support/logind_mock.h"
#include "tests/support/private_bus.h"

#include <QDBusArgument>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/types.h>

namespace vardo::test {
namespace {

constexpr int waitMs = 30000;
const QString sessionId = QStringLiteral("c7");

class CrashWatcher : public ::testing::Test {
protected:
    void SetUp() override
    {
        screensWorld();
        ASSERT_TRUE(bus.ok()) << bus.error().toStdString();
        ASSERT_TRUE(logind.start(bus)) << logind.error().toStdString();
        ASSERT_FALSE(logind.addSession(sessionId).isEmpty()) << logind.error().toStdString();
    }

    void TearDown() override
    {
        if (probe.state() != QProcess::NotRunning) {
            probe.kill();
            probe.waitForFinished(waitMs);
        }
    }

    void startProbe()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), bus.address());
        environment.insert(QStringLiteral("XDG_SESSION_ID"), sessionId);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        probe.setProcessEnvironment(environment);
        probe.setProgram(QStringLiteral(VARDO_BINARY_DIR "/tests/screens/overlay_probe"));
        probe.start();
        ASSERT_TRUE(probe.waitForStarted(waitMs));
        ASSERT_TRUE(expect("ready"));
    }

    // Waits for a line of the probe that starts with `word`; returns the rest.
    std::optional<QString> expect(const char *word)
    {
        while (true) {
            while (!probe.canReadLine())
                if (!probe.waitForReadyRead(waitMs))
                    return std::nullopt;
            const QString line = QString::fromUtf8(probe.readLine()).trimmed();
            if (line.startsWith(QLatin1String(word)))
                return line.mid(static_cast<int>(qstrlen(word))).trimmed();
        }
    }

    void send(const char *line) { probe.write(QByteArray(line) + '\n'); }

    QStringList lockSessionCalls()
    {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("GetMethodCalls"));
        call << QStringLiteral("LockSession");
        const QDBusMessage reply = bus.connection().call(call, QDBus::Block, waitMs);
        QStringList sessions;
        const QDBusArgument calls = reply.arguments().value(0).value<QDBusArgument>();
        calls.beginArray();
        while (!calls.atEnd()) {
            quint64 time = 0;
            QVariantList arguments;
            calls.beginStructure();
            calls >> time >> arguments;
            calls.endStructure();
            sessions << arguments.value(0).toString();
        }
        calls.endArray();
        return sessions;
    }

    // The watcher ended: after that nothing more can be called.
    bool watcherEnded(pid_t pid)
    {
        return QTest::qWaitFor([&] { return ::kill(pid, 0) != 0; }, waitMs);
    }

    PrivateBus bus;
    LogindMock logind;
    QProcess probe;
};

TEST_F(CrashWatcher, AKillWhileLockedLocksTheSession)
{
    startProbe();
    send("lock");
    ASSERT_TRUE(expect("covered"));
    send("watcher");
    const auto pid = expect("watcher");
    ASSERT_TRUE(pid && pid->toInt() > 0);

    ::kill(static_cast<pid_t>(probe.processId()), SIGKILL);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !lockSessionCalls().isEmpty(); }, waitMs));
    EXPECT_TRUE(watcherEnded(pid->toInt()));
    EXPECT_EQ(lockSessionCalls(), QStringList{sessionId});
}

TEST_F(CrashWatcher, AfterAnUnlockOrWithOnlyTheGuardUpNothingIsLocked)
{
    startProbe();
    send("lock");
    ASSERT_TRUE(expect("covered"));
    send("unlock owner-password");
    ASSERT_TRUE(expect("unlocked"));
    send("guard 3");
    ASSERT_TRUE(expect("guarded"));
    send("watcher");
    const auto pid = expect("watcher");
    ASSERT_TRUE(pid && pid->toInt() > 0);

    ::kill(static_cast<pid_t>(probe.processId()), SIGKILL);
    EXPECT_TRUE(watcherEnded(pid->toInt()));
    EXPECT_TRUE(lockSessionCalls().isEmpty());
}

} // namespace
} // namespace vardo::test
