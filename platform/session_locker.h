#pragma once

#include <optional>
#include <string>

namespace vardo {

// Suspends the login session: the display switches to the login screen while the
// user's session keeps running behind it. The caller decides what to do when there is
// no tool or the launch fails (it falls back to its own lock overlay), and logs it.
class SessionLocker {
public:
    struct LaunchResult {
        bool started = false;
        std::string error; // the launch error's own text; empty when started
        bool ok() const { return started; }
    };

    virtual ~SessionLocker() = default;

    // Absolute path of the tool that launch() would run; nothing when no tool exists.
    virtual std::optional<std::string> toolPath() const = 0;

    // Starts the tool and returns at once, without waiting for it to finish.
    virtual LaunchResult launch() = 0;
};

} // namespace vardo
