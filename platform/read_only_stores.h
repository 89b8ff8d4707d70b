#pragma once

#include "platform/defaults_store.h"
#include "platform/secret_store.h"

namespace vardo {

// Views of the real stores that read through and silently drop every write, for
// commands that inspect the state without changing it.
class ReadOnlyDefaultsStore final : public DefaultsStore {
public:
    explicit ReadOnlyDefaultsStore(const DefaultsStore &inner) : inner_(inner) {}
    std::optional<DefaultsValue> object(const std::string &key) const override { return inner_.object(key); }
    void set(const std::string &, DefaultsValue) override {}
    void remove(const std::string &) override {}
    std::vector<std::string> keys() const override { return inner_.keys(); }

private:
    const DefaultsStore &inner_;
};

class ReadOnlySecretStore final : public SecretStore {
public:
    explicit ReadOnlySecretStore(SecretStore &inner) : inner_(inner) {}
    bool available() const override { return inner_.available(); }
    Result add(const std::string &, const std::string &, const std::string &, const Bytes &) override { return {}; }
    Result find(const std::string &service, const std::string &account, Bytes &secret) override
    {
        return inner_.find(service, account, secret);
    }
    Result remove(const std::string &, const std::string &) override { return {}; }
    Result findLegacy(const std::string &service, const std::string &account, Bytes &secret) override
    {
        return inner_.findLegacy(service, account, secret);
    }
    Result removeLegacy(const std::string &, const std::string &) override { return {}; }

private:
    SecretStore &inner_;
};

} // namespace vardo
