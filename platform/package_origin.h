#pragma once

#include <optional>
#include <string>

namespace vardo {

// Which installed package a file belongs to: where the application and its models come
// from, for the security sheet and the problem report.
struct PackageInfo {
    std::string name;
    std::string version;
};

class PackageOrigin {
public:
    virtual ~PackageOrigin() = default;
    // The package that installed `path`; nothing when no package did (a build of one's
    // own, a file made at set-up) or when the package database cannot be asked. May
    // take a moment: call it off the main thread.
    virtual std::optional<PackageInfo> packageOwning(const std::string &path) = 0;
};

// Debian's package database, through dpkg-query.
class DpkgPackageOrigin final : public PackageOrigin {
public:
    std::optional<PackageInfo> packageOwning(const std::string &path) override;
};

} // namespace vardo
