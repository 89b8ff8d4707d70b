#include "platform/secret_store_libsecret.h"

#include "platform/dbus_bus_probe.h"

#include <libsecret/secret.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace vardo {

namespace {

constexpr const char *secretServiceName = "org.freedesktop.secrets";
// For the bus daemon's own NameHasOwner; it answers at once or not at all.
constexpr int busCallTimeoutMs = 2000;

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct HashTableUnref {
    void operator()(GHashTable *table) const { g_hash_table_unref(table); }
};
using AttributesPtr = std::unique_ptr<GHashTable, HashTableUnref>;

struct SecretValueUnref {
    void operator()(SecretValue *value) const { secret_value_unref(value); }
};
using SecretValuePtr = std::unique_ptr<SecretValue, SecretValueUnref>;

enum class Store { current, legacy };

const SecretSchema &currentSchema()
{
    // DONT_MATCH_NAME: searches match service and account only, so items stored by
    // secret-tool or by any other writer are found too.
    static const SecretSchema schema = [] {
        SecretSchema s{};
        s.name = LibsecretSecretStore::schemaName;
        s.flags = SECRET_SCHEMA_DONT_MATCH_NAME;
        s.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
        s.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return s;
    }();
    return schema;
}

SecretStore::Result storeFailure(std::string message)
{
    return {SecretStore::storeError, std::move(message)};
}

SecretStore::Result itemNotFound()
{
    return {SecretStore::itemNotFound, {}};
}

// Takes the error. Drops the shared service connection as well, so that the next call
// starts afresh instead of reusing a session of a daemon that may have been replaced.
SecretStore::Result failure(GError *error, const char *fallback)
{
    std::string message = error && error->message && *error->message ? error->message : fallback;
    if (error)
        g_error_free(error);
    secret_service_disconnect();
    return storeFailure(std::move(message));
}

bool sessionBusAddressKnown()
{
    // GLib would fall back to X11 autolaunch, which starts a new bus; only an address
    // that is set, or the per-user socket that systemd and dbus-user-session provide,
    // count.
    const char *address = g_getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address)
        return true;
    const char *runtimeDir = g_getenv("XDG_RUNTIME_DIR");
    if (!runtimeDir || !*runtimeDir)
        return false;
    const std::string socket = std::string(runtimeDir) + "/bus";
    struct stat status;
    return stat(socket.c_str(), &status) == 0 && S_ISSOCK(status.st_mode);
}

// Attributes and labels travel as D-Bus strings, which must be UTF-8.
bool utf8(const std::string &text)
{
    return g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr);
}

GObjectPtr<SecretService> openSecretService(const std::string &service, const std::string &account,
                                            SecretStore::Result &result)
{
    if (!utf8(service) || !utf8(account)) {
        result = storeFailure("the service and account of a secret must be UTF-8 text without NUL");
        return nullptr;
    }
    if (auto reason = LibsecretSecretStore::unavailableReason()) {
        result = storeFailure(*reason);
        return nullptr;
    }
    GError *error = nullptr;
    SecretService *secrets = secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, nullptr, &error);
    if (!secrets) {
        result = failure(error, "cannot connect to the Secret Service");
        return nullptr;
    }
    return GObjectPtr<SecretService>(secrets);
}

// The attributes are borrowed from the arguments, which outlive the table.
AttributesPtr query(const std::string &service, const std::string &account, Store store)
{
    AttributesPtr attributes(g_hash_table_new(g_str_hash, g_str_equal));
    g_hash_table_insert(attributes.get(), const_cast<char *>("service"),
                        const_cast<char *>(service.c_str()));
    g_hash_table_insert(attributes.get(), const_cast<char *>("account"),
                        const_cast<char *>(account.c_str()));
    if (store == Store::legacy)
        g_hash_table_insert(attributes.get(), const_cast<char *>("xdg:schema"),
                            const_cast<char *>(LibsecretSecretStore::legacySchemaName));
    return attributes;
}

bool attributeIs(GHashTable *attributes, const char *name, const char *value)
{
    const auto *actual = static_cast<const char *>(g_hash_table_lookup(attributes, name));
    return actual && std::strcmp(actual, value) == 0;
}

// Checked on every item found, so that neither store ever touches the other's items
// whatever matching the service implements.
bool belongsTo(SecretItem *item, const std::string &service, const std::string &account, Store store)
{
    AttributesPtr attributes(secret_item_get_attributes(item));
    if (!attributes)
        return false;
    const bool legacy = attributeIs(attributes.get(), "xdg:schema", LibsecretSecretStore::legacySchemaName);
    return attributeIs(attributes.get(), "service", service.c_str())
        && attributeIs(attributes.get(), "account", account.c_str())
        && legacy == (store == Store::legacy);
}

