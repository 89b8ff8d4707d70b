#include "tests/support/private_bus.h"

#include <QDBusConnectionInterface>
#include <QFile>

#include <atomic>

namespace vardo::test {

namespace {

// No service directories: nothing can be activated on this bus, so a name is owned
// only when a test started its owner.
const char *const busConfig = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

constexpr int startTimeoutMs = 30000;

} // namespace

PrivateBus::PrivateBus()
{
    if (!dir_.isValid()) {
        error_ = QStringLiteral("no temporary directory: ") + dir_.errorString();
        return;
    }
    const QString configPath = dir_.filePath(QStringLiteral("bus.conf"));
    QFile config(configPath);
    if (!config.open(QIODevice::WriteOnly)
        || config.write(QString::fromLatin1(busConfig).arg(dir_.path()).toUtf8()) < 0) {
        error_ = QStringLiteral("cannot write ") + configPath;
        return;
    }
    config.close();

    daemon_.setProgram(QStringLiteral("dbus-daemon"));
    daemon_.setArguments({QStringLiteral("--config-file=") + configPath, QStringLiteral("--nofork"),
                          QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    daemon_.setProcessChannelMode(QProcess::SeparateChannels);
    daemon_.start();
    if (!daemon_.waitForStarted(startTimeoutMs)) {
        error_ = QStringLiteral("dbus-daemon did not start (Debian package dbus-daemon): ")
                 + daemon_.errorString();
        return;
    }
    while (!daemon_.canReadLine()) {
        if (!daemon_.waitForReadyRead(startTimeoutMs)) {
            error_ = QStringLiteral("dbus-daemon printed no address: ")
                     + QString::fromLocal8Bit(daemon_.readAllStandardError());
            return;
        }
    }
    address_ = QString::fromLocal8Bit(daemon_.readLine()).trimmed();

    static std::atomic<int> serial{0};
    connectionName_ = QStringLiteral("vardo-private-bus-%1").arg(++serial);
    const QDBusConnection bus = QDBusConnection::connectToBus(address_, connectionName_);
    if (!bus.isConnected()) {
        error_ = QStringLiteral("cannot connect to the private bus at ") + address_ + QStringLiteral(": ")
                 + bus.lastError().message();
        return;
    }
    connected_ = true;
}

PrivateBus::~PrivateBus()
{
    if (!connectionName_.isEmpty())
        QDBusConnection::disconnectFromBus(connectionName_);
    if (daemon_.state() != QProcess::NotRunning) {
        daemon_.terminate();
        if (!daemon_.waitForFinished(startTimeoutMs))
            daemon_.kill();
        daemon_.waitForFinished(startTimeoutMs);
    }
}

QDBusConnection PrivateBus::connection() const
{
    return QDBusConnection(connectionName_);
}

} // namespace vardo::test
