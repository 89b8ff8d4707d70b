#pragma once

#include "platform/secret_store.h"

#include <map>
#include <optional>
#include <string>
#include <utility>

namespace vardo {

// Everything in memory, for tests: current and legacy items side by side, switches for
// the failures of a real store and counters of the calls made.
class MemorySecretStore final : public SecretStore {
public:
    // The text every call reports while the store is switched off.
    static constexpr const char *unavailableError =
        "no Secret Service (org.freedesktop.secrets) on the D-Bus session bus";

    bool available() const override;
    Result add(const std::string &service, const std::string &account, const std::string &label,
               const Bytes &secret) override;
    Result find(const std::string &service, const std::string &account, Bytes &secret) override;
    Result remove(const std::string &service, const std::string &account) override;
    Result findLegacy(const std::string &service, const std::string &account, Bytes &secret) override;
    Result removeLegacy(const std::string &service, const std::string &account) override;

    // As with no Secret Service running: available() false, every call storeError with
    // unavailableError, nothing stored or changed. Items kept so far stay.
    void setAvailable(bool available);
    // While set, every call fails with storeError and this text although available()
    // stays true, as with a keyring the user refuses to unlock.
    void setFailure(std::optional<std::string> error);

    // Puts an item into the older store, as an earlier version would have left it.
    void addLegacy(const std::string &service, const std::string &account, const Bytes &secret);

    // Direct looks at the contents, not counted as calls.
    std::optional<Bytes> item(const std::string &service, const std::string &account) const;
    std::optional<std::string> label(const std::string &service, const std::string &account) const;
    std::optional<Bytes> legacyItem(const std::string &service, const std::string &account) const;
    std::size_t itemCount() const { return items_.size(); }

    // Calls made through the SecretStore interface, failed ones included.
    struct Calls {
        int add = 0;
        int find = 0;
        int remove = 0;
        int findLegacy = 0;
        int removeLegacy = 0;
    };
    const Calls &calls() const { return calls_; }
    void resetCalls() { calls_ = {}; }

private:
    struct Item {
        std::string label;
        Bytes secret;
    };
    using Key = std::pair<std::string, std::string>;

    std::optional<Result> failure() const;

    std::map<Key, Item> items_;
    std::map<Key, Bytes> legacyItems_;
    bool available_ = true;
    std::optional<std::string> failure_;
    Calls calls_;
};

} // namespace vardo
