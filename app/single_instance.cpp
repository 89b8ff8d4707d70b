#include "app/single_instance.h"

#include "app/application_bus.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QThread>

namespace vardo {

namespace {

// The first instance takes its name before it builds the engine and publishes its
// object only afterwards; a second start that comes in between waits this long.
constexpr int objectWaitMs = 10000;
constexpr int retryIntervalMs = 100;

} // namespace

SingleInstance::SingleInstance(QDBusConnection bus) : bus_(std::move(bus)) {}

SingleInstance::Claim SingleInstance::claim()
{
    if (!bus_.isConnected() || !bus_.interface())
        return Claim::noBus;
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = bus_.interface()->registerService(
        QLatin1String(applicationBusName), QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered)
        return Claim::owned;
    return bus_.interface()->isServiceRegistered(QLatin1String(applicationBusName)) ? Claim::runningElsewhere
                                                                                   : Claim::noBus;
}

SingleInstance::Answer SingleInstance::showRunningWindow()
{
    const QDBusMessage call =
        QDBusMessage::createMethodCall(QLatin1String(applicationBusName), QLatin1String(applicationObjectPath),
                                       QLatin1String(applicationInterfaceName), QStringLiteral("ShowWindow"));
    for (int waited = 0;; waited += retryIntervalMs) {
        const QDBusMessage reply = bus_.call(call, QDBus::Block, 5000);
        if (reply.type() == QDBusMessage::ReplyMessage)
            return Answer::shown;
        if (reply.errorName() == QLatin1String("com.nerova.vardo.Error.ScreenCovered"))
            return Answer::screenCovered;
        const bool notYetPublished = reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.UnknownObject")
                                     || reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod")
                                     || reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.UnknownInterface");
        if (!notYetPublished || waited >= objectWaitMs)
            return Answer::none;
        QThread::msleep(retryIntervalMs);
    }
}

bool SingleInstance::publish(QObject *object)
{
    return bus_.registerObject(QLatin1String(applicationObjectPath), object, QDBusConnection::ExportAdaptors);
}

} // namespace vardo
