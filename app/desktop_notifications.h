#pragma once

#include <QObject>
#include <QTimer>


namespace vardo {

class LogindSleepMonitor;
class VardoService;

// The desktop's notifications, told to the engine in its own words: the application
// losing the focus ("resign active"), screens added, removed or changed (one call for
// a burst of changes), the machine going to sleep and waking (systemd-logind's
// PrepareForSleep).
class DesktopNotifications final : public QObject {
    Q_OBJECT

public:
    DesktopNotifications(VardoService &service, LogindSleepMonitor &sleep, QObject *parent = nullptr);

private:
    VardoService &service_;
    QTimer screensChanged_;
    bool wasActive_ = false;
};

} // namespace vardo
