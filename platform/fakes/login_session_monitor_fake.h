#pragma once

#include "platform/login_session_monitor.h"

namespace vardo {

// A session that returns when the test says so.
class FakeLoginSessionMonitor final : public LoginSessionMonitor {
public:
    void start(std::function<void()> onSessionActive) override;
    bool isWatching() const override;
    bool isSessionAway() const override { return watching_ && away_; }

    // False: behave like a machine without a session manager (start() finds nothing).
    void setSessionAvailable(bool available);

    // The session goes to the greeter or is locked (what a working session tool does).
    void sessionWentAway() { away_ = true; }
    // One return to the session: runs the callback when started on an available session.
    void sessionDidBecomeActive();

    int startCount() const { return startCount_; }

private:
    std::function<void()> onSessionActive_;
    bool available_ = true;
    bool watching_ = false;
    bool away_ = false;
    int startCount_ = 0;
};

} // namespace vardo
