#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QObject>
#include <QStringList>

namespace vardo::test {

// What a desktop panel offers tray items: org.kde.StatusNotifierWatcher, with a host
// registered, on the test's session bus. It only records who registers.
class StatusNotifierWatcher final : public QObject {
    Q_OBJECT
public:
    explicit StatusNotifierWatcher(QDBusConnection bus);
    ~StatusNotifierWatcher() override;

    bool ok() const { return ok_; }
    // The bus names of the items that registered, in order.
    QStringList items;

private:
    QDBusConnection bus_;
    bool ok_ = false;
};

class StatusNotifierWatcherAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    explicit StatusNotifierWatcherAdaptor(StatusNotifierWatcher *watcher);
    QStringList registeredItems() const { return watcher_->items; }
    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

public slots:
    void RegisterStatusNotifierItem(const QString &service);
    void RegisterStatusNotifierHost(const QString &service);

signals:
    void StatusNotifierItemRegistered(const QString &service);
    void StatusNotifierHostRegistered();

private:
    StatusNotifierWatcher *watcher_;
};

} // namespace vardo::test
