// Runs under tests/support/with-keyring, in a keyring of its own: it locks every
// collection, which cannot be undone without the unlock prompt. The private bus has no
// prompter, so the service's unlock prompt is dismissed at once, as when the user
// refuses to unlock.

#include "platform/secret_store_libsecret.h"

#include <gtest/gtest.h>
#include <libsecret/secret.h>

#include <cstdlib>
#include <string>

namespace vardo {
namespace {

void lockAllCollections()
{
    GError *error = nullptr;
    SecretService *service = secret_service_get_sync(SECRET_SERVICE_LOAD_COLLECTIONS, nullptr, &error);
    ASSERT_TRUE(service) << error->message;
    GList *collections = secret_service_get_collections(service);
    const gint locked = secret_service_lock_sync(service, collections, nullptr, nullptr, &error);
    g_list_free_full(collections, g_object_unref);
    g_object_unref(service);
    ASSERT_EQ(error, nullptr) << error->message;
    ASSERT_GT(locked, 0);
}

TEST(LibsecretSecretStoreLocked, RefusedUnlockFailsEveryCallWithTheServicesReason)
{
    const char *kind = std::getenv("VARDO_TEST_SECRET_SERVICE");
    if (!kind || std::string(kind) != "gnome-keyring")
        GTEST_SKIP() << "needs the private keyring of tests/support/with-keyring";

    LibsecretSecretStore store;
    const std::string service = "com.nerova.vardo.test.locked";
    ASSERT_TRUE(store.add(service, "owner", "label", {'[', ']'}).ok());
    lockAllCollections();

    EXPECT_TRUE(store.available());
    Bytes found{'k'};
    const SecretStore::Result results[] = {
        store.find(service, "owner", found),
        store.add(service, "owner", "label", {'x'}),
        store.remove(service, "owner"),
    };
    for (const auto &result : results) {
        EXPECT_EQ(result.status, SecretStore::storeError);
        EXPECT_FALSE(result.error.empty());
    }
    EXPECT_EQ(found, Bytes{'k'});
}

} // namespace
} // namespace vardo
