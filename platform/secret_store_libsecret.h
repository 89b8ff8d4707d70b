#pragma once

#include "platform/secret_store.h"

#include <optional>
#include <string>

namespace vardo {

// The freedesktop Secret Service (gnome-keyring, KWallet, KeePassXC...) through libsecret.
//
// Items are written to the user's default collection (normally "login", unlocked with
// the login session and never exported) with the schema "com.nerova.vardo.Secret",
// which gives them the attributes service, account and xdg:schema. They are found by
// service and account alone, whoever stored them, in any collection, so
//     secret-tool store --label=x service S account A
//     secret-tool lookup service S account A
//     secret-tool search --all service S
//     secret-tool clear service S account A
// work on the application's items and the application reads items stored that way.
//
// add() leaves exactly one current item for the service and account: the new one in the
// default collection; any other current item for them, in any collection, is deleted
// after the new one is stored (so a failure never leaves nothing). find() returns the
// secret bytes exactly as stored (text/plain for UTF-8, application/octet-stream for
// anything else). Locked items are unlocked through the service, which may ask the user;
// if that is refused, or the keyring stays locked for another reason (a login password
// that did not open it), the call fails with storeError, never with itemNotFound.
//
// The older store is told apart by its schema: an item whose xdg:schema attribute is
// "com.nerova.vardo.Keychain" (legacySchemaName) belongs to it, every other item with
// the service and account to the current store. findLegacy()/removeLegacy() look only
// at items carrying that attribute and add() never writes it, so removeLegacy() cannot
// delete what add() wrote; find()/remove() skip legacy items.
//
// Without a Secret Service on the session bus (no bus, or nobody owns
// org.freedesktop.secrets) available() is false and every call returns storeError at
// once: the name is checked without D-Bus activation before each call, so nothing is
// started and nothing waits for an activation timeout. Nothing is ever written anywhere
// else. Calls are synchronous; use them from one thread (the main thread).
class LibsecretSecretStore final : public SecretStore {
public:
    static constexpr const char *schemaName = "com.nerova.vardo.Secret";
    static constexpr const char *legacySchemaName = "com.nerova.vardo.Keychain";

    bool available() const override;

    Result add(const std::string &service, const std::string &account, const std::string &label,
               const Bytes &secret) override;
    Result find(const std::string &service, const std::string &account, Bytes &secret) override;
    Result remove(const std::string &service, const std::string &account) override;

    Result findLegacy(const std::string &service, const std::string &account, Bytes &secret) override;
    Result removeLegacy(const std::string &service, const std::string &account) override;

    // Why the store cannot be used right now ("no session bus", "no Secret Service on the
    // session bus"...), or nothing when it can. For the one log line at start.
    static std::optional<std::string> unavailableReason();
};

} // namespace vardo
