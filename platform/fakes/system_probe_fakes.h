#pragma once

#include "platform/package_origin.h"
#include "platform/system_description.h"

#include <map>

namespace vardo {

// A system description set by the test.
class FakeSystemDescriber final : public SystemDescriber {
public:
    SystemDescription description{"Debian GNU/Linux 12 (bookworm)", "x11", "GNOME"};
    SystemDescription describe() override { return description; }
};

// Package ownership set by the test: path → package.
class FakePackageOrigin final : public PackageOrigin {
public:
    std::map<std::string, PackageInfo> owners;
    std::optional<PackageInfo> packageOwning(const std::string &path) override
    {
        const auto it = owners.find(path);
        return it == owners.end() ? std::nullopt : std::optional<PackageInfo>(it->second);
    }
};

} // namespace vardo
