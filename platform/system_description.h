#pragma once

#include <string>

namespace vardo {

// What a problem report says about the system the application runs on.
struct SystemDescription {
    std::string distribution; // "Debian GNU/Linux 12 (bookworm)"
    std::string sessionType;  // "x11", "wayland", "tty"; empty when unknown
    std::string desktop;      // "GNOME", "KDE", ...; empty when unknown
};

class SystemDescriber {
public:
    virtual ~SystemDescriber() = default;
    virtual SystemDescription describe() = 0;
};

// Reads /etc/os-release (then /usr/lib/os-release) and the session's XDG_SESSION_TYPE
// and XDG_CURRENT_DESKTOP.
class LinuxSystemDescriber final : public SystemDescriber {
public:
    explicit LinuxSystemDescriber(std::string osReleaseFolder = "/");
    SystemDescription describe() override;

private:
    std::string root_;
};

} // namespace vardo
