#include "platform/fakes/secret_store_fake.h"

namespace vardo {

bool MemorySecretStore::available() const
{
    return available_;
}

std::optional<SecretStore::Result> MemorySecretStore::failure() const
{
    if (!available_)
        return Result{storeError, unavailableError};
    if (failure_)
        return Result{storeError, *failure_};
    return std::nullopt;
}

SecretStore::Result MemorySecretStore::add(const std::string &service, const std::string &account,
                                           const std::string &label, const Bytes &secret)
{
    ++calls_.add;
    if (auto failed = failure())
        return *failed;
    items_[{service, account}] = Item{label, secret};
    return {};
}

SecretStore::Result MemorySecretStore::find(const std::string &service, const std::string &account,
                                            Bytes &secret)
{
    ++calls_.find;
    if (auto failed = failure())
        return *failed;
    const auto it = items_.find({service, account});
    if (it == items_.end())
        return {itemNotFound, {}};
    secret = it->second.secret;
    return {};
}

SecretStore::Result MemorySecretStore::remove(const std::string &service, const std::string &account)
{
    ++calls_.remove;
    if (auto failed = failure())
        return *failed;
    return items_.erase({service, account}) ? Result{} : Result{itemNotFound, {}};
}

SecretStore::Result MemorySecretStore::findLegacy(const std::string &service, const std::string &account,
                                                  Bytes &secret)
{
    ++calls_.findLegacy;
    if (auto failed = failure())
        return *failed;
    const auto it = legacyItems_.find({service, account});
    if (it == legacyItems_.end())
        return {itemNotFound, {}};
    secret = it->second;
    return {};
}

SecretStore::Result MemorySecretStore::removeLegacy(const std::string &service, const std::string &account)
{
    ++calls_.removeLegacy;
    if (auto failed = failure())
        return *failed;
    return legacyItems_.erase({service, account}) ? Result{} : Result{itemNotFound, {}};
}

void MemorySecretStore::setAvailable(bool available)
{
    available_ = available;
}

void MemorySecretStore::setFailure(std::optional<std::string> error)
{
    failure_ = std::move(error);
}

void MemorySecretStore::addLegacy(const std::string &service, const std::string &account, const Bytes &secret)
{
    legacyItems_[{service, account}] = secret;
}

std::optional<Bytes> MemorySecretStore::item(const std::string &service, const std::string &account) const
{
    const auto it = items_.find({service, account});
    return it == items_.end() ? std::nullopt : std::optional<Bytes>(it->second.secret);
}

std::optional<std::string> MemorySecretStore::label(const std::string &service, const std::string &account) const
{
    const auto it = items_.find({service, account});
    return it == items_.end() ? std::nullopt : std::optional<std::string>(it->second.label);
}

std::optional<Bytes> MemorySecretStore::legacyItem(const std::string &service, const std::string &account) const
{
    const auto it = legacyItems_.find({service, account});
    return it == legacyItems_.end() ? std::nullopt : std::optional<Bytes>(it->second);
}

} // namespace vardo
