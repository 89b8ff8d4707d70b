#pragma once

#include <functional>

namespace vardo {

// Tells when the user is back in the login session: after returning from the login
// screen, or after the session was unlocked. One callback per return, on the main
// thread.
class LoginSessionMonitor {
public:
    virtual ~LoginSessionMonitor() = default;

    // Starts watching; a second call only replaces the callback. When there is nothing
    // to watch (no session manager, no session) the monitor says so once in the log and
    // the callback never runs.
    virtual void start(std::function<void()> onSessionActive) = 0;

    // True after start() found a session to watch.
    virtual bool isWatching() const = 0;

    // True while the watched session is away from its user: switched away from (the
    // greeter is shown) or locked by the desktop's locker. False when not watching.
    virtual bool isSessionAway() const = 0;
};

} // namespace vardo
