#include "tests/app/stand_in_panel.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusPendingCall>
#include <QDateTime>
#include <QtTest/QTest>

namespace vardo::test {

QDBusMessage call(QDBusConnection &bus, const QDBusMessage &message)
{
    QDBusPendingCall pending = bus.asyncCall(message, 10000);
    if (!QTest::qWaitFor([&] { return pending.isFinished(); }, 15000))
        return QDBusMessage::createError(QStringLiteral("org.freedesktop.DBus.Error.NoReply"), QStringLiteral("no reply"));
    return pending.reply();
}

namespace {

void readItem(const QDBusArgument &argument, DBusMenuItem &item)
{
    argument.beginStructure();
    argument >> item.id >> item.properties;
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        DBusMenuItem childItem;
        readItem(child.variant().value<QDBusArgument>(), childItem);
        item.children.append(childItem);
    }
    argument.endArray();
    argument.endStructure();
}

} // namespace

DBusMenu::DBusMenu(QDBusConnection bus, QString itemService) : bus_(std::move(bus)), service_(std::move(itemService)) {}

QVariant DBusMenu::itemProperty(const QString &name)
{
    QDBusMessage get = QDBusMessage::createMethodCall(service_, QStringLiteral("/StatusNotifierItem"),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << QStringLiteral("org.kde.StatusNotifierItem") << name;
    const QDBusMessage reply = call(bus_, get);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().front().value<QDBusVariant>().variant();
}

std::optional<DBusMenuItem> DBusMenu::layout(QString *error)
{
    if (menuPath_.isEmpty())
        menuPath_ = itemProperty(QStringLiteral("Menu")).value<QDBusObjectPath>().path();
    if (menuPath_.isEmpty()) {
        if (error)
            *error = QStringLiteral("the tray item has no Menu property");
        return std::nullopt;
    }
    QDBusMessage message = QDBusMessage::createMethodCall(service_, menuPath_, QStringLiteral("com.canonical.dbusmenu"),
                                                          QStringLiteral("GetLayout"));
    message << 0 << -1 << QStringList();
    const QDBusMessage reply = call(bus_, message);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() < 2) {
        if (error)
            *error = reply.errorMessage();
        return std::nullopt;
    }
    DBusMenuItem root;
    readItem(reply.arguments().at(1).value<QDBusArgument>(), root);
    return root;
}

bool DBusMenu::click(int id)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service_, menuPath_, QStringLiteral("com.canonical.dbusmenu"),
                                                          QStringLiteral("Event"));
    message << id << QStringLiteral("clicked") << QVariant::fromValue(QDBusVariant(0))
         << static_cast<uint>(QDateTime::currentSecsSinceEpoch());
    return call(bus_, message).type() == QDBusMessage::ReplyMessage;
}

StatusNotifierWatcher::StatusNotifierWatcher(QDBusConnection bus) : bus_(std::move(bus))
{
    ok_ = bus_.registerObject(QStringLiteral("/StatusNotifierWatcher"), this,
                              QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals
                                  | QDBusConnection::ExportAllProperties)
          && bus_.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
}

StatusNotifierWatcher::~StatusNotifierWatcher()
{
    bus_.unregisterService(QStringLiteral("org.kde.StatusNotifierWatcher"));
    bus_.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
}

void StatusNotifierWatcher::RegisterStatusNotifierItem(const QString &service)
{
    items.append(service);
    emit StatusNotifierItemRegistered(service);
}

} // namespace vardo::test
