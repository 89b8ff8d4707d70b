// Run under with-keyring --without-secrets and --no-bus, with less time than a D-Bus activation.

#include "tests/engine/enrollment_fixture.h"
#include "tests/engine/real_secret_store_platform.h"
#include "tests/support/child_process.h"

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>

namespace vardo::test {
namespace {

class WithoutSecretService : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (secretServiceUnderTest() != "none")
            GTEST_SKIP() << "needs tests/support/with-keyring --without-secrets or --no-bus";
    }

    void settle() { platform.simulated.time.runUntilIdle(); }

    RealSecretStorePlatform platform{1772442000.0};
    std::unique_ptr<VardoService> service;
};

using WithoutSecretServiceStep = WithoutSecretService;

std::vector<std::string> filesUnder(const QString &root)
{
    std::vector<std::string> found;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found.push_back(it.next().toStdString());
    return found;
}

TEST_F(WithoutSecretService, ServiceEnrolsInMemoryAndWritesNothingAnywhere)
{
    // No file keyring or other fallback may take the set.
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const std::string root = home.path().toStdString();
    EXPECT_TRUE(runTestInChildProcess("WithoutSecretServiceStep.StartsEnrolsAndLocksOutInMemory",
                                      {"HOME=" + root, "XDG_DATA_HOME=" + root + "/data",
                                       "XDG_CONFIG_HOME=" + root + "/config", "XDG_CACHE_HOME=" + root + "/cache",
                                       "XDG_STATE_HOME=" + root + "/state"}));
    EXPECT_EQ(filesUnder(home.path()), std::vector<std::string>{});
    // Nothing started a Secret Service on the way.
    EXPECT_FALSE(platform.secrets.available());
}

TEST_F(WithoutSecretServiceStep, StartsEnrolsAndLocksOutInMemory)
{
    if (!isChildProcessStep())
        GTEST_SKIP() << "a step of WithoutSecretService.ServiceEnrolsInMemoryAndWritesNothingAnywhere";
    const std::string reason = LibsecretSecretStore::unavailableReason().value_or("");
    ASSERT_FALSE(reason.empty());

    VardoService &s = platform.start(service);
    MemoryLog &log = platform.simulated.log;
    EXPECT_FALSE(s.isOwnerEnrolled());
    EXPECT_FALSE(s.isFaceLocked());
    EXPECT_EQ(faceIdLines(log),
              (std::vector<std::string>{"[FaceID] Data Protection Keychain query status: -25291 (0 = success, "
                                        "-25300 = not found) — "
                                        + reason}));

    log.clear();
    const std::vector<Embedding> samples(25, leaning(0, 0.8f, 1));
    s.startEnrollment();
    for (const auto &sample : samples) {
        platform.simulated.time.advanceBy(1.0);
        s.addEnrollmentSample(sample);
    }
    EXPECT_TRUE(sameBits(s.ownerFaceEmbeddings(), samples));
    EXPECT_EQ(faceIdLines(log),
              (std::vector<std::string>{
                  "[FaceID] Save to Data Protection Keychain status: -25291 (0 = success) — " + reason,
                  "[FaceID] Enrollment complete — 25 embeddings saved"}));
    EXPECT_TRUE(s.matchesOwner(leaning(0, 0.8f, 2)));

    for (int i = 0; i < 5; ++i)
        s.recordFailedMatch();
    EXPECT_TRUE(s.isFaceLocked());
    s.lockScreen();
    s.unlockWithPassword("owner-password");
    settle();
    EXPECT_FALSE(s.isFaceLocked());

    s.resetFaceEnrollment();
    EXPECT_FALSE(s.isOwnerEnrolled());
}

} // namespace
} // namespace vardo::test
