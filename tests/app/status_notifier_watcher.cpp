#include "tests/app/status_notifier_watcher.h"

namespace vardo::test {

StatusNotifierWatcher::StatusNotifierWatcher(QDBusConnection bus) : bus_(std::move(bus))
{
    new StatusNotifierWatcherAdaptor(this);
    ok_ = bus_.registerObject(QStringLiteral("/StatusNotifierWatcher"), this)
          && bus_.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
}

StatusNotifierWatcher::~StatusNotifierWatcher()
{
    bus_.unregisterService(QStringLiteral("org.kde.StatusNotifierWatcher"));
    bus_.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
}

StatusNotifierWatcherAdaptor::StatusNotifierWatcherAdaptor(StatusNotifierWatcher *watcher)
    : QDBusAbstractAdaptor(watcher), watcher_(watcher)
{
}

void StatusNotifierWatcherAdaptor::RegisterStatusNotifierItem(const QString &service)
{
    watcher_->items.append(service);
    emit StatusNotifierItemRegistered(service);
}

void StatusNotifierWatcherAdaptor::RegisterStatusNotifierHost(const QString &)
{
    emit StatusNotifierHostRegistered();
}

} // namespace vardo::test
