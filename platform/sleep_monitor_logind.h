#pragma once

#include <QDBusConnection>
#include <QObject>

namespace vardo {

// systemd-logind's PrepareForSleep signal: the machine is about to suspend or hibernate
// (true) or has just woken (false). Signals arrive on the thread that owns this object.
// Nothing is delayed or inhibited: whoever listens reacts after the fact.
class LogindSleepMonitor final : public QObject {
    Q_OBJECT

public:
    // `bus` is the system bus in production; tests pass a private bus with a stand-in
    // logind. Without a bus or a logind, no signal ever comes.
    explicit LogindSleepMonitor(QDBusConnection bus = QDBusConnection::systemBus(), QObject *parent = nullptr);

    bool isWatching() const { return watching_; }

signals:
    void goingToSleep();
    void wokeUp();

private slots:
    void prepareForSleep(bool start);

private:
    QDBusConnection bus_;
    bool watching_ = false;
};

} // namespace vardo
