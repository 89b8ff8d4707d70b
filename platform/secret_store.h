#pragma once

#include "platform/defaults_store.h" // Bytes

#include <string>

namespace vardo {

// Small secrets kept by the user's secret store, each found by its service and account
// (the generic-password items of a keychain). Calls are synchronous.
class SecretStore {
public:
    // Status codes of every call. Any other failure of the store maps to storeError,
    // with the store's own words in SecretResult::error.
    static constexpr int success = 0;
    static constexpr int itemNotFound = -25300;
    static constexpr int storeError = -25291;

    struct Result {
        int status = success;
        std::string error; // empty on success and on itemNotFound
        bool ok() const { return status == success; }
    };

    virtual ~SecretStore() = default;

    // False when no store is reachable at all (no Secret Service on the session bus).
    virtual bool available() const = 0;

    virtual Result add(const std::string &service, const std::string &account,
                       const std::string &label, const Bytes &secret) = 0;
    virtual Result find(const std::string &service, const std::string &account,
                        Bytes &secret) = 0;
    virtual Result remove(const std::string &service, const std::string &account) = 0;

    // The older store, which earlier versions wrote to. Only read and deleted.
    virtual Result findLegacy(const std::string &service, const std::string &account,
                              Bytes &secret) = 0;
    virtual Result removeLegacy(const std::string &service, const std::string &account) = 0;
};

} // namespace vardo
