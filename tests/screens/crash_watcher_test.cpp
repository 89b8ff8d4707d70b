// The lock outlives its process: the overlay probe (real windows off screen, the real
// watcher) on python-dbusmock's logind, killed with -9.

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

    std::optional<QString> ask(const char *command, const char *answer)
    {
        probe.write(QByteArray(command) + '\n');
        return expect(answer);
    }

    // Starts the watcher and kills the probe as a crash would; returns the watcher's pid.
    pid_t killProbeWithWatcherRunning()
    {
        const auto pid = ask("watcher", "watcher");
        EXPECT_TRUE(pid && pid->toInt() > 0);
        ::kill(static_cast<pid_t>(probe.processId()), SIGKILL);
        return pid ? pid->toInt() : 0;
    }

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

    // After that nothing more can be called.
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
    ASSERT_TRUE(ask("lock", "covered"));
    const pid_t watcher = killProbeWithWatcherRunning();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !lockSessionCalls().isEmpty(); }, waitMs));
    EXPECT_TRUE(watcherEnded(watcher));
    EXPECT_EQ(lockSessionCalls(), QStringList{sessionId});
}

TEST_F(CrashWatcher, AfterAnUnlockOrWithOnlyTheGuardUpNothingIsLocked)
{
    startProbe();
    ASSERT_TRUE(ask("lock", "covered"));
    ASSERT_TRUE(ask("unlock owner-password", "unlocked"));
    ASSERT_TRUE(ask("guard 3", "guarded"));
    EXPECT_TRUE(watcherEnded(killProbeWithWatcherRunning()));
    EXPECT_TRUE(lockSessionCalls().isEmpty());
}

} // namespace
} // namespace vardo::test
