#include "platform/fakes/login_session_monitor_fake.h"

namespace vardo {

void FakeLoginSessionMonitor::start(std::function<void()> onSessionActive)
{
    ++startCount_;
    onSessionActive_ = std::move(onSessionActive);
    watching_ = available_;
}

bool FakeLoginSessionMonitor::isWatching() const
{
    return watching_;
}

void FakeLoginSessionMonitor::setSessionAvailable(bool available)
{
    available_ = available;
}

void FakeLoginSessionMonitor::sessionDidBecomeActive()
{
    away_ = false;
    if (watching_ && onSessionActive_)
        onSessionActive_();
}

} // namespace vardo
