// Runs under tests/support/with-keyring, in a keyring of its own: it locks every
// collection, which cannot be undone without the unlock prompt. The private bus has no
// prompter, so the service's unlock prompt is dismissed at once, as when the user
// refuses to unlock.

// Before any Qt header: GLib's D-Bus headers use "signals" as a name.
#include <libsecret/secret.h>

#include "platform/secret_store_libsecret.h"
#include "tests/support/child_process.h"

#include <gtest/gtest.h>

#include <climits>
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

// A keyring the login password did not open: gnome-keyring loads it from its file locked,
// and shows its items by hashed attributes only until it is unlocked. The item is there;
// the store must say the keyring could not be unlocked, not that the item is missing.
constexpr const char *lockedService = "com.nerova.vardo.test.wrong-password";

TEST(LibsecretSecretStoreStep, StoreInTheKeyringToBeLocked)
{
    if (!test::isChildProcessStep())
        GTEST_SKIP() << "a step of TheItemOfAKeyringTheLoginPasswordDidNotOpenIsNotReportedMissing";
    LibsecretSecretStore store;
    ASSERT_TRUE(store.add(lockedService, "owner", "label", {'[', ']'}).ok());
}

TEST(LibsecretSecretStoreStep, FindInTheKeyringTheWrongPasswordLeftLocked)
{
    if (!test::isChildProcessStep())
        GTEST_SKIP() << "a step of TheItemOfAKeyringTheLoginPasswordDidNotOpenIsNotReportedMissing";
    ASSERT_STREQ(std::getenv("VARDO_TEST_SECRET_SERVICE"), "gnome-keyring-locked");
    LibsecretSecretStore store;
    Bytes found{'k'};
    const SecretStore::Result results[] = {
        store.find(lockedService, "owner", found),
        store.remove(lockedService, "owner"),
    };
    for (const auto &result : results) {
        EXPECT_EQ(result.status, SecretStore::storeError);
        EXPECT_EQ(result.error, "the keyring holding the item could not be unlocked");
    }
    EXPECT_EQ(found, Bytes{'k'});
}

TEST(LibsecretSecretStoreWrongPassword, TheItemOfAKeyringTheLoginPasswordDidNotOpenIsNotReportedMissing)
{
    const char *withKeyring = std::getenv("VARDO_WITH_KEYRING");
    if (!withKeyring)
        GTEST_SKIP() << "runs tests/support/with-keyring itself (VARDO_WITH_KEYRING)";
    char self[PATH_MAX] = {};
    ASSERT_GT(::readlink("/proc/self/exe", self, sizeof self - 1), 0);
    char keyrings[] = "/tmp/vardo-keyrings.XXXXXX";
    ASSERT_TRUE(::mkdtemp(keyrings));

    const auto step = [&](const char *name, bool wrongPassword) {
        std::vector<std::string> argv{withKeyring, "--keyrings", keyrings};
        if (wrongPassword)
            argv.push_back("--wrong-password");
        argv.insert(argv.end(), {"--", self, std::string("--gtest_filter=LibsecretSecretStoreStep.") + name});
        return test::runProcess(argv, {}, {"VARDO_TEST_CHILD_STEP=1"});
    };
    for (const auto &[name, wrongPassword] :
         {std::pair{"StoreInTheKeyringToBeLocked", false}, std::pair{"FindInTheKeyringTheWrongPasswordLeftLocked", true}}) {
        const test::ProcessResult result = step(name, wrongPassword);
        EXPECT_EQ(result.exitCode, 0) << result.output << result.errors;
        EXPECT_NE(result.output.find("[  PASSED  ] 1 test."), std::string::npos) << result.output;
    }
    test::runProcess({"rm", "-rf", keyrings});
}

} // namespace
} // namespace vardo
