#pragma once

#include "tests/support/private_bus.h"

#include <QDBusMessage>
#include <QProcess>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

namespace vardo::test {

// python-dbusmock's systemd-logind (template "logind") on a private bus, and the calls
// that drive it. The mock is a separate process; it leaves with the object.
class LogindMock {
public:
    static constexpr const char *sessionInterface = "org.freedesktop.login1.Session";

    LogindMock() = default;
    ~LogindMock();

    LogindMock(const LogindMock &) = delete;
    LogindMock &operator=(const LogindMock &) = delete;

    // Starts the mock on `bus` and waits until it owns org.freedesktop.login1.
    bool start(const PrivateBus &bus);
    const QString &error() const { return error_; }

    static QString sessionPath(const QString &id);

    // A session of user 1000 on seat0; its object path.
    QString addSession(const QString &id, bool active = true);
    // Changes session properties; the mock sends PropertiesChanged before it replies.
    bool setSessionProperties(const QString &id, const QVariantMap &properties);
    bool emitUnlock(const QString &id);
    // The machine is about to sleep (true) or has woken (false).
    bool emitPrepareForSleep(bool start);
    // Adds a method to org.freedesktop.login1.Manager, its body in Python.
    bool addManagerMethod(const QString &name, const QString &inSignature,
                          const QString &outSignature, const QString &code);

    // Delivers everything the mock has sent so far to its receivers in this thread: a
    // round trip to the mock comes back after every signal sent before it, and the
    // signals then wait only in this thread's event queue.
    void deliverPendingSignals();

private:
    // Calls the mock's own interface; error() holds the failure, `returned` the first result.
    bool callMock(const QString &path, const QString &method, const QVariantList &arguments,
                  QVariant *returned = nullptr);

    QDBusConnection bus_{QString()};
    QProcess mock_;
    QString error_;
};

} // namespace vardo::test
