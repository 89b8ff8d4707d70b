#pragma once

// The simulated platform with the real Secret Service through the libsecret adapter.

#include "replay/simulated_platform.h"
#include "engine/vardo_service.h"
#include "platform/secret_store_libsecret.h"

#include <cstdlib>
#include <memory>
#include <string>

namespace vardo::test {

// "gnome-keyring", "none", or empty when not started by tests/support/with-keyring.
inline std::string secretServiceUnderTest()
{
    const char *kind = std::getenv("VARDO_TEST_SECRET_SERVICE");
    return kind ? kind : "";
}

// A clock reading handed from a test to the process of one of its steps.
inline constexpr const char *startTimeVariable = "VARDO_TEST_START_TIME";

inline double startTimeFromEnvironment(double fallback)
{
    const char *text = std::getenv(startTimeVariable);
    return text && *text ? std::strtod(text, nullptr) : fallback;
}

struct RealSecretStorePlatform {
    explicit RealSecretStorePlatform(double startSeconds) : simulated(startSeconds) {}

    PlatformServices services() { return simulated.services({.secrets = &secrets}); }

    // A start of the application, as the previous one (if any) ends.
    VardoService &start(std::unique_ptr<VardoService> &service)
    {
        service.reset();
        service = std::make_unique<VardoService>(services(), simulated.modules());
        simulated.time.runUntilIdle();
        return *service;
    }

    SimulatedPlatform simulated;
    LibsecretSecretStore secrets;
};

} // namespace vardo::test
