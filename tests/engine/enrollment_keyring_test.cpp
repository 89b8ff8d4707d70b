// Run under tests/support/with-keyring (skips otherwise); *Step tests run in a new process.

// Before any Qt header: GLib uses "signals" as a name, a keyword to Qt.
#include <libsecret/secret.h>

#include "tests/engine/enrollment_fixture.h"
#include "tests/engine/real_secret_store_platform.h"
#include "tests/support/child_process.h"

#include "utils/decimal_text.h"

#include <limits>
#include <random>

namespace vardo::test {
namespace {

// 2026-03-02 09:00:00 UTC
constexpr double parentStartTime = 1772442000.0;
// Which set the step is to find: "awkward" (awkwardSamples()) or "legacy" (legacySet()).
constexpr const char *expectedSetVariable = "VARDO_TEST_EXPECTED_SET";

std::string secretToolLookup(const std::string &service, const std::string &account, int *exitCode = nullptr)
{
    const auto result = runProcess({"secret-tool", "lookup", "service", service, "account", account});
    if (exitCode)
        *exitCode = result.exitCode;
    return result.output;
}

// Across all collections; attributes come on standard error.
std::string secretToolSearch(const std::string &service)
{
    const auto result = runProcess({"secret-tool", "search", "--all", "service", service});
    return result.output + result.errors;
}

int itemsListed(const std::string &service)
{
    const std::string listed = secretToolSearch(service);
    int count = 0;
    for (auto at = listed.find("[/"); at != std::string::npos; at = listed.find("[/", at + 1))
        ++count;
    return count;
}

// How an earlier version kept the set: same service and account, its own schema.
void storeLegacyItem(const std::string &service, const std::string &secret)
{
    SecretSchema schema{};
    schema.name = LibsecretSecretStore::legacySchemaName;
    schema.flags = SECRET_SCHEMA_NONE;
    schema.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
    schema.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
    GError *error = nullptr;
    const gboolean stored = secret_password_store_sync(&schema, SECRET_COLLECTION_DEFAULT, "earlier version",
                                                       secret.c_str(), nullptr, &error, "service", service.c_str(),
                                                       "account", ownerAccount, nullptr);
    ASSERT_TRUE(stored) << (error ? error->message : "");
}

// Values a text form gets wrong most easily: -0, subnormals, nine significant digits.
std::vector<Embedding> awkwardSamples()
{
    std::mt19937 random(2024);
    std::normal_distribution<float> noise(0.0f, 0.02f);
    Embedding face(embeddingLength);
    std::normal_distribution<float> normal;
    for (float &v : face)
        v = normal(random);
    face = l2Normalize(face);
    std::vector<Embedding> samples;
    for (int k = 0; k < 25; ++k) {
        Embedding sample = face;
        for (float &v : sample)
            v += noise(random);
        sample = l2Normalize(sample);
        sample[500] = -0.0f;
        sample[501] = std::numeric_limits<float>::denorm_min();
        sample[502] = std::nextafter(1.0f / 3.0f, 1.0f);
        sample[503] = -std::numeric_limits<float>::min();
        samples.push_back(std::move(sample));
    }
    return samples;
}

std::vector<Embedding> legacySet()
{
    return axes(200, 30);
}

class KeyringTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (secretServiceUnderTest() != "gnome-keyring")
            GTEST_SKIP() << "needs the private keyring of tests/support/with-keyring";
        // A step sees what the test that started it stored; a test starts from nothing.
        if (!isChildProcessStep())
            removeEverything();
    }

    void TearDown() override
    {
        if (secretServiceUnderTest() == "gnome-keyring" && !isChildProcessStep())
            removeEverything();
    }

    void removeEverything()
    {
        LibsecretSecretStore store;
        for (const char *service : {embeddingsService, olderFormatService}) {
            store.remove(service, ownerAccount);
            store.removeLegacy(service, ownerAccount);
        }
        store.remove(stateService, "failed_attempts");
        store.remove(stateService, "lockout_time");
    }

