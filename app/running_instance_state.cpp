#include "app/running_instance_state.h"

#include "app/application_bus.h"
#include "engine/service_state_json.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QJsonValue>
#include <QMetaProperty>

namespace vardo {

std::optional<QString> runningInstanceStateJson(QDBusConnection bus)
{
    if (!bus.isConnected() || !bus.interface()
        || !bus.interface()->isServiceRegistered(QLatin1String(applicationBusName)))
        return std::nullopt;
    QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(applicationBusName),
                                                       QLatin1String(applicationObjectPath),
                                                       QStringLiteral("org.freedesktop.DBus.Properties"),
                                                       QStringLiteral("GetAll"));
    call << QLatin1String(applicationInterfaceName);
    const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    const QVariantMap values = qdbus_cast<QVariantMap>(reply.arguments().front());
    QStringList members;
    const QMetaObject &meta = ApplicationBusAdaptor::staticMetaObject;
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i) {
        const QString name = QString::fromLatin1(meta.property(i).name());
        if (!values.contains(name))
            continue;
        members << QLatin1Char('"') + name + QStringLiteral("\":")
                       + compactJson(QJsonValue::fromVariant(values.value(name)));
    }
    return QLatin1Char('{') + members.join(QLatin1Char(',')) + QLatin1Char('}');
}

} // namespace vardo
