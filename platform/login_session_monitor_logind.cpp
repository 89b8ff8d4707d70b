#include "platform/login_session_monitor_logind.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>

#include <cstdlib>
#include <unistd.h>

namespace vardo {

namespace {

const QString login1Service = QStringLiteral("org.freedesktop.login1");
const QString managerPath = QStringLiteral("/org/freedesktop/login1");
const QString managerInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString sessionInterface = QStringLiteral("org.freedesktop.login1.Session");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
// logind's alias for the caller's own session. Its signals are sent on the session's
// real path only, so it is used just to learn the session's id.
const QString autoSessionPath = QStringLiteral("/org/freedesktop/login1/session/auto");

// logind answers in milliseconds; the bound only keeps a wedged daemon from holding up
// the start of the application for Qt's default 25 s.
constexpr int callTimeoutMs = 3000;

} // namespace

LogindSessionMonitor::LogindSessionMonitor(LogSink &log, QDBusConnection bus, std::string sessionId)
    : log_(log), bus_(std::move(bus)), sessionId_(std::move(sessionId))
{
}

std::string LogindSessionMonitor::sessionIdFromEnvironment()
{
    const char *id = std::getenv("XDG_SESSION_ID");
    return id ? std::string(id) : std::string();
}

bool LogindSessionMonitor::isWatching() const
{
    return !sessionPath_.isEmpty();
}

void LogindSessionMonitor::start(std::function<void()> onSessionActive)
{
    onSessionActive_ = std::move(onSessionActive);
    if (started_)
        return;
    started_ = true;

    if (!bus_.isConnected()) {
        log_.write("[Vardo] D-Bus system bus not reachable — session resume will not be noticed");
        return;
    }
    QDBusMessage hasOwner = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                           QStringLiteral("/org/freedesktop/DBus"),
                                                           QStringLiteral("org.freedesktop.DBus"),
                                                           QStringLiteral("NameHasOwner"));
    hasOwner << login1Service;
    const QDBusReply<bool> running = bus_.call(hasOwner, QDBus::Block, callTimeoutMs);
    if (!running.isValid() || !running.value()) {
        log_.write("[Vardo] systemd-logind not running — session resume will not be noticed");
        return;
    }
    sessionPath_ = findSession();
    if (sessionPath_.isEmpty())
        log_.write("[Vardo] No login session found on systemd-logind — session resume will not be noticed");
}

QString LogindSessionMonitor::findSession()
{
    auto callManager = [this](const QString &method, const QVariant &argument) -> QString {
        QDBusMessage call =
            QDBusMessage::createMethodCall(login1Service, managerPath, managerInterface, method);
        call << argument;
        const QDBusReply<QDBusObjectPath> reply = bus_.call(call, QDBus::Block, callTimeoutMs);
        return reply.isValid() ? reply.value().path() : QString();
    };

    if (!sessionId_.empty()) {
        if (const QString path = callManager(QStringLiteral("GetSession"),
                                             QString::fromStdString(sessionId_));
            !path.isEmpty() && watch(path))
            return path;
    }

    if (const QString path = callManager(QStringLiteral("GetSessionByPID"),
                                         QVariant::fromValue(static_cast<uint>(::getpid())));
        !path.isEmpty() && watch(path))
        return path;

    QDBusMessage getId =
        QDBusMessage::createMethodCall(login1Service, autoSessionPath, propertiesInterface,
                                       QStringLiteral("Get"));
    getId << sessionInterface << QStringLiteral("Id");
    const QDBusReply<QDBusVariant> id = bus_.call(getId, QDBus::Block, callTimeoutMs);
    if (id.isValid()) {
        if (const QString path = callManager(QStringLiteral("GetSession"), id.value().variant());
            !path.isEmpty() && watch(path))
            return path;
    }
    return {};
}

bool LogindSessionMonitor::watch(const QString &path)
{
    // Subscribed before the state is read, so no change falls between the two.
    const bool subscribed =
        bus_.connect(login1Service, path, propertiesInterface, QStringLiteral("PropertiesChanged"),
                     this, SLOT(propertiesChanged(QString, QVariantMap, QStringList)))
        && bus_.connect(login1Service, path, sessionInterface, QStringLiteral("Unlock"), this,
                        SLOT(unlockSignalled()));

    QDBusMessage getAll = QDBusMessage::createMethodCall(login1Service, path, propertiesInterface,
                                                         QStringLiteral("GetAll"));
    getAll << sessionInterface;
    const QDBusReply<QVariantMap> state = bus_.call(getAll, QDBus::Block, callTimeoutMs);

    if (subscribed && state.isValid()) {
        active_ = state.value().value(QStringLiteral("Active")).toBool();
        lockedHint_ = state.value().value(QStringLiteral("LockedHint")).toBool();
        return true;
    }
    bus_.disconnect(login1Service, path, propertiesInterface, QStringLiteral("PropertiesChanged"),
                    this, SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
    bus_.disconnect(login1Service, path, sessionInterface, QStringLiteral("Unlock"), this,
                    SLOT(unlockSignalled()));
    return false;
}

void LogindSessionMonitor::propertiesChanged(const QString &interface, const QVariantMap &changed,
                                             const QStringList &)
{
    // logind sends the new values of Active and LockedHint with the signal; it never
    // only invalidates them.
    if (interface != sessionInterface)
        return;
    const bool wasPresent = isPresent();
    if (const auto it = changed.find(QStringLiteral("Active")); it != changed.end())
        active_ = it->toBool();
    if (const auto it = changed.find(QStringLiteral("LockedHint")); it != changed.end())
        lockedHint_ = it->toBool();
    if (!wasPresent && isPresent())
        report();
}

void LogindSessionMonitor::unlockSignalled()
{
    // While the session is away the return is reported by the edge above instead.
    if (isPresent())
        report();
}

void LogindSessionMonitor::report()
{
    if (onSessionActive_)
        onSessionActive_();
}

} // namespace vardo
