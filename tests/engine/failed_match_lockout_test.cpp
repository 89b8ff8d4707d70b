// The failed-match lockout: five failures switch face unlock off until the password is
// given; the count and the lockout time survive a restart, and a lockout older than
// 300 seconds is lifted at the next start.

#include "tests/engine/enrollment_fixture.h"

#include "platform/fakes/secret_store_fake.h"
#include "utils/decimal_text.h"

namespace vardo::test {
namespace {

const std::string lockedLine = "[FaceID] \u26A0\uFE0F Face recognition locked after 5 failed attempts — password required";

using FailedMatchLockout = ServiceOnSimulatedPlatform;

TEST_F(FailedMatchLockout, LockedLineCarriesTheWarningSignWithItsEmojiSelector)
{
    EXPECT_EQ(lockedLine.substr(0, 16), "[FaceID] \xE2\x9A\xA0\xEF\xB8\x8F ");
}

TEST_F(FailedMatchLockout, FifthFailureLocksAndRecordsTheTime)
{
    VardoService &s = start();
    advance(0.25);
    for (int i = 0; i < 4; ++i)
        s.recordFailedMatch();
    EXPECT_EQ(s.failedMatchAttempts(), 4);
    EXPECT_FALSE(s.isFaceLocked());
    EXPECT_EQ(stateValue("failed_attempts"), "4");
    EXPECT_FALSE(stateValue("lockout_time"));

    s.recordFailedMatch();
    EXPECT_TRUE(s.isFaceLocked());
    EXPECT_EQ(stateValue("failed_attempts"), "5");
    EXPECT_EQ(stateValue("lockout_time"), "1772442000.25");
    EXPECT_EQ(platform.secrets.label(stateService, "failed_attempts"), "Nerova Vardo failed face matches");
    EXPECT_EQ(platform.secrets.label(stateService, "lockout_time"), "Nerova Vardo face lockout time");

    const auto lines = faceIdLines(platform.log);
    const std::vector<std::string> expected{
        "[FaceID] Failed attempt 1/5", "[FaceID] Failed attempt 2/5", "[FaceID] Failed attempt 3/5",
        "[FaceID] Failed attempt 4/5", "[FaceID] Failed attempt 5/5", lockedLine};
    ASSERT_GE(lines.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(lines.end() - 6, lines.end()), expected);
}

TEST_F(FailedMatchLockout, LockoutTimeIsTheShortestTextOfTheClock)
{
    VardoService &s = start();
    advance(0.1);
    for (int i = 0; i < 5; ++i)
        s.recordFailedMatch();
    EXPECT_EQ(stateValue("lockout_time"), doubleText(startTime + 0.1));
    EXPECT_EQ(parseDecimalDouble(stateValue("lockout_time").value()), startTime + 0.1);
}

TEST_F(FailedMatchLockout, LockoutSurvivesARestart)
{
    VardoService &s = start();
    for (int i = 0; i < 5; ++i)
        s.recordFailedMatch();
    advance(120);
    VardoService &again = start();
    EXPECT_TRUE(again.isFaceLocked());
    EXPECT_EQ(again.failedMatchAttempts(), 5);
}

// --- restoring at start ----------------------------------------------------------------

TEST_F(FailedMatchLockout, FourStoredWithoutTimeStartsUnlockedAndTheNextFailureLocks)
{
    storeStateValue("failed_attempts", "4");
    VardoService &s = start();
    EXPECT_EQ(s.failedMatchAttempts(), 4);
    EXPECT_FALSE(s.isFaceLocked());

    s.recordFailedMatch();
    EXPECT_TRUE(s.isFaceLocked());
    EXPECT_TRUE(platform.log.contains("[FaceID] Failed attempt 5/5"));
    EXPECT_TRUE(platform.log.contains(lockedLine));
}

TEST_F(FailedMatchLockout, LockoutYoungerThanFiveMinutesStaysOn)
{
    for (const double age : {0.0, 299.0, 300.0}) {
        SCOPED_TRACE(age);
        storeStateValue("failed_attempts", "5");
        storeStateValue("lockout_time", doubleText(now() - age));
        VardoService &s = start();
        EXPECT_TRUE(s.isFaceLocked());
        EXPECT_EQ(s.failedMatchAttempts(), 5);
        EXPECT_EQ(stateValue("failed_attempts"), "5");
        EXPECT_TRUE(stateValue("lockout_time"));
    }
}

TEST_F(FailedMatchLockout, LockoutOlderThanFiveMinutesIsLiftedAtStart)
{
    storeStateValue("failed_attempts", "5");
    storeStateValue("lockout_time", doubleText(now() - 301.0));
    VardoService &s = start();
    EXPECT_FALSE(s.isFaceLocked());
    EXPECT_EQ(s.failedMatchAttempts(), 0);
    EXPECT_EQ(stateValue("failed_attempts"), "0");
    EXPECT_FALSE(stateValue("lockout_time"));
}

TEST_F(FailedMatchLockout, LockoutOfARunThatEndedIsLiftedByTheStartAfterFiveMinutes)
{
    VardoService &s = start();
    for (int i = 0; i < 5; ++i)
        s.recordFailedMatch();
    service.reset();
    advance(300.5);
    VardoService &again = start();
    EXPECT_FALSE(again.isFaceLocked());
    EXPECT_EQ(stateValue("failed_attempts"), "0");
    EXPECT_FALSE(stateValue("lockout_time"));
}

TEST_F(FailedMatchLockout, StoredTimeThatIsNoNumberKeepsTheLockout)
{
    for (const char *time : {"yesterday", "", "1772441000.0 ", "0x69a55a70", "nan", "-inf"}) {
        SCOPED_TRACE(time);
        storeStateValue("failed_attempts", "7");
        storeStateValue("lockout_time", time);
        VardoService &s = start();
        EXPECT_TRUE(s.isFaceLocked());
        EXPECT_EQ(s.failedMatchAttempts(), 7);
    }
}

TEST_F(FailedMatchLockout, FiveOrMoreWithoutAnyTimeKeepsTheLockout)
{
    storeStateValue("failed_attempts", "12");
    VardoService &s = start();
    EXPECT_TRUE(s.isFaceLocked());
    EXPECT_EQ(s.failedMatchAttempts(), 12);
}

TEST_F(FailedMatchLockout, StoredTimesInAnyDecimalFormAreRead)
{
    for (const std::string time : {"1772441000", "1.772441e9", "1772441000.000001", "+1772441000"}) {
        SCOPED_TRACE(time);
        storeStateValue("failed_attempts", "5");
        storeStateValue("lockout_time", time);
        VardoService &s = start();
        EXPECT_FALSE(s.isFaceLocked());
    }
}

TEST_F(FailedMatchLockout, CountThatIsNoStrictIntegerIsIgnored)
{
    for (const char *count : {"abc", "", " 5", "5 ", "5.0", "0x5", "5abc", "+", "99999999999999999999", "٥"}) {
        SCOPED_TRACE(count);
        storeStateValue("failed_attempts", count);
        storeStateValue("lockout_time", "1");
        VardoService &s = start();
        EXPECT_EQ(s.failedMatchAttempts(), 0);
        EXPECT_FALSE(s.isFaceLocked());
        // Ignored, not rewritten.
        EXPECT_EQ(stateValue("failed_attempts"), count);
    }
}

TEST_F(FailedMatchLockout, SignedCountsAreIntegers)
{
    storeStateValue("failed_attempts", "+5");
    EXPECT_TRUE(start().isFaceLocked());
    storeStateValue("failed_attempts", "-3");
    VardoService &s = start();
    EXPECT_EQ(s.failedMatchAttempts(), -3);
    EXPECT_FALSE(s.isFaceLocked());
}

TEST_F(FailedMatchLockout, CountThatIsNotUtf8IsIgnored)
{
    platform.secrets.add(stateService, "failed_attempts", "test", Bytes{'5', 0xff});
    VardoService &s = start();
    EXPECT_EQ(s.failedMatchAttempts(), 0);
}

// --- the ways out ----------------------------------------------------------------------

TEST_F(FailedMatchLockout, PasswordClearsTheLockoutBeforeUnlocking)
{
    VardoService &s = start();
    for (int i = 0; i < 5; ++i)
        s.recordFailedMatch();
    s.lockScreen();

    std::vector<std::string> order;
    QObject::connect(&s, &VardoService::isFaceLockedChanged, [&] { order.push_back("face lock lifted"); });
    QObject::connect(&s, &VardoService::isLockedChanged, [&] {
        order.push_back("unlocked");
        // By the time the screen unlocks the cleared state is already stored.
        EXPECT_EQ(stateValue("failed_attempts"), "0");
        EXPECT_FALSE(stateValue("lockout_time"));
        EXPECT_EQ(s.failedMatchAttempts(), 0);
    });
    s.unlockWithPassword("owner-password");
    settle();

    EXPECT_EQ(order, (std::vector<std::string>{"face lock lifted", "unlocked"}));
    EXPECT_FALSE(s.isFaceLocked());
    EXPECT_FALSE(s.isLocked());
}

TEST_F(FailedMatchLockout, ReturnThroughTheLoginScreenClearsTheLockoutInSessionLockMode)
{
    platform.defaults.setString("vardo_lock_mode", "lock_mac");
    VardoService &s = start();
    for (int i = 0; i < 5; ++i)
        s.recordFailedMatch();
    s.lockScreen();
    s.sessionDidBecomeActive();
    EXPECT_FALSE(s.isFaceLocked());
    EXPECT_EQ(s.failedMatchAttempts(), 0);
    EXPECT_EQ(stateValue("failed_attempts"), "0");
    EXPECT_FALSE(stateValue("lockout_time"));
}

TEST_F(FailedMatchLockout, ReturnThroughTheLoginScreenLeavesTheOverlayLockoutAlone)
{
    VardoService &s = start();
    for (int i = 0; i < 5; ++i)
        s.recordFailedMatch();
    s.lockScreen();
    s.sessionDidBecomeActive();
    EXPECT_TRUE(s.isFaceLocked());
    EXPECT_EQ(stateValue("failed_attempts"), "5");
    EXPECT_TRUE(stateValue("lockout_time"));
}

TEST_F(FailedMatchLockout, RunningServiceStaysLockedPastFiveMinutes)
{
    VardoService &s = start();
    for (int i = 0; i < 5; ++i)
        s.recordFailedMatch();
    advance(3600);
    EXPECT_TRUE(s.isFaceLocked());
}

// --- without a secret store ------------------------------------------------------------

TEST_F(FailedMatchLockout, WithoutASecretStoreTheLockoutWorksForTheRun)
{
    platform.secrets.setAvailable(false);
    VardoService &s = start();
    EXPECT_EQ(s.failedMatchAttempts(), 0);
    for (int i = 0; i < 5; ++i)
        s.recordFailedMatch();
    EXPECT_TRUE(s.isFaceLocked());
    EXPECT_TRUE(platform.log.contains(lockedLine));
    EXPECT_EQ(platform.secrets.itemCount(), 0u);
    s.lockScreen();
    s.unlockWithPassword("owner-password");
    settle();
    EXPECT_FALSE(s.isFaceLocked());
}

} // namespace
} // namespace vardo::test
