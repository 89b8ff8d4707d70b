#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace vardo::test {

// A D-Bus daemon of the test's own, listening in a temporary directory, that nothing
// else knows about: the machine's system and session buses are never touched, so the
// tests run the same on a desktop, headless, as root and in CI.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();

    PrivateBus(const PrivateBus &) = delete;
    PrivateBus &operator=(const PrivateBus &) = delete;

    // False when the daemon could not be started; error() says why.
    bool ok() const { return connected_; }
    const QString &error() const { return error_; }

    QString address() const { return address_; }
    // The test's connection to the bus.
    QDBusConnection connection() const;

private:
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
    QString connectionName_;
    QString error_;
    bool connected_ = false;
};

} // namespace vardo::test
