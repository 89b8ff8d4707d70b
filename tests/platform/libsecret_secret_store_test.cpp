// A real gnome-keyring on a private bus (tests/support/with-keyring); skipped otherwise so
// that it never writes to a developer's own keyring.

// Before any Qt header: GLib's D-Bus headers use "signals" as a name.
#include <libsecret/secret.h>

#include "platform/secret_item_labels.h"
#include "platform/secret_store_libsecret.h"
#include "tests/support/child_process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <numeric>
#include <string>

namespace vardo {
namespace {

using test::runProcess;

bool underPrivateKeyring()
{
    const char *kind = std::getenv("VARDO_TEST_SECRET_SERVICE");
    return kind && std::string(kind) == "gnome-keyring";
}

Bytes bytes(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

std::string text(const Bytes &data)
{
    return std::string(data.begin(), data.end());
}

// How an earlier version of the application stored its items: same service and account,
// its own schema name.
void storeLegacyItem(const std::string &service, const std::string &account, const std::string &secret)
{
    SecretSchema schema{};
    schema.name = LibsecretSecretStore::legacySchemaName;
    schema.flags = SECRET_SCHEMA_NONE;
    schema.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
    schema.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
    GError *error = nullptr;
    const gboolean stored = secret_password_store_sync(&schema, SECRET_COLLECTION_DEFAULT, "old", secret.c_str(),
                                                       nullptr, &error, "service", service.c_str(), "account",
                                                       account.c_str(), nullptr);
    ASSERT_TRUE(stored) << (error ? error->message : "");
}

// The items secret-tool lists for the service, one "[/path]" header each.
int itemsListed(const std::string &service)
{
    const auto listed = runProcess({"secret-tool", "search", "--all", "service", service});
    int count = 0;
    for (std::size_t at = listed.output.find("[/"); at != std::string::npos; at = listed.output.find("[/", at + 1))
        ++count;
    return count;
}

class LibsecretSecretStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!underPrivateKeyring())
            GTEST_SKIP() << "needs the private keyring of tests/support/with-keyring";
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        service = std::string("com.nerova.vardo.test.") + info->test_suite_name() + "." + info->name();
    }

    void TearDown() override
    {
        for (const char *account : {"owner", "other"}) {
            if (!underPrivateKeyring())
                return;
            store.remove(service, account);
            store.removeLegacy(service, account);
        }
    }

    LibsecretSecretStore store;
    std::string service;
};

TEST_F(LibsecretSecretStoreTest, SecretsRoundTripExactly)
{
    EXPECT_TRUE(store.available());
    EXPECT_EQ(LibsecretSecretStore::unavailableReason(), std::nullopt);
    Bytes all(258);
    std::iota(all.begin(), all.end() - 2, 0);
    all.back() = 0xc3; // a truncated UTF-8 sequence at the end
    for (const Bytes &secret : {all, bytes("grüße ⚠️ \n"), Bytes{}}) {
        ASSERT_TRUE(store.add(service, "owner", "label", secret).ok());
        Bytes found = bytes("stale");
        const auto result = store.find(service, "owner", found);
        ASSERT_TRUE(result.ok()) << result.error;
        EXPECT_EQ(found, secret);
    }
}

TEST_F(LibsecretSecretStoreTest, AddReplacesAndRemoveDeletesOneAccountsItem)
{
    ASSERT_TRUE(store.add(service, "owner", "first", bytes("one")).ok());
    ASSERT_TRUE(store.add(service, "owner", "second", bytes("two")).ok());
    ASSERT_TRUE(store.add(service, "other", "", bytes("theirs")).ok());
    EXPECT_EQ(itemsListed(service), 2);
    ASSERT_TRUE(store.remove(service, "other").ok());
    Bytes found;
    ASSERT_TRUE(store.find(service, "owner", found).ok());
    EXPECT_EQ(text(found), "two");

    ASSERT_TRUE(store.remove(service, "owner").ok());
    EXPECT_EQ(itemsListed(service), 0);
    found = bytes("untouched");
    EXPECT_EQ(store.find(service, "owner", found).status, SecretStore::itemNotFound);
    EXPECT_EQ(text(found), "untouched");
    EXPECT_EQ(store.remove(service, "owner").status, SecretStore::itemNotFound);
}

// Stored by hand in another collection than the default one: found, replaced by one
// item, and removed. Stored by the store: read and cleared by secret-tool.
TEST_F(LibsecretSecretStoreTest, WorksTogetherWithSecretTool)
{
    ASSERT_EQ(runProcess({"secret-tool", "store", "--collection=session", "--label=by hand", "service", service,
                          "account", "owner"}, "[[0.5,-1]]").exitCode, 0);
    Bytes found;
    ASSERT_TRUE(store.find(service, "owner", found).ok());
    EXPECT_EQ(text(found), "[[0.5,-1]]");
    const Bytes binary{0x00, 0xff, 0x80, 0x0a, 0x01};
    ASSERT_TRUE(store.add(service, "owner", secretItemLabel("com.nerova.vardo.face-embeddings-v2", "owner"), binary)
                    .ok());
    EXPECT_EQ(itemsListed(service), 1);
    const auto lookup = runProcess({"secret-tool", "lookup", "service", service, "account", "owner"});
    EXPECT_EQ(lookup.exitCode, 0);
    EXPECT_EQ(bytes(lookup.output), binary);
    const auto listed = runProcess({"secret-tool", "search", "--all", "service", service});
    EXPECT_NE(listed.output.find("label = Nerova Vardo face data"), std::string::npos) << listed.output;
    EXPECT_NE(listed.output.find("schema = com.nerova.vardo.Secret"), std::string::npos) << listed.output;
    EXPECT_EQ(runProcess({"secret-tool", "clear", "service", service, "account", "owner"}).exitCode, 0);
    EXPECT_EQ(store.find(service, "owner", found).status, SecretStore::itemNotFound);

    ASSERT_EQ(runProcess({"secret-tool", "store", "--label=again", "service", service, "account", "owner"}, "3")
                  .exitCode, 0);
    ASSERT_TRUE(store.remove(service, "owner").ok());
    EXPECT_EQ(itemsListed(service), 0);
}

// The items of an earlier version of the application (its own schema) are reached only
// through the legacy calls, and the two kinds never remove each other.
TEST_F(LibsecretSecretStoreTest, LegacyAndCurrentItemsAreSeparate)
{
    storeLegacyItem(service, "owner", "legacy");
    Bytes found;
    EXPECT_EQ(store.find(service, "owner", found).status, SecretStore::itemNotFound);
    ASSERT_TRUE(store.findLegacy(service, "owner", found).ok());
    EXPECT_EQ(text(found), "legacy");

    ASSERT_TRUE(store.add(service, "owner", "current", bytes("current")).ok());
    ASSERT_TRUE(store.removeLegacy(service, "owner").ok());
    ASSERT_TRUE(store.find(service, "owner", found).ok());
    EXPECT_EQ(text(found), "current");
    EXPECT_EQ(store.findLegacy(service, "owner", found).status, SecretStore::itemNotFound);
    EXPECT_EQ(store.removeLegacy(service, "owner").status, SecretStore::itemNotFound);

    storeLegacyItem(service, "owner", "legacy again");
    ASSERT_TRUE(store.remove(service, "owner").ok());
    ASSERT_TRUE(store.findLegacy(service, "owner", found).ok());
    EXPECT_EQ(text(found), "legacy again");
}

} // namespace
} // namespace vardo
