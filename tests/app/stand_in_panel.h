#pragma once

// A desktop panel as a tray item meets it: the StatusNotifierWatcher it registers with,
// and the menu read and clicked over com.canonical.dbusmenu.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

namespace vardo::test {

// A call that waits for its reply with the event loop running: the application may be
// calling the test's stand-in panel at the same time, and a blocking call would hold up
// the panel's answer.
QDBusMessage call(QDBusConnection &bus, const QDBusMessage &message);

// One entry of a menu exported over com.canonical.dbusmenu, as a desktop's panel reads it.
struct DBusMenuItem {
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuItem> children;

    QString label() const { return properties.value(QStringLiteral("label")).toString(); }
    bool isSeparator() const { return properties.value(QStringLiteral("type")).toString() == QLatin1String("separator"); }
    // Absent properties take the defaults of the dbusmenu protocol.
    bool isEnabled() const { return properties.value(QStringLiteral("enabled"), true).toBool(); }
    bool isVisible() const { return properties.value(QStringLiteral("visible"), true).toBool(); }
    QString toggleType() const { return properties.value(QStringLiteral("toggle-type")).toString(); }
    int toggleState() const { return properties.value(QStringLiteral("toggle-state"), -1).toInt(); }
};

// The menu of the tray item `itemService` on `bus`: its Menu property, then GetLayout.
class DBusMenu {
public:
    DBusMenu(QDBusConnection bus, QString itemService);

    // The whole tree; nothing when the item or its menu does not answer.
    std::optional<DBusMenuItem> layout(QString *error = nullptr);
    // The item's own properties (IconPixmap, Title, ...).
    QVariant itemProperty(const QString &name);
    // What a panel sends when the user clicks `id`.
    bool click(int id);

private:
    QDBusConnection bus_;
    QString service_;
    QString menuPath_;
};

// What a desktop panel offers tray items: org.kde.StatusNotifierWatcher, with a host
// registered, on the test's session bus. It only records who registers.
class StatusNotifierWatcher final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems MEMBER items)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
public:
    explicit StatusNotifierWatcher(QDBusConnection bus);
    ~StatusNotifierWatcher() override;

    bool ok() const { return ok_; }
    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    // The bus names of the items that registered, in order.
    QStringList items;

public slots:
    void RegisterStatusNotifierItem(const QString &service);
    void RegisterStatusNotifierHost(const QString &) { emit StatusNotifierHostRegistered(); }

signals:
    void StatusNotifierItemRegistered(const QString &service);
    void StatusNotifierHostRegistered();

private:
    QDBusConnection bus_;
    bool ok_ = false;
};

} // namespace vardo::test