    VardoService &start() { return platform.start(service); }
    MemoryLog &log() { return platform.simulated.log; }
    void settle() { platform.simulated.time.runUntilIdle(); }

    RealSecretStorePlatform platform{startTimeFromEnvironment(parentStartTime)};
    std::unique_ptr<VardoService> service;
};

using KeyringEnrollment = KeyringTest;
using KeyringEnrollmentStep = KeyringTest;

TEST_F(KeyringEnrollment, SavedSetIsWhatSecretToolShowsAndReadsBackBitForBitInANewProcess)
{
    VardoService &s = start();
    s.seedEnrolledSet(awkwardSamples());
    s.saveEmbeddings();
    EXPECT_EQ(secretToolLookup(embeddingsService, ownerAccount), encodeEmbeddings(awkwardSamples()).value());
    const std::string listed = secretToolSearch(embeddingsService);
    EXPECT_EQ(itemsListed(embeddingsService), 1);
    EXPECT_NE(listed.find("label = Nerova Vardo face data"), std::string::npos);
    EXPECT_NE(listed.find("attribute.account = owner"), std::string::npos);
    EXPECT_TRUE(runTestInChildProcess("KeyringEnrollmentStep.StartsWithTheSetSavedBefore",
                                      {std::string(expectedSetVariable) + "=awkward"}));
}

TEST_F(KeyringEnrollmentStep, StartsWithTheSetSavedBefore)
{
    if (!isChildProcessStep())
        GTEST_SKIP() << "a step of KeyringEnrollment.SavedSetIsWhatSecretToolShowsAndReadsBackBitForBitInANewProcess and "
                        "KeyringMigration.LegacySetIsAdoptedSavedAndRemovedThenLoadedNormally";
    const auto expected = std::string(std::getenv(expectedSetVariable)) == "awkward" ? awkwardSamples() : legacySet();

    EXPECT_TRUE(sameBits(start().ownerFaceEmbeddings(), expected));
    EXPECT_EQ(faceIdLines(log()),
              (std::vector<std::string>{
                  "[FaceID] Data Protection Keychain query status: 0 (0 = success, -25300 = not found)",
                  "[FaceID] Loaded " + std::to_string(expected.size())
                      + " enrolled embeddings from Data Protection Keychain"}));
}

TEST_F(KeyringEnrollment, ArrayOfStringsStoredUnderTheItemMeansNotEnrolled)
{
    ASSERT_EQ(runProcess({"secret-tool", "store", "--label=by hand", "service", embeddingsService, "account",
                          ownerAccount},
                         R"(["0.5","0.25"])")
                  .exitCode,
              0);
    EXPECT_FALSE(start().isOwnerEnrolled());
    EXPECT_TRUE(log().contains("[FaceID] Data Protection Keychain query status: 0 (0 = success, -25300 = not found)"));
}

TEST_F(KeyringEnrollment, ResetDeletesTheSetTheOlderFormatAndTheOlderStoreCopy)
{
    VardoService &s = start();
    s.resetFaceEnrollment(); // with nothing to delete: the keyring still answers normally afterwards
    s.seedEnrolledSet(axes(0, 25));
    s.saveEmbeddings();
    storeLegacyItem(embeddingsService, encodeEmbeddings(axes(100, 25)).value());
    ASSERT_EQ(runProcess({"secret-tool", "store", "--label=old", "service", olderFormatService, "account",
                          ownerAccount},
                         "old signatures")
                  .exitCode,
              0);
    ASSERT_EQ(itemsListed(embeddingsService), 2);

    s.resetFaceEnrollment();
    EXPECT_EQ(itemsListed(embeddingsService), 0);
    EXPECT_EQ(itemsListed(olderFormatService), 0);
    EXPECT_TRUE(runTestInChildProcess("KeyringEnrollmentStep.StartsNotEnrolled"));
}

TEST_F(KeyringEnrollmentStep, StartsNotEnrolled)
{
    if (!isChildProcessStep())
        GTEST_SKIP() << "a step of KeyringEnrollment.ResetDeletesTheSetTheOlderFormatAndTheOlderStoreCopy";
    EXPECT_FALSE(start().isOwnerEnrolled());
    EXPECT_FALSE(log().contains("migrating"));
}

