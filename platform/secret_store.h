#pragma once

#include "platform/defaults_store.h" // Bytes

#include <string>

namespace vardo {

// Small secrets kept by the user's secret store, each found by its service and account
// (the generic-password items of a keychain). Calls are synchronous.
class SecretStore {
public:
    // Status codes of every call. Any other failure of the store (no store running, a
    // locked keyring the user refuses to unlock, a D-Bus failure) maps to storeError,
    // with the store's own words in Result::error.
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

    // add() replaces any item of the same service and account. find() and remove()
    // report itemNotFound when there is none (callers of remove() may ignore it); find()
    // changes `secret` only on success.
    virtual Result add(const std::string &service, const std::string &account,
                       const std::string &label, const Bytes &secret) = 0;
    virtual Result find(const std::string &service, const std::string &account,
                        Bytes &secret) = 0;
    virtual Result remove(const std::string &service, const std::string &account) = 0;

    // The older store, which earlier versions wrote to. Only read and deleted, and kept
    // apart from the current one: removeLegacy() never deletes an item add() wrote.
    virtual Result findLegacy(const std::string &service, const std::string &account,
                              Bytes &secret) = 0;
    virtual Result removeLegacy(const std::string &service, const std::string &account) = 0;
};

} // namespace vardo
