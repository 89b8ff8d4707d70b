#include "platform/fakes/secret_store_fake.h"

#include <gtest/gtest.h>

namespace vardo {
namespace {

const Bytes data{0x5b, 0x00, 0xff, 0x5d};
const Bytes other{'x'};

TEST(MemorySecretStoreItems, AddFindRemoveRoundTrip)
{
    MemorySecretStore store;
    EXPECT_TRUE(store.available());
    EXPECT_TRUE(store.add("svc", "owner", "label", data).ok());
    Bytes found;
    EXPECT_TRUE(store.find("svc", "owner", found).ok());
    EXPECT_EQ(found, data);
    EXPECT_TRUE(store.remove("svc", "owner").ok());
    EXPECT_EQ(store.find("svc", "owner", found).status, SecretStore::itemNotFound);
}

TEST(MemorySecretStoreItems, AddReplacesSecretAndLabel)
{
    MemorySecretStore store;
    store.add("svc", "owner", "first", data);
    store.add("svc", "owner", "second", other);
    EXPECT_EQ(store.item("svc", "owner"), other);
    EXPECT_EQ(store.label("svc", "owner"), "second");
    EXPECT_EQ(store.itemCount(), 1u);
}

TEST(MemorySecretStoreItems, MissingItemsReportItemNotFoundAndLeaveTheOutputAlone)
{
    MemorySecretStore store;
    store.add("svc", "a", "", data);
    Bytes found = other;
    const auto result = store.find("svc", "b", found);
    EXPECT_EQ(result.status, SecretStore::itemNotFound);
    EXPECT_TRUE(result.error.empty());
    EXPECT_EQ(found, other);
    EXPECT_EQ(store.remove("other", "a").status, SecretStore::itemNotFound);
    EXPECT_EQ(store.findLegacy("svc", "a", found).status, SecretStore::itemNotFound);
    EXPECT_EQ(store.removeLegacy("svc", "a").status, SecretStore::itemNotFound);
}

TEST(MemorySecretStoreLegacy, LegacyAndCurrentItemsAreSeparate)
{
    MemorySecretStore store;
    store.addLegacy("svc", "owner", other);
    Bytes found;
    EXPECT_EQ(store.find("svc", "owner", found).status, SecretStore::itemNotFound);
    EXPECT_TRUE(store.findLegacy("svc", "owner", found).ok());
    EXPECT_EQ(found, other);

    store.add("svc", "owner", "", data);
    EXPECT_TRUE(store.removeLegacy("svc", "owner").ok());
    EXPECT_EQ(store.item("svc", "owner"), data);
    EXPECT_FALSE(store.legacyItem("svc", "owner"));
}

TEST(MemorySecretStoreFailures, WithoutSecretServiceEveryCallFailsAndNothingChanges)
{
    MemorySecretStore store;
    store.add("svc", "owner", "", data);
    store.addLegacy("svc", "owner", other);
    store.setAvailable(false);
    EXPECT_FALSE(store.available());

    Bytes found;
    for (const auto &result : {store.add("svc", "owner", "", other), store.find("svc", "owner", found),
                               store.remove("svc", "owner"), store.findLegacy("svc", "owner", found),
                               store.removeLegacy("svc", "owner")}) {
        EXPECT_EQ(result.status, SecretStore::storeError);
        EXPECT_EQ(result.error, MemorySecretStore::unavailableError);
    }
    EXPECT_TRUE(found.empty());

    store.setAvailable(true);
    EXPECT_EQ(store.item("svc", "owner"), data);
    EXPECT_EQ(store.legacyItem("svc", "owner"), other);
}

TEST(MemorySecretStoreFailures, InjectedFailureKeepsTheStoreAvailable)
{
    MemorySecretStore store;
    store.setFailure("Cannot unlock the keyring");
    EXPECT_TRUE(store.available());
    const auto result = store.add("svc", "owner", "", data);
    EXPECT_EQ(result.status, SecretStore::storeError);
    EXPECT_EQ(result.error, "Cannot unlock the keyring");
    EXPECT_EQ(store.itemCount(), 0u);
    store.setFailure(std::nullopt);
    EXPECT_TRUE(store.add("svc", "owner", "", data).ok());
}

TEST(MemorySecretStoreCalls, CountsEveryCallFailedOrNot)
{
    MemorySecretStore store;
    Bytes found;
    store.add("svc", "owner", "", data);
    store.find("svc", "owner", found);
    store.find("svc", "missing", found);
    store.remove("svc", "owner");
    store.findLegacy("svc", "owner", found);
    store.setAvailable(false);
    store.removeLegacy("svc", "owner");
    store.add("svc", "owner", "", data);
    const auto &calls = store.calls();
    EXPECT_EQ(calls.add, 2);
    EXPECT_EQ(calls.find, 2);
    EXPECT_EQ(calls.remove, 1);
    EXPECT_EQ(calls.findLegacy, 1);
    EXPECT_EQ(calls.removeLegacy, 1);
    store.resetCalls();
    EXPECT_EQ(store.calls().add, 0);
}

} // namespace
} // namespace vardo