using KeyringMigration = KeyringTest;

TEST_F(KeyringMigration, LegacySetIsAdoptedSavedAndRemovedThenLoadedNormally)
{
    storeLegacyItem(embeddingsService, encodeEmbeddings(legacySet()).value());
    EXPECT_TRUE(sameBits(start().ownerFaceEmbeddings(), legacySet()));
    EXPECT_EQ(faceIdLines(log()),
              (std::vector<std::string>{
                  "[FaceID] Data Protection Keychain query status: -25300 (0 = success, -25300 = not found)",
                  "[FaceID] Loaded 30 enrolled embeddings from legacy Keychain — migrating",
                  "[FaceID] Save to Data Protection Keychain status: 0 (0 = success)"}));

    // One item left: the current one.
    EXPECT_EQ(itemsListed(embeddingsService), 1);
    EXPECT_NE(secretToolSearch(embeddingsService).find("schema = com.nerova.vardo.Secret"), std::string::npos);

    EXPECT_TRUE(runTestInChildProcess("KeyringEnrollmentStep.StartsWithTheSetSavedBefore",
                                      {std::string(expectedSetVariable) + "=legacy"}));
}

TEST_F(KeyringMigration, UsableCurrentSetIsLoadedAndTheOlderStoreLeftAlone)
{
    std::unique_ptr<VardoService> first;
    VardoService &writer = platform.start(first);
    writer.seedEnrolledSet(axes(0, 25));
    writer.saveEmbeddings();
    first.reset();
    const std::string legacy = encodeEmbeddings(axes(200, 30)).value();
    storeLegacyItem(embeddingsService, legacy);
    log().clear();

    EXPECT_TRUE(sameBits(start().ownerFaceEmbeddings(), axes(0, 25)));
    Bytes found;
    ASSERT_TRUE(platform.secrets.findLegacy(embeddingsService, ownerAccount, found).ok());
    EXPECT_EQ(textOf(found), legacy);
}

using KeyringLockout = KeyringTest;
using KeyringLockoutStep = KeyringTest;

TEST_F(KeyringLockout, LockoutCarriesOverToTheNextStartAndEndsAfterFiveMinutes)
{
    VardoService &s = start();
    for (int i = 0; i < 5; ++i)
        s.recordFailedMatch();
    ASSERT_TRUE(s.isFaceLocked());
    EXPECT_EQ(secretToolLookup(stateService, "failed_attempts"), "5");
    EXPECT_EQ(secretToolLookup(stateService, "lockout_time"), doubleText(parentStartTime));

    const auto at = [](double seconds) { return std::string(startTimeVariable) + "=" + doubleText(seconds); };
    EXPECT_TRUE(runTestInChildProcess("KeyringLockoutStep.StartsFaceLocked", {at(parentStartTime + 299)}));
    EXPECT_TRUE(runTestInChildProcess("KeyringLockoutStep.StartsWithTheLockoutLifted", {at(parentStartTime + 301)}));

    EXPECT_EQ(secretToolLookup(stateService, "failed_attempts"), "0");
    int exitCode = 0;
    EXPECT_EQ(secretToolLookup(stateService, "lockout_time", &exitCode), "");
    EXPECT_NE(exitCode, 0);
}

TEST_F(KeyringLockoutStep, StartsFaceLocked)
{
    if (!isChildProcessStep())
        GTEST_SKIP() << "a step of KeyringLockout.LockoutCarriesOverToTheNextStartAndEndsAfterFiveMinutes";
    EXPECT_TRUE(start().isFaceLocked());
}

TEST_F(KeyringLockoutStep, StartsWithTheLockoutLifted)
{
    if (!isChildProcessStep())
        GTEST_SKIP() << "a step of KeyringLockout.LockoutCarriesOverToTheNextStartAndEndsAfterFiveMinutes";
    EXPECT_FALSE(start().isFaceLocked());
}

} // namespace
} // namespace vardo::test
