// Runs under tests/support/with-keyring --without-secrets (a session bus on which the
// keyring could be D-Bus activated but is not running) and --no-bus (no session bus at
// all). CTest gives it less time than one D-Bus activation timeout, so any attempt to
// start or wait for a Secret Service fails it.

#include "platform/secret_store_libsecret.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace vardo {
namespace {

class NoSecretServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char *kind = std::getenv("VARDO_TEST_SECRET_SERVICE");
        if (!kind || std::string(kind) != "none")
            GTEST_SKIP() << "needs tests/support/with-keyring --without-secrets or --no-bus";
    }

    LibsecretSecretStore store;
};

TEST_F(NoSecretServiceTest, StoreReportsItselfUnavailableWithAReason)
{
    EXPECT_FALSE(store.available());
    const auto reason = LibsecretSecretStore::unavailableReason();
    ASSERT_TRUE(reason);
    EXPECT_FALSE(reason->empty());
}

TEST_F(NoSecretServiceTest, EveryCallFailsWithStoreErrorAndTheReason)
{
    const std::string reason = LibsecretSecretStore::unavailableReason().value_or("");
    Bytes found{'k', 'e', 'e', 'p'};
    const SecretStore::Result results[] = {
        store.add("com.nerova.vardo.face-embeddings-v2", "owner", "label", {'[', ']'}),
        store.find("com.nerova.vardo.face-embeddings-v2", "owner", found),
        store.remove("com.nerova.vardo.face-embeddings-v2", "owner"),
        store.findLegacy("com.nerova.vardo.face-embeddings-v2", "owner", found),
        store.removeLegacy("com.nerova.vardo.face-embeddings-v2", "owner"),
    };
    for (const auto &result : results) {
        EXPECT_EQ(result.status, SecretStore::storeError);
        EXPECT_EQ(result.error, reason);
    }
    EXPECT_EQ(found, (Bytes{'k', 'e', 'e', 'p'}));
}

TEST_F(NoSecretServiceTest, CallsNeverStartTheSecretService)
{
    Bytes found;
    store.add("com.nerova.vardo.state", "failed_attempts", "label", {'1'});
    store.find("com.nerova.vardo.state", "failed_attempts", found);
    // Had a call activated the keyring daemon, the name would now have an owner.
    EXPECT_FALSE(store.available());
}

} // namespace
} // namespace vardo