SecretStore::Result search(SecretService *secrets, const std::string &service, const std::string &account,
                           Store store, std::vector<GObjectPtr<SecretItem>> &items)
{
    const AttributesPtr attributes = query(service, account, store);
    // The legacy query names its xdg:schema itself; the current one matches any.
    const SecretSchema *schema = store == Store::current ? &currentSchema() : nullptr;
    GError *error = nullptr;
    GList *found = secret_service_search_sync(
        secrets, schema, attributes.get(),
        static_cast<SecretSearchFlags>(SECRET_SEARCH_ALL | SECRET_SEARCH_UNLOCK), nullptr, &error);
    if (error) {
        g_list_free_full(found, g_object_unref);
        return failure(error, "the Secret Service search failed");
    }
    bool lockedUnchecked = false;
    for (GList *node = found; node; node = node->next) {
        GObjectPtr<SecretItem> item(SECRET_ITEM(node->data));
        if (belongsTo(item.get(), service, account, store))
            items.push_back(std::move(item));
        else if (secret_item_get_locked(item.get()))
            lockedUnchecked = true;
    }
    g_list_free(found);
    // A keyring that stayed locked (its unlock refused, or the login password did not
    // open it) shows its items by hashed attributes only. Such an item matched the search
    // and may well be the one asked for: "not found" would be wrong.
    if (items.empty() && lockedUnchecked)
        return storeFailure("the keyring holding the item could not be unlocked");
    return {};
}

const char *objectPath(SecretItem *item)
{
    return g_dbus_proxy_get_object_path(G_DBUS_PROXY(item));
}

// The items of one store with this service and account; itemNotFound when there is none.
SecretStore::Result itemsIn(Store store, const std::string &service, const std::string &account,
                            std::vector<GObjectPtr<SecretItem>> &items)
{
    SecretStore::Result result;
    const auto secrets = openSecretService(service, account, result);
    if (!secrets)
        return result;
    result = search(secrets.get(), service, account, store, items);
    if (!result.ok())
        return result;
    return items.empty() ? itemNotFound() : result;
}

SecretStore::Result findIn(Store store, const std::string &service, const std::string &account, Bytes &secret)
{
    std::vector<GObjectPtr<SecretItem>> items;
    if (auto result = itemsIn(store, service, account, items); !result.ok())
        return result;

    // add() leaves one item, but another writer may have added a second: the newest wins.
    const auto newest = std::max_element(items.begin(), items.end(), [](const auto &a, const auto &b) {
        const auto am = secret_item_get_modified(a.get()), bm = secret_item_get_modified(b.get());
        if (am != bm)
            return am < bm;
        return secret_item_get_created(a.get()) < secret_item_get_created(b.get());
    });
    SecretItem *item = newest->get();
    if (secret_item_get_locked(item))
        return storeFailure("the keyring holding the item is locked");
    GError *error = nullptr;
    if (!secret_item_load_secret_sync(item, nullptr, &error))
        return failure(error, "the item's secret could not be read");
    const SecretValuePtr value(secret_item_get_secret(item));
    if (!value)
        return storeFailure("the Secret Service returned no secret for the item");
    gsize length = 0;
    const gchar *data = secret_value_get(value.get(), &length);
    secret.assign(reinterpret_cast<const std::uint8_t *>(data),
                  reinterpret_cast<const std::uint8_t *>(data) + length);
    return {};
}

SecretStore::Result removeIn(Store store, const std::string &service, const std::string &account)
{
    std::vector<GObjectPtr<SecretItem>> items;
    if (auto result = itemsIn(store, service, account, items); !result.ok())
        return result;
    for (const auto &item : items) {
        GError *error = nullptr;
        if (!secret_item_delete_sync(item.get(), nullptr, &error))
            return failure(error, "the item could not be deleted");
    }
    return {};
}

GObjectPtr<SecretCollection> unlockedDefaultCollection(SecretService *secrets, SecretStore::Result &result)
{
    GError *error = nullptr;
    SecretCollection *collection = secret_collection_for_alias_sync(
        secrets, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE, nullptr, &error);
    if (error) {
        if (collection)
            g_object_unref(collection);
        result = failure(error, "the default keyring could not be opened");
        return nullptr;
    }
    if (!collection) {
        // A fresh account may have no default keyring yet; the service asks the user for
        // its password, as it does for any application's first secret.
        collection = secret_collection_create_sync(secrets, "Login", SECRET_COLLECTION_DEFAULT,
                                                   SECRET_COLLECTION_CREATE_NONE, nullptr, &error);
        if (!collection) {
            result = failure(error, "there is no default keyring and none could be created");
            return nullptr;
        }
    }
    GObjectPtr<SecretCollection> owned(collection);
    if (secret_collection_get_locked(collection)) {
        GList objects{collection, nullptr, nullptr};
        GList *unlocked = nullptr;
        const gint count = secret_service_unlock_sync(secrets, &objects, nullptr, &unlocked, &error);
        g_list_free_full(unlocked, g_object_unref);
        if (error) {
            result = failure(error, "the default keyring could not be unlocked");
            return nullptr;
        }
        if (count == 0) {
            result = storeFailure("the default keyring is locked");
            return nullptr;
        }
    }
    return owned;
}

} // namespace

