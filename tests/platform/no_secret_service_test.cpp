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

TEST(NoSecretService, EveryCallFailsWithTheReasonAndNoneStartsTheService)
{
    const char *kind = std::getenv("VARDO_TEST_SECRET_SERVICE");
    if (!kind || std::string(kind) != "none")
        GTEST_SKIP() << "needs tests/support/with-keyring --without-secrets or --no-bus";
    LibsecretSecretStore store;
    EXPECT_FALSE(store.available());
    const std::string reason = LibsecretSecretStore::unavailableReason().value_or("");
    EXPECT_FALSE(reason.empty());

    const std::string service = "com.nerova.vardo.face-embeddings-v2";
    Bytes found{'k', 'e', 'e', 'p'};
    const SecretStore::Result results[] = {
        store.add(service, "owner", "label", {'[', ']'}), store.find(service, "owner", found),
        store.remove(service, "owner"), store.findLegacy(service, "owner", found),
        store.removeLegacy(service, "owner"),
    };
    for (const auto &result : results) {
        EXPECT_EQ(result.status, SecretStore::storeError);
        EXPECT_EQ(result.error, reason);
    }
    EXPECT_EQ(found, (Bytes{'k', 'e', 'e', 'p'}));
    // Had a call activated the keyring daemon, the name would now have an owner.
    EXPECT_FALSE(store.available());
}

} // namespace
} // namespace vardo
