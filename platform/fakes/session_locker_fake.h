#pragma once

#include "platform/session_locker.h"

#include <functional>

namespace vardo {

// A session tool that exists and launches unless told otherwise, and counts launches.
// Nothing is run.
class FakeSessionLocker final : public SessionLocker {
public:
    static constexpr const char *defaultToolPath = "/usr/bin/dm-tool";

    std::optional<std::string> toolPath() const override;
    LaunchResult launch() override;

    // Nothing: no tool exists.
    void setToolPath(std::optional<std::string> path);
    // Non-empty: every launch fails with this text.
    void setLaunchError(std::string error);

    int launchCount() const { return launchCount_; }

    // Runs at each successful launch: what the tool does to the session. Nothing set, the
    // tool starts and locks nothing.
    std::function<void()> onLaunch;

private:
    std::optional<std::string> toolPath_ = std::string(defaultToolPath);
    std::string launchError_;
    int launchCount_ = 0;
};

} // namespace vardo
