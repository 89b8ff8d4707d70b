// The same against a real keyring is in enrollment_keyring_test.cpp.

#include "engine_harness.h"

#include "platform/fakes/secret_store_fake.h"

#include <limits>

namespace vardo::test {
namespace {

using EmbeddingStorage = EngineTest;

TEST_F(EmbeddingStorage, EverySaveReplacesTheItemWholeAndAFailedSaveKeepsTheStoredSet)
{
    VardoService &s = startEnrolledWith(axes(0, 25));
    s.adaptiveUpdate(leaning(0, 0.8f, 100));
    s.adaptiveUpdate(leaning(0, 0.8f, 101));
    EXPECT_EQ(storedSet().value().size(), 27u);
    // The store's add replaces the item; nothing is deleted first.
    EXPECT_EQ(platform.secrets.calls().remove, 0);

    platform.secrets.setFailure("Cannot create an item in a locked collection");
    s.adaptiveUpdate(leaning(0, 0.8f, 102));
    platform.secrets.setFailure(std::nullopt);
    EXPECT_EQ(s.ownerFaceEmbeddings().size(), 28u); // in use for this run
    EXPECT_EQ(storedSet().value().size(), 27u);     // and the stored set is intact
}

// The item is left for the next enrolment to replace.
TEST_F(EmbeddingStorage, StoredSetsThatCannotBeTheOwnersAreNotUsedAndSayWhy)
{
    const std::string oneTooMany = encodeEmbeddings(axes(0, 51)).value();
    const std::string shortOne = encodeEmbeddings({axis(0), Embedding{0.1f, 0.2f, 0.3f}}).value();
    const struct {
        std::string stored, reason;
    } cases[] = {
        {"garbage", "not a JSON array of arrays of numbers"},
        {"", "not a JSON array of arrays of numbers"},
        {"[[]]", "embedding 1 has 0 values instead of 512"},
        {shortOne, "embedding 2 has 3 values instead of 512"},
        {oneTooMany, "51 embeddings, more than 50"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.stored.substr(0, 40));
        platform.log.clear();
        platform.secrets.add(embeddingsService, ownerAccount, "test", bytesOf(c.stored));
        VardoService &s = start();
        EXPECT_FALSE(s.isOwnerEnrolled());
        EXPECT_EQ(faceIdLines(platform.log),
                  (std::vector<std::string>{
                      "[FaceID] Data Protection Keychain query status: 0 (0 = success, -25300 = not found)",
                      "[FaceID] Stored face data not used (" + c.reason
                          + ") — not enrolled until the face is taught again"}));
        EXPECT_EQ(textOf(platform.secrets.item(embeddingsService, ownerAccount).value()), c.stored);
    }
    EXPECT_EQ(startEnrolledWith(axes(0, 50)).ownerFaceEmbeddings().size(), 50u);
}

TEST_F(EmbeddingStorage, EmptyStoredListLoadsAsNotEnrolledWithoutLookingForAnOlderSet)
{
    platform.secrets.add(embeddingsService, ownerAccount, "test", bytesOf("[]"));
    VardoService &s = start();
    EXPECT_FALSE(s.isOwnerEnrolled());
    EXPECT_TRUE(platform.log.contains("[FaceID] Loaded 0 enrolled embeddings from Data Protection Keychain"));
    EXPECT_EQ(platform.secrets.calls().findLegacy, 0);
}

TEST_F(EmbeddingStorage, SetThatCannotBeWrittenAsJsonLeavesTheStoredOneAlone)
{
    VardoService &s = startEnrolledWith(axes(0, 25));
    const Bytes before = platform.secrets.item(embeddingsService, ownerAccount).value();
    platform.defaults.remove("vardo_has_enrolled_face");
    platform.log.clear();

    auto broken = axes(0, 25);
    broken[3][5] = std::numeric_limits<float>::quiet_NaN();
    s.seedEnrolledSet(broken);
    s.saveEmbeddings();
    EXPECT_EQ(platform.secrets.item(embeddingsService, ownerAccount), before);
    EXPECT_EQ(platform.secrets.calls().remove, 0);
    EXPECT_FALSE(platform.defaults.object("vardo_has_enrolled_face"));
}

// The older items are in KeyringEnrollment.ResetDeletesTheSetTheOlderFormatAndTheOlderStoreCopy.
TEST_F(EmbeddingStorage, ResetForgetsEverythingEnrolmentProducedAndNothingElse)
{
    VardoService &s = start();
    enrol(std::vector<Embedding>(25, axis(0)));
    s.adaptiveUpdate(leaning(0, 0.8f, 100));
    const auto otherSecret = bytesOf("3");
    platform.secrets.add(stateService, "failed_attempts", "test", otherSecret);
    s.resetFaceEnrollment();
    EXPECT_TRUE(s.enrollmentSamples().empty());
    EXPECT_EQ(platform.defaults.object("vardo_adaptive_count"), DefaultsValue(std::int64_t{0}));
    EXPECT_EQ(platform.defaults.object("vardo_has_enrolled_face"), DefaultsValue(false));
    EXPECT_FALSE(platform.secrets.item(embeddingsService, ownerAccount));
    EXPECT_EQ(platform.secrets.item(stateService, "failed_attempts"), otherSecret);
}

TEST_F(EmbeddingStorage, AnUnreadableCurrentItemIsReplacedByAUsableOlderSetAndAnUnreadableOlderOneIsKept)
{
    platform.secrets.add(embeddingsService, ownerAccount, "test", bytesOf("[\"broken\"]"));
    const std::string legacy = encodeEmbeddings(axes(200, 2)).value();
    platform.secrets.addLegacy(embeddingsService, ownerAccount, bytesOf(legacy));
    EXPECT_TRUE(start().isOwnerEnrolled());
    EXPECT_EQ(textOf(platform.secrets.item(embeddingsService, ownerAccount).value()), legacy);
    EXPECT_FALSE(platform.secrets.legacyItem(embeddingsService, ownerAccount));

    platform.secrets.remove(embeddingsService, ownerAccount);
    platform.secrets.addLegacy(embeddingsService, ownerAccount, bytesOf("[\"a\"]"));
    EXPECT_FALSE(start().isOwnerEnrolled());
    EXPECT_EQ(platform.secrets.itemCount(), 0u);
    EXPECT_TRUE(platform.secrets.legacyItem(embeddingsService, ownerAccount));
}

// The default collection stays locked while the older item sits in an unlocked one.
class WriteRefusingStore final : public SecretStore {
public:
    explicit WriteRefusingStore(MemorySecretStore &inner) : inner_(inner) {}
    bool available() const override { return true; }
    Result add(const std::string &, const std::string &, const std::string &, const Bytes &) override
    {
        return {storeError, "the default keyring is locked"};
    }
    Result find(const std::string &service, const std::string &account, Bytes &secret) override
    {
        return inner_.find(service, account, secret);
    }
    Result remove(const std::string &service, const std::string &account) override
    {
        return inner_.remove(service, account);
    }
    Result findLegacy(const std::string &service, const std::string &account, Bytes &secret) override
    {
        return inner_.findLegacy(service, account, secret);
    }
    Result removeLegacy(const std::string &service, const std::string &account) override
    {
        return inner_.removeLegacy(service, account);
    }

private:
    MemorySecretStore &inner_;
};

TEST_F(EmbeddingStorage, AnOlderSetIsKeptWhenItCouldNotBeSavedTheNewWay)
{
    const Bytes legacy = bytesOf(encodeEmbeddings(axes(200, 30)).value());
    platform.secrets.addLegacy(embeddingsService, ownerAccount, legacy);
    WriteRefusingStore refusing(platform.secrets);
    VardoService &s = start({.secrets = &refusing});

    EXPECT_EQ(s.ownerFaceEmbeddings().size(), 30u);
    EXPECT_TRUE(platform.log.contains(
        "[FaceID] Save to Data Protection Keychain status: -25291 (0 = success) — the default keyring is locked"));
    EXPECT_EQ(platform.secrets.legacyItem(embeddingsService, ownerAccount), legacy);
    service.reset();
}

} // namespace
} // namespace vardo::test
