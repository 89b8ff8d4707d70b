#include "engine_harness.h"

namespace vardo::test {
namespace {

class Unlock : public EngineTest {
protected:
    VardoService &locked()
    {
        VardoService &s = startProtected();
        show(nobody());
        advance(10.0);
        EXPECT_TRUE(platform.overlays.lockShown);
        return s;
    }
};

// The event and the ten quiet seconds after it are in the countdown_timeouts replay.
TEST_F(Unlock, APasswordUnlockHidesTheOverlayAndResetsTheCounters)
{
    platform.defaults.setBool("vardo_intruder_enabled", true);
    VardoService &s = locked();
    show(stranger(), 4);
    ASSERT_EQ(s.intruderFrameCount(), 4);
    at(15.0);
    s.unlockWithPassword("owner-password");
    settle();
    EXPECT_FALSE(platform.overlays.lockShown);
    EXPECT_EQ(s.securityEvents()[0].date, startTime + 15.0);
    EXPECT_EQ(s.consecutiveOwnerMiss(), 0);
    EXPECT_EQ(s.intruderFrameCount(), 0);
    EXPECT_FALSE(s.showIntruderAlert()); // no photos were taken
}

// The refused password and one typed during the check are in Screens.ThePasswordField*.
TEST_F(Unlock, AFaceUnlockWhileThePasswordIsCheckedRecordsNoManualUnlock)
{
    VardoService &s = locked();
    ownerShowsLiveness();
    s.unlockWithPassword("owner-password");
    ownerSitsDown(); // recognised before the system answers
    settle();
    EXPECT_FALSE(s.isLocked());
    EXPECT_EQ(s.securityEvents().size(), 1u); // the face unlock records nothing, nor does the late password
}

// The late answer belongs to the lock that is over.
TEST_F(Unlock, AnAnswerArrivingAfterTheNextLockDoesNotOpenIt)
{
    VardoService &s = startProtected();
    s.lockScreen();
    s.unlockWithPassword("owner-password"); // the verdict waits in the main queue
    s.unlockForOwner();
    ASSERT_FALSE(s.isLocked());
    s.lockScreen();
    settle();
    EXPECT_TRUE(s.isLocked());
    EXPECT_TRUE(platform.overlays.lockShown);
    EXPECT_FALSE(s.authentication()->lastAttemptFailed());
}

// The refused password is in SettingsView.ResettingTheFaceNeedsConfirmationAndTheAcceptedPassword.
TEST_F(Unlock, AFaceResetSwitchesProtectionOffFirst)
{
    VardoService &s = startProtected();
    std::vector<std::string> order;
    QObject::connect(&s, &VardoService::isEnabledChanged, [&] { order.push_back("protection off"); });
    QObject::connect(&s, &VardoService::isOwnerEnrolledChanged, [&] { order.push_back("face forgotten"); });
    s.resetFaceWithPassword("owner-password");
    settle();
    EXPECT_EQ(order, (std::vector<std::string>{"protection off", "face forgotten"}));
}

TEST_F(Unlock, TheRecognisedOwnerUnlocksAtOnceAddsNoEventAndLeavesTheCountersAndQuietPeriodAlone)
{
    VardoService &s = locked();
    at(12.0);
    ownerShowsLiveness();
    show(owner(), 2);
    EXPECT_TRUE(s.isLocked());
    show(owner());
    EXPECT_FALSE(platform.overlays.lockShown);
    EXPECT_EQ(s.securityEvents().size(), 1u);
    // No quiet period: the owner leaving right away starts a countdown.
    at(15.5);
    show(nobody());
    EXPECT_EQ(s.noFaceStartTime(), startTime + 15.5);
}

// The delay itself is in the road_of_one_event replay.
TEST_F(Unlock, APasswordUnlockWithinTheUnlockDelayLeavesNothingForTheDelayedUnlock)
{
    platform.defaults.setInteger("vardo_unlock_delay", 5);
    VardoService &s = locked();
    at(12.0);
    ownerShowsLiveness();
    ownerSitsDown();
    at(16.999);
    ASSERT_TRUE(s.isLocked());
    s.unlockWithPassword("owner-password");
    settle();
    const int hides = platform.overlays.lockHides;
    at(17.0);
    EXPECT_EQ(platform.overlays.lockHides, hides);
    EXPECT_EQ(s.securityEvents().size(), 2u);
}

TEST_F(Unlock, TheDelayedUnlockDoesNothingOnceTheServiceIsGone)
{
    platform.defaults.setInteger("vardo_unlock_delay", 5);
    locked();
    at(12.0);
    ownerShowsLiveness();
    ownerSitsDown();
    const int hides = platform.overlays.lockHides;
    service.reset();
    at(20.0);
    EXPECT_EQ(platform.overlays.lockHides, hides);
}

} // namespace
} // namespace vardo::test
