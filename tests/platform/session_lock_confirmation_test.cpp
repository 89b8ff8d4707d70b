// The session lock confirmed through logind: the engine with python-dbusmock's logind
// on a private bus behind the real session monitor, and a session tool that does what
// the test says to the session (or nothing, as dm-tool without LightDM).

#include "replay/simulated_platform.h"
#include "engine/vardo_service.h"
#include "platform/login_session_monitor_logind.h"
#include "tests/support/core_application.h"
#include "tests/support/logind_mock.h"
#include "tests/support/private_bus.h"

#include <gtest/gtest.h>

#include <memory>

namespace vardo {
namespace {

using test::LogindMock;

class SessionLockConfirmation : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureCoreApplication();
        ASSERT_TRUE(bus.ok()) << bus.error().toStdString();
        ASSERT_TRUE(logind.start(bus)) << logind.error().toStdString();
        ASSERT_EQ(logind.addSession("c1"), LogindMock::sessionPath("c1")) << logind.error().toStdString();
        monitor = std::make_unique<LogindSessionMonitor>(platform.log, bus.connection(), "c1");
        platform.defaults.setString("vardo_lock_mode", "lock_mac");
        service = std::make_unique<VardoService>(platform.services({.sessionMonitor = monitor.get()}), platform.modules());
        platform.time.runUntilIdle();
        ASSERT_TRUE(monitor->isWatching());
    }

    // Locks through the session tool, lets logind's signals arrive, then waits out the
    // confirmation on the virtual clock.
    void lockAndWait()
    {
        service->lockScreen();
        logind.deliverPendingSignals();
        platform.time.advanceBy(5.0);
    }

    test::PrivateBus bus;
    LogindMock logind;
    SimulatedPlatform platform{1772442000.0};
    std::unique_ptr<LogindSessionMonitor> monitor;
    std::unique_ptr<VardoService> service;
};

TEST_F(SessionLockConfirmation, ASessionSwitchedAwayOrLockedKeepsTheOverlayDown)
{
    for (const char *property : {"Active", "LockedHint"}) {
        SCOPED_TRACE(property);
        const bool value = QString(property) == "LockedHint";
        platform.sessionLocker.onLaunch = [this, property, value] {
            ASSERT_TRUE(logind.setSessionProperties("c1", {{property, value}})) << logind.error().toStdString();
        };
        lockAndWait();
        EXPECT_TRUE(service->isLocked());
        EXPECT_FALSE(platform.overlays.lockShown);
        EXPECT_FALSE(platform.log.contains("falling back to overlay lock"));

        // The user is back: logind shows the session present again.
        ASSERT_TRUE(logind.setSessionProperties("c1", {{property, !value}})) << logind.error().toStdString();
        logind.deliverPendingSignals();
        ASSERT_FALSE(service->isLocked());
    }
}

TEST_F(SessionLockConfirmation, ASessionThatStaysOpenGetsTheOverlay)
{
    platform.sessionLocker.onLaunch = nullptr;
    lockAndWait();
    EXPECT_TRUE(service->isLocked());
    EXPECT_TRUE(platform.overlays.lockShown);
    EXPECT_TRUE(platform.log.contains("[Vardo] /usr/bin/dm-tool locked nothing (the session is still active and "
                                      "unlocked after 5 s) — falling back to overlay lock"));
}

} // namespace
} // namespace vardo