std::optional<std::string> LibsecretSecretStore::unavailableReason()
{
    if (!sessionBusAddressKnown())
        return std::string("no D-Bus session bus");
    // GLib opens the bus without a time limit: a bus that never answers would hang here.
    if (auto reason = busUnanswered(Bus::session))
        return "cannot use the D-Bus session bus: " + *reason;
    GError *error = nullptr;
    GDBusConnection *bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!bus) {
        std::string message = "cannot connect to the D-Bus session bus: ";
        message += error ? error->message : "unknown error";
        if (error)
            g_error_free(error);
        return message;
    }
    // A lost session bus must not end the process; the store just becomes unavailable.
    g_dbus_connection_set_exit_on_close(bus, FALSE);
    // Asked of the bus itself, which never starts a service for it: an activatable but
    // stopped keyring counts as absent rather than being started (and possibly waited
    // for until the activation times out).
    GVariant *reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
        g_variant_new("(s)", secretServiceName), G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NO_AUTO_START,
        busCallTimeoutMs, nullptr, &error);
    g_object_unref(bus);
    if (!reply) {
        std::string message = "the D-Bus session bus did not answer: ";
        message += error ? error->message : "unknown error";
        if (error)
            g_error_free(error);
        return message;
    }
    gboolean owned = FALSE;
    g_variant_get(reply, "(b)", &owned);
    g_variant_unref(reply);
    if (!owned)
        return std::string("no Secret Service (org.freedesktop.secrets) on the D-Bus session bus");
    return std::nullopt;
}

bool LibsecretSecretStore::available() const
{
    return !unavailableReason();
}

SecretStore::Result LibsecretSecretStore::add(const std::string &service, const std::string &account,
                                              const std::string &label, const Bytes &secret)
{
    Result result;
    if (!utf8(label))
        return storeFailure("the label of a secret must be UTF-8 text without NUL");
    const auto secrets = openSecretService(service, account, result);
    if (!secrets)
        return result;
    const auto collection = unlockedDefaultCollection(secrets.get(), result);
    if (!collection)
        return result;

    const auto *data = reinterpret_cast<const gchar *>(secret.data());
    const auto length = static_cast<gssize>(secret.size());
    // Text shows as text in a keyring manager; anything else is kept as opaque bytes.
    const char *contentType = secret.empty() || g_utf8_validate(data, length, nullptr)
        ? "text/plain"
        : "application/octet-stream";
    const SecretValuePtr value(secret_value_new(secret.empty() ? "" : data, length, contentType));

    const AttributesPtr attributes = query(service, account, Store::current);
    GError *error = nullptr;
    GObjectPtr<SecretItem> item(secret_item_create_sync(collection.get(), &currentSchema(), attributes.get(),
                                                        label.c_str(), value.get(),
                                                        SECRET_ITEM_CREATE_REPLACE, nullptr, &error));
    if (!item)
        return failure(error, "the item could not be stored");

    // Only now that the new item is stored do the others go: items of another writer
    // (other attributes, so not replaced) or in another collection.
    std::vector<GObjectPtr<SecretItem>> items;
    result = search(secrets.get(), service, account, Store::current, items);
    if (!result.ok())
        return result;
    for (const auto &other : items) {
        if (std::strcmp(objectPath(other.get()), objectPath(item.get())) == 0)
            continue;
        if (!secret_item_delete_sync(other.get(), nullptr, &error))
            return failure(error, "an older copy of the item could not be deleted");
    }
    return {};
}

SecretStore::Result LibsecretSecretStore::find(const std::string &service, const std::string &account,
                                               Bytes &secret)
{
    return findIn(Store::current, service, account, secret);
}

SecretStore::Result LibsecretSecretStore::remove(const std::string &service, const std::string &account)
{
    return removeIn(Store::current, service, account);
}

SecretStore::Result LibsecretSecretStore::findLegacy(const std::string &service, const std::string &account,
                                                     Bytes &secret)
{
    return findIn(Store::legacy, service, account, secret);
}

SecretStore::Result LibsecretSecretStore::removeLegacy(const std::string &service, const std::string &account)
{
    return removeIn(Store::legacy, service, account);
}

} // namespace vardo
