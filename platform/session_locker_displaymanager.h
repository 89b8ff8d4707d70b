#pragma once

#include "platform/session_locker.h"

#include <string>
#include <vector>

namespace vardo {

// Suspends the session through the display manager, using the first of these tools that
// exists:
//   dm-tool switch-to-greeter   LightDM: the greeter on a new display, session kept
//   gdmflexiserver              GDM: locks the session and shows the login screen
//   loginctl lock-session       systemd-logind: asks the desktop's own locker to lock
// A tool "exists" when a file of that name is in one of the search directories, even
// when it is not executable: such a tool is found and then fails to launch, which the
// caller reports with the launch error.
class DisplayManagerSessionLocker final : public SessionLocker {
public:
    // Searches $PATH followed by the usual system directories.
    DisplayManagerSessionLocker();
    // Searches only `searchDirectories`, in order.
    explicit DisplayManagerSessionLocker(std::vector<std::string> searchDirectories);

    std::optional<std::string> toolPath() const override;
    LaunchResult launch() override;

    // $PATH's absolute directories followed by /usr/local/bin, /usr/bin, /bin, /usr/sbin, /sbin.
    static std::vector<std::string> defaultSearchDirectories();

private:
    std::vector<std::string> searchDirectories_;
};

} // namespace vardo
