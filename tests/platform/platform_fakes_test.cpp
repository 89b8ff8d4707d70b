#include "platform/fakes/alert_sound_fake.h"
#include "platform/fakes/login_session_monitor_fake.h"
#include "platform/fakes/session_locker_fake.h"

#include <gtest/gtest.h>

namespace vardo {
namespace {

TEST(FakeSessionLockerTest, HasAToolThatLaunches)
{
    FakeSessionLocker locker;

    EXPECT_EQ(locker.toolPath(), std::string(FakeSessionLocker::defaultToolPath));
    EXPECT_TRUE(locker.launch().ok());
    EXPECT_TRUE(locker.launch().ok());
    EXPECT_EQ(locker.launchCount(), 2);
}

TEST(FakeSessionLockerTest, CanHaveNoTool)
{
    FakeSessionLocker locker;
    locker.setToolPath(std::nullopt);

    EXPECT_EQ(locker.toolPath(), std::nullopt);
    EXPECT_FALSE(locker.launch().ok());
}

TEST(FakeSessionLockerTest, CanFailToLaunchWithAGivenError)
{
    FakeSessionLocker locker;
    locker.setLaunchError("execv: Permission denied");

    const auto result = locker.launch();
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.error, "execv: Permission denied");
    EXPECT_EQ(locker.launchCount(), 1);
}

TEST(FakeLoginSessionMonitorTest, CallsBackOncePerReturnAfterStart)
{
    FakeLoginSessionMonitor monitor;
    int returns = 0;
    monitor.sessionDidBecomeActive(); // not started yet
    monitor.start([&] { ++returns; });
    monitor.sessionDidBecomeActive();
    monitor.sessionDidBecomeActive();

    EXPECT_TRUE(monitor.isWatching());
    EXPECT_EQ(returns, 2);
    EXPECT_EQ(monitor.startCount(), 1);
}

TEST(FakeLoginSessionMonitorTest, WithoutASessionNeverCallsBack)
{
    FakeLoginSessionMonitor monitor;
    monitor.setSessionAvailable(false);
    int returns = 0;
    monitor.start([&] { ++returns; });
    monitor.sessionDidBecomeActive();

    EXPECT_FALSE(monitor.isWatching());
    EXPECT_EQ(returns, 0);
}

TEST(FakeAlertSoundTest, CountsPlays)
{
    FakeAlertSound sound;
    EXPECT_TRUE(sound.play());
    sound.setPlayable(false);
    EXPECT_FALSE(sound.play());
    EXPECT_EQ(sound.playCount(), 2);
}

} // namespace
} // namespace vardo
