// The desktop's notifications reach the engine: a real X server (its screens resized
// with xrandr, the focus moved to another client's window), and python-dbusmock's logind
// on a private bus announcing sleep and wake-up.

#include "app/desktop_notifications.h"
#include "engine/vardo_service.h"
#include "platform/sleep_monitor_logind.h"
#include "replay/simulated_platform.h"
#include "tests/support/child_process.h"
#include "tests/support/logind_mock.h"
#include "tests/support/private_bus.h"
#include "tests/support/xvfb_display.h"

#include <QGuiApplication>
#include <QProcess>
#include <QWindow>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <memory>

namespace vardo {
namespace {

constexpr int waitMs = 30000;

class DesktopNotificationsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        display = new test::XvfbDisplay;
        ASSERT_TRUE(display->ok()) << display->error().toStdString();
        qputenv("DISPLAY", display->display().toLocal8Bit());
        // Without a session bus of its own, libdbus would start one through the X server
        // that outlives the test.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
        qputenv("QT_QPA_PLATFORM", "xcb");
        static int argc = 1;
        static char name[] = "desktop-notifications-test";
        static char *argv[] = {name, nullptr};
        new QGuiApplication(argc, argv);
    }

    void SetUp() override
    {
        ASSERT_TRUE(bus.ok()) << bus.error().toStdString();
        ASSERT_TRUE(logind.start(bus)) << logind.error().toStdString();
    }

    std::vector<std::string> xEnvironment() const { return {"DISPLAY=" + display->display().toStdString()}; }
    test::ProcessResult x(std::vector<std::string> command) const { return test::runProcess(command, {}, xEnvironment()); }

    static inline test::XvfbDisplay *display = nullptr;
    test::PrivateBus bus;
    test::LogindMock logind;
    SimulatedPlatform platform{1772442000.0};
};

// Waking (not going to sleep) applies the capture exclusion again; a monitor plugged in
// and out (RandR monitors of the X server) rebuilds the overlays each time.
TEST_F(DesktopNotificationsTest, WakingAndMonitorsComingAndGoingReachTheOverlays)
{
    VardoService service(platform.services(), platform.modules());
    LogindSleepMonitor sleep(bus.connection());
    ASSERT_TRUE(sleep.isWatching());
    DesktopNotifications notifications(service, sleep);
    const int before = platform.overlays.captureExclusions;
    for (bool sleeping : {true, false}) {
        ASSERT_TRUE(logind.emitPrepareForSleep(sleeping)) << logind.error().toStdString();
        logind.deliverPendingSignals();
        EXPECT_EQ(platform.overlays.captureExclusions, before + (sleeping ? 0 : 1));
    }

    ASSERT_EQ(x({"xrandr", "--setmonitor", "second", "640/100x480/100+1280+0", "none"}).exitCode, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return platform.overlays.rebuilds > 0; }, waitMs));
    const int afterAdding = platform.overlays.rebuilds;
    ASSERT_EQ(x({"xrandr", "--delmonitor", "second"}).exitCode, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return platform.overlays.rebuilds > afterAdding; }, waitMs));
}

// Another application takes the keyboard focus: the running protected time is saved.
TEST_F(DesktopNotificationsTest, LosingTheFocusSavesTheProtectedTime)
{
    platform.defaults.setBool("vardo_enabled", true);
    platform.camera.devices = {CameraDevice{"/dev/video0", "Camera", true}};
    VardoService service(platform.services(), platform.modules());
    platform.time.runUntilIdle();
    ASSERT_TRUE(service.isMonitoring());
    LogindSleepMonitor sleep(bus.connection());
    DesktopNotifications notifications(service, sleep);

    QWindow window;
    window.setTitle(QStringLiteral("Nerova Vardo"));
    window.resize(200, 200);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, waitMs));
    // There is no window manager to hand out the focus: the test does it.
    x({"xdotool", "windowfocus", "--sync", std::to_string(window.winId())});
    ASSERT_TRUE(QTest::qWaitFor([] { return QGuiApplication::applicationState() == Qt::ApplicationActive; }, waitMs));

    // Less than the minute after which the running time is saved anyway.
    platform.time.advanceBy(50);
    EXPECT_EQ(platform.defaults.floating("vardo_total_time"), 0.0);
    QProcess other;
    other.start(QStringLiteral("xmessage"), {QStringLiteral("-name"), QStringLiteral("other-app"),
                                             QStringLiteral("another application")});
    ASSERT_TRUE(other.waitForStarted(waitMs));
    std::string otherWindow;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto found = x({"xdotool", "search", "--onlyvisible", "--classname", "other-app"});
            otherWindow = found.output.substr(0, found.output.find('\n'));
            return !otherWindow.empty();
        },
        waitMs));
    x({"xdotool", "windowfocus", "--sync", otherWindow});
    EXPECT_TRUE(QTest::qWaitFor([] { return QGuiApplication::applicationState() != Qt::ApplicationActive; }, waitMs));
    EXPECT_NEAR(platform.defaults.floating("vardo_total_time"), 50.0, 1e-6);
    other.kill();
    other.waitForFinished(waitMs);
}

} // namespace
} // namespace vardo
