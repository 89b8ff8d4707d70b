#pragma once

#include "platform/log_sink.h"
#include "platform/login_session_monitor.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <string>

namespace vardo {

// Watches this process's login session on systemd-logind. The user is back when the
// session becomes present again, present meaning Active and not LockedHint: the switch
// to the greeter makes the session inactive, and a desktop locker (the one
// "loginctl lock-session" wakes) marks it LockedHint until it has been unlocked. An
// Unlock signal from logind while the session is present counts as a return too; while
// it is not, the return is the edge back to present, so one return is reported once.
//
// Callbacks run on the thread that owns this object (the main thread).
class LogindSessionMonitor final : public QObject, public LoginSessionMonitor {
    Q_OBJECT

public:
    // `bus` is the system bus in production; tests pass a private bus. `sessionId` is
    // logind's id of the session (XDG_SESSION_ID); when it is empty or unknown the
    // session is looked up by this process's pid, then as logind's "auto" session.
    explicit LogindSessionMonitor(LogSink &log,
                                  QDBusConnection bus = QDBusConnection::systemBus(),
                                  std::string sessionId = sessionIdFromEnvironment());

    void start(std::function<void()> onSessionActive) override;
    bool isWatching() const override;
    bool isSessionAway() const override { return isWatching() && !isPresent(); }

    // The watched session's object path; empty when not watching.
    QString sessionPath() const { return sessionPath_; }

    static std::string sessionIdFromEnvironment();

private slots:
    void propertiesChanged(const QString &interface, const QVariantMap &changed,
                           const QStringList &invalidated);
    void unlockSignalled();

private:
    QString findSession();
    bool watch(const QString &path);
    bool isPresent() const { return active_ && !lockedHint_; }
    void report();

    LogSink &log_;
    QDBusConnection bus_;
    std::string sessionId_;
    std::function<void()> onSessionActive_;
    bool started_ = false;
    QString sessionPath_;
    bool active_ = false;
    bool lockedHint_ = false;
};

} // namespace vardo
