#pragma once

#include <QDBusConnection>
#include <QString>

namespace vardo {

class LogSink;

// One running Nerova Vardo per session: the first start owns the well-known name on
// the session bus; a later start finds it owned, asks the running one to show its
// window and leaves. Without a session bus (a text console, ssh) nothing is enforced.
class SingleInstance {
public:
    enum class Claim {
        owned,            // this process is the application
        runningElsewhere, // another process owns the name
        noBus,            // no session bus: run anyway
    };

    explicit SingleInstance(QDBusConnection bus);

    Claim claim();

    enum class Answer {
        shown,
        screenCovered, // the running one has a lock or guard screen up: no window now
        none,          // nobody answered
    };
    // Asks the owner of the name to show its main window. Waits for its object if the
    // owner has only just taken the name.
    Answer showRunningWindow();

    // Publishes `object` (with its adaptor) at the application's object path. Call
    // after claim() returned owned.
    bool publish(QObject *object);

    QDBusConnection &bus() { return bus_; }

private:
    QDBusConnection bus_;
};

} // namespace vardo
