#include "engine_harness.h"

#include "utils/decimal_text.h"

namespace vardo::test {
namespace {

const std::string lockedLine = "[FaceID] \u26A0\uFE0F Face recognition locked after 5 failed attempts — password required";

using FailedMatchLockout = EngineTest;

TEST_F(FailedMatchLockout, FifthFailureLocksAndRecordsTheTimeAndTheRunningServiceStaysLocked)
{
    VardoService &s = start();
    advance(0.25);
    for (int i = 0; i < 4; ++i)
        s.recordFailedMatch();
    EXPECT_FALSE(s.isFaceLocked());
    EXPECT_FALSE(stateValue("lockout_time"));
    s.recordFailedMatch();
    EXPECT_TRUE(s.isFaceLocked());
    EXPECT_EQ(stateValue("failed_attempts"), "5");
    EXPECT_EQ(stateValue("lockout_time"), "1772442000.25");
    EXPECT_EQ(platform.secrets.label(stateService, "failed_attempts"), "Nerova Vardo failed face matches");
    EXPECT_EQ(platform.secrets.label(stateService, "lockout_time"), "Nerova Vardo face lockout time");

    const auto lines = faceIdLines(platform.log);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
              (std::vector<std::string>{"[FaceID] Failed attempt 5/5", lockedLine}));
    advance(3600);
    EXPECT_TRUE(s.isFaceLocked());
}

// A lockout of a run that ended is lifted by a start more than five minutes later.
TEST_F(FailedMatchLockout, AStoredLockoutStaysForFiveMinutesAndIsLiftedAtTheNextStartAfterwards)
{
    for (const double age : {0.0, 300.0, 300.5}) {
        SCOPED_TRACE(age);
        platform.secrets.remove(stateService, "failed_attempts");
        platform.secrets.remove(stateService, "lockout_time");
        VardoService &first = start();
        for (int i = 0; i < 5; ++i)
            first.recordFailedMatch();
        advance(age);
        VardoService &s = start();
        const bool lifted = age > 300.0;
        EXPECT_EQ(s.isFaceLocked(), !lifted);
        EXPECT_EQ(stateValue("failed_attempts"), lifted ? "0" : "5");
        EXPECT_EQ(stateValue("lockout_time").has_value(), !lifted);
    }
}

// A count that is no strict integer is ignored; a time that is no number keeps the lockout.
TEST_F(FailedMatchLockout, StoredStateIsReadStrictlyAndDoubtKeepsTheLockout)
{
    struct Case {
        std::string count;
        std::optional<std::string> time;
        int attempts;
        bool locked;
        bool ignored = false;
    };
    std::vector<Case> cases{
        {"4", std::nullopt, 4, false},
        {"12", std::nullopt, 12, true},
        {"+5", std::nullopt, 5, true},
        {"-3", std::nullopt, -3, false},
        // Older than five minutes in any decimal form: lifted.
        {"5", "1.772441e9", 0, false},
        {"5", "+1772441000", 0, false},
    };
    for (const char *time : {"yesterday", "", "1772441000.0 ", "nan"})
        cases.push_back({"7", time, 7, true});
    for (const char *count : {"abc", "", " 5", "5.0", "0x5", "99999999999999999999", "٥"})
        cases.push_back({count, "1", 0, false, true});
    for (const Case &c : cases) {
        SCOPED_TRACE(c.count + " / " + c.time.value_or("no time"));
        storeStateValue("failed_attempts", c.count);
        if (c.time)
            storeStateValue("lockout_time", *c.time);
        else
            platform.secrets.remove(stateService, "lockout_time");
        VardoService &s = start();
        EXPECT_EQ(s.failedMatchAttempts(), c.attempts);
        EXPECT_EQ(s.isFaceLocked(), c.locked);
        if (c.ignored)
            EXPECT_EQ(stateValue("failed_attempts"), c.count);
    }
    storeStateValue("failed_attempts", "4");
    platform.secrets.remove(stateService, "lockout_time");
    start().recordFailedMatch();
    EXPECT_TRUE(service->isFaceLocked());
    EXPECT_TRUE(platform.log.contains(lockedLine));
}

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

} // namespace
} // namespace vardo::test
