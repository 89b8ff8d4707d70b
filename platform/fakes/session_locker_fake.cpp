#include "platform/fakes/session_locker_fake.h"

namespace vardo {

std::optional<std::string> FakeSessionLocker::toolPath() const
{
    return toolPath_;
}

SessionLocker::LaunchResult FakeSessionLocker::launch()
{
    ++launchCount_;
    if (!toolPath_)
        return {false, "no session lock tool found"};
    if (!launchError_.empty())
        return {false, launchError_};
    if (onLaunch)
        onLaunch();
    return {true, {}};
}

void FakeSessionLocker::setToolPath(std::optional<std::string> path)
{
    toolPath_ = std::move(path);
}

void FakeSessionLocker::setLaunchError(std::string error)
{
    launchError_ = std::move(error);
}

} // namespace vardo
