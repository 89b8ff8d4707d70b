// nerova-vardo-lock-watcher: started by Nerova Vardo with the reading end of a pipe as
// its standard input. "1" means the lock overlay is up, "0" that it is not. When the
// pipe closes (Nerova Vardo ended: a crash, kill -9, a lost display) while the lock is
// up, it asks systemd-logind to lock this login session, so the screen does not open
// because the process that covered it is gone. Then, or when the pipe closes while
// the lock is down, it ends.
//
// The bus connection and the session are found at start, so the lock itself is one call.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

const QString login1 = QStringLiteral("org.freedesktop.login1");
const QString managerPath = QStringLiteral("/org/freedesktop/login1");
const QString managerInterface = QStringLiteral("org.freedesktop.login1.Manager");
constexpr int callTimeoutMs = 2000;

void say(const QString &line)
{
    std::printf("[Vardo] %s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

// The session's id: the one the desktop gave the application, else the session of the
// process that started the watcher.
QString findSession(QDBusConnection &bus, pid_t application)
{
    if (const QString id = qEnvironmentVariable("XDG_SESSION_ID"); !id.isEmpty())
        return id;
    QDBusMessage byPid = QDBusMessage::createMethodCall(login1, managerPath, managerInterface,
                                                        QStringLiteral("GetSessionByPID"));
    byPid << static_cast<uint>(application);
    const QDBusReply<QDBusObjectPath> path = bus.call(byPid, QDBus::Block, callTimeoutMs);
    if (!path.isValid())
        return {};
    QDBusMessage getId = QDBusMessage::createMethodCall(login1, path.value().path(),
                                                        QStringLiteral("org.freedesktop.DBus.Properties"),
                                                        QStringLiteral("Get"));
    getId << QStringLiteral("org.freedesktop.login1.Session") << QStringLiteral("Id");
    const QDBusReply<QDBusVariant> id = bus.call(getId, QDBus::Block, callTimeoutMs);
    return id.isValid() ? id.value().variant().toString() : QString();
}

// Blocks until the pipe closes; true when the lock was up at that moment.
bool lockWasUpWhenThePipeClosed()
{
    bool armed = false;
    char commands[64];
    while (true) {
        const ssize_t n = ::read(STDIN_FILENO, commands, sizeof commands);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return armed;
        for (ssize_t i = 0; i < n; ++i) {
            if (commands[i] == '1')
                armed = true;
            else if (commands[i] == '0')
                armed = false;
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    // The application's terminal going away is no reason to stop watching.
    std::signal(SIGHUP, SIG_IGN);
    std::signal(SIGINT, SIG_IGN);
    const pid_t application = ::getppid();
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::systemBus();
    const QString session = bus.isConnected() ? findSession(bus, application) : QString();

    if (!lockWasUpWhenThePipeClosed())
        return 0;
    if (!bus.isConnected()) {
        say(QStringLiteral("Nerova Vardo ended while the screen was locked, and the D-Bus system bus is not "
                           "reachable — the session could not be locked"));
        return 1;
    }
    if (session.isEmpty()) {
        say(QStringLiteral("Nerova Vardo ended while the screen was locked, and systemd-logind knows no session "
                           "for it — the session could not be locked"));
        return 1;
    }
    QDBusMessage lock = QDBusMessage::createMethodCall(login1, managerPath, managerInterface,
                                                       QStringLiteral("LockSession"));
    lock << session;
    const QDBusMessage reply = bus.call(lock, QDBus::Block, callTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        say(QStringLiteral("Nerova Vardo ended while the screen was locked; locking session %1 failed: %2")
                .arg(session, reply.errorMessage()));
        return 1;
    }
    say(QStringLiteral("Nerova Vardo ended while the screen was locked — session %1 locked through systemd-logind")
            .arg(session));
    return 0;
}
