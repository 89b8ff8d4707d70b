#include "platform/system_description.h"

#include <cstdlib>
#include <fstream>

namespace vardo {

namespace {

// The value of KEY= in an os-release file, without its quotes.
std::string osReleaseValue(const std::string &path, const std::string &key)
{
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        if (!line.starts_with(key + "="))
            continue;
        std::string value = line.substr(key.size() + 1);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return value;
    }
    return {};
}

std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

} // namespace

LinuxSystemDescriber::LinuxSystemDescriber(std::string osReleaseFolder) : root_(std::move(osReleaseFolder)) {}

SystemDescription LinuxSystemDescriber::describe()
{
    SystemDescription d;
    for (const char *file : {"etc/os-release", "usr/lib/os-release"}) {
        d.distribution = osReleaseValue(root_ + "/" + file, "PRETTY_NAME");
        if (!d.distribution.empty())
            break;
    }
    d.sessionType = environment("XDG_SESSION_TYPE");
    d.desktop = environment("XDG_CURRENT_DESKTOP");
    return d;
}

} // namespace vardo
