#include "tests/support/logind_mock.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QProcessEnvironment>
#include <QtTest/QTest>

namespace vardo::test {

namespace {

const QString login1Service = QStringLiteral("org.freedesktop.login1");
const QString managerPath = QStringLiteral("/org/freedesktop/login1");
const QString mockInterface = QStringLiteral("org.freedesktop.DBus.Mock");

constexpr int startTimeoutMs = 60000;
constexpr int callTimeoutMs = 30000;

} // namespace

LogindMock::~LogindMock()
{
    if (mock_.state() != QProcess::NotRunning) {
        mock_.terminate();
        if (!mock_.waitForFinished(startTimeoutMs))
            mock_.kill();
        mock_.waitForFinished(startTimeoutMs);
    }
}

bool LogindMock::start(const PrivateBus &bus)
{
    bus_ = bus.connection();

    // The template belongs on the system bus, so the private bus stands in for it.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), bus.address());
    mock_.setProcessEnvironment(environment);
    mock_.setProgram(QStringLiteral("/usr/bin/python3"));
    mock_.setArguments({QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--system"),
                        QStringLiteral("--template"), QStringLiteral("logind")});
    mock_.setProcessChannelMode(QProcess::MergedChannels);
    mock_.start();
    if (!mock_.waitForStarted(startTimeoutMs)) {
        error_ = QStringLiteral("/usr/bin/python3 did not start: ") + mock_.errorString();
        return false;
    }

    const bool owned = QTest::qWaitFor(
        [&] {
            return mock_.state() == QProcess::NotRunning
                   || bus_.interface()->isServiceRegistered(login1Service).value();
        },
        startTimeoutMs);
    if (!owned || mock_.state() == QProcess::NotRunning) {
        error_ = QStringLiteral("the logind mock did not come up (Debian package python3-dbusmock): ")
                 + QString::fromLocal8Bit(mock_.readAll());
        return false;
    }
    return true;
}

QString LogindMock::sessionPath(const QString &id)
{
    return QStringLiteral("/org/freedesktop/login1/session/") + id;
}

bool LogindMock::callMock(const QString &path, const QString &method, const QVariantList &arguments,
                          QVariant *returned)
{
    QDBusMessage call = QDBusMessage::createMethodCall(login1Service, path, mockInterface, method);
    call.setArguments(arguments);
    const QDBusMessage reply = bus_.call(call, QDBus::Block, callTimeoutMs);
    error_ = reply.errorMessage();
    if (returned)
        *returned = reply.arguments().value(0);
    return reply.type() == QDBusMessage::ReplyMessage;
}

QString LogindMock::addSession(const QString &id, bool active)
{
    QVariant path;
    return callMock(managerPath, QStringLiteral("AddSession"),
                    {id, QStringLiteral("seat0"), QVariant::fromValue(1000u), QStringLiteral("owner"), active}, &path)
               ? path.toString()
               : QString();
}

bool LogindMock::setSessionProperties(const QString &id, const QVariantMap &properties)
{
    return callMock(sessionPath(id), QStringLiteral("UpdateProperties"),
                    {QString::fromLatin1(sessionInterface), properties});
}

bool LogindMock::emitUnlock(const QString &id)
{
    return callMock(sessionPath(id), QStringLiteral("EmitSignal"),
                    {QString::fromLatin1(sessionInterface), QStringLiteral("Unlock"), QString(),
                     QVariant::fromValue(QVariantList())});
}

bool LogindMock::emitPrepareForSleep(bool start)
{
    return callMock(managerPath, QStringLiteral("EmitSignal"),
                    {QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
                     QStringLiteral("b"), QVariant::fromValue(QVariantList{start})});
}

bool LogindMock::addManagerMethod(const QString &name, const QString &inSignature,
                                  const QString &outSignature, const QString &code)
{
    return callMock(managerPath, QStringLiteral("AddMethod"),
                    {QStringLiteral("org.freedesktop.login1.Manager"), name, inSignature, outSignature, code});
}

void LogindMock::deliverPendingSignals()
{
    QDBusMessage ping = QDBusMessage::createMethodCall(login1Service, managerPath,
                                                      QStringLiteral("org.freedesktop.DBus.Peer"),
                                                      QStringLiteral("Ping"));
    bus_.call(ping, QDBus::Block, callTimeoutMs);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

} // namespace vardo::test
