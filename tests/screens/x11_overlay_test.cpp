// The lock overlay on a real X server (tests/support/with-x): another client's window is
// open and focused, the engine locks, and keys and clicks sent through XTEST (as a
// keyboard and mouse would send them) must reach the lock screen and nothing else.

#include "platform/fakes/memory_log.h"
#include "platform/task_queue_qt.h"
#include "platform/timers_qt.h"
#include "screens/screen_changes.h"
#include "screens/x11_overlay_windows.h"
#include "tests/screens/screens_world.h"

#include <QProcess>
#include <QScreen>

#include <xcb/xcb.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace vardo::test {
namespace {

constexpr int waitMs = 20000;

struct X11World {
    SimulatedPlatform platform{1772442000.0};
    MemoryLog log;
    QtEventLoopQueue mainQueue{QCoreApplication::instance()};
    QtTimers timers;
    QQmlEngine qml;
    X11OverlayWindows overlays{{.qml = qml, .mainQueue = mainQueue, .timers = timers, .log = log}};
    VardoService service{platform.services(), platform.modules(nullptr, &overlays)};

    X11World()
    {
        watchScreenChanges(QCoreApplication::instance(), [this] {
            service.screenConfigurationChanged();
            settle();
        });
    }
    void settle() { platform.time.runUntilIdle(); }
};

QString run(std::initializer_list<const char *> command)
{
    QStringList arguments;
    for (const char *argument : command)
        arguments << QString::fromUtf8(argument);
    QProcess process;
    process.start(arguments.takeFirst(), arguments);
    process.waitForFinished(waitMs);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// What the X server says, not what the overlay believes.
bool grabKeyboard(xcb_connection_t *client)
{
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(client)).data->root;
    auto *reply = xcb_grab_keyboard_reply(
        client, xcb_grab_keyboard(client, 0, root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC), nullptr);
    const bool grabbed = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
    std::free(reply);
    return grabbed;
}

bool keyboardIsFreeForAnotherClient()
{
    xcb_connection_t *other = xcb_connect(nullptr, nullptr);
    const bool free = grabKeyboard(other);
    xcb_disconnect(other);
    return free;
}

class X11Overlay : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "run under tests/support/with-x";
    }

    void TearDown() override
    {
        if (w.service.isLocked())
            w.service.manualUnlock();
        w.settle();
        QTest::qWaitFor([&] { return w.overlays.lockWindows().empty(); }, waitMs);
    }

    void lockAndWaitUntilCovered()
    {
        w.service.lockScreen();
        w.settle();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                if (w.overlays.lockWindows().size() != static_cast<std::size_t>(QGuiApplication::screens().size()))
                    return false;
                for (const auto &window : w.overlays.lockWindows())
                    if (!window->isExposed())
                        return false;
                return w.overlays.holdsKeyboard() && w.overlays.holdsPointer();
            },
            waitMs));
    }

    X11World &w = screensWorld<X11World>();
};

class PressCounter final : public QObject {
public:
    int presses = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        presses += event->type() == QEvent::MouseButtonPress;
        return false;
    }
};

TEST_F(X11Overlay, KeysAndClicksReachOnlyTheLockScreen)
{
    // xev: another client's window that prints every key press and click it receives.
    QProcess xev;
    xev.start(QStringLiteral("xev"), QStringList{"-geometry", "400x300+100+100", "-event", "keyboard", "-event", "button"});
    ASSERT_TRUE(xev.waitForStarted(waitMs));
    QString received;
    const auto xevSaw = [&](const QString &text) {
        return QTest::qWaitFor(
            [&] {
                received += QString::fromUtf8(xev.readAllStandardOutput());
                return received.contains(text);
            },
            waitMs);
    };
    const std::string xevWindow =
        run({"xdotool", "search", "--sync", "--name", "Event Tester"}).section(u'\n', 0, 0).toStdString();
    ASSERT_FALSE(xevWindow.empty());
    run({"xdotool", "windowfocus", "--sync", xevWindow.c_str()});
    run({"xdotool", "key", "x"});
    ASSERT_TRUE(xevSaw(QStringLiteral("(keysym 0x78, x)"))) << "xev does not see keys; the test could not tell a leak";
    const int pressesBefore = static_cast<int>(received.count(QStringLiteral("KeyPress event")));

    lockAndWaitUntilCovered();
    QQuickView &lockWindow = *w.overlays.lockWindows().front();
    PressCounter clicks;
    lockWindow.installEventFilter(&clicks);

    run({"xdotool", "type", "--delay", "20", "hunter2"});
    QQuickItem *field = lockWindow.rootObject()->findChild<QQuickItem *>(QStringLiteral("passwordField"));
    ASSERT_TRUE(field);
    EXPECT_TRUE(QTest::qWaitFor([&] { return field->property("text").toString() == QLatin1String("hunter2"); }, waitMs))
        << field->property("text").toString().toStdString();
    // Another program moves the keyboard focus to xev's window: the keys still come here.
    run({"xdotool", "windowfocus", xevWindow.c_str()});
    run({"xdotool", "type", "--delay", "20", "leak"});
    EXPECT_FALSE(keyboardIsFreeForAnotherClient());
    // The window manager's and the desktop's shortcuts, and a click where xev's window is.
    for (const char *keys : {"alt+Tab", "super", "ctrl+alt+Delete", "ctrl+w", "alt+F4", "Escape"}) {
        run({"xdotool", "key", keys});
        EXPECT_FALSE(keyboardIsFreeForAnotherClient()) << keys;
    }
    run({"xdotool", "mousemove", "200", "200", "click", "1"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return clicks.presses == 1; }, waitMs));
    EXPECT_FALSE(keyboardIsFreeForAnotherClient()) << "after the click";

    // The owner's password, typed the same way, opens the lock.
    run({"xdotool", "type", "--delay", "20", "owner-password"});
    run({"xdotool", "key", "Return"});
    EXPECT_TRUE(QTest::qWaitFor([&] { w.settle(); return !w.service.isLocked(); }, waitMs));
    EXPECT_TRUE(QTest::qWaitFor([&] { return keyboardIsFreeForAnotherClient(); }, waitMs));

    // X delivers in order: once xev has the key typed after the unlock, it has had every
    // event meant for it.
    run({"xdotool", "windowfocus", "--sync", xevWindow.c_str()});
    run({"xdotool", "key", "z"});
    ASSERT_TRUE(xevSaw(QStringLiteral("(keysym 0x7a, z)")));
    const int leaked = static_cast<int>(received.count(QStringLiteral("KeyPress event"))) - pressesBefore - 1;
    std::printf("keystrokes leaked to another client while locked: %d\n", leaked);
    EXPECT_EQ(leaked, 0) << received.toStdString();
    EXPECT_FALSE(received.contains(QStringLiteral("ButtonPress event"))) << received.toStdString();
    xev.kill();
    xev.waitForFinished(waitMs);
}

// An open menu of another program holds the keyboard: the overlay keeps trying, tells
// the engine after a few seconds (the session lock takes over), and takes the keyboard
// once the menu lets go.
TEST_F(X11Overlay, AGrabHeldElsewhereHandsTheLockToTheSessionUntilItIsReleased)
{
    xcb_connection_t *menu = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(menu));
    ASSERT_TRUE(grabKeyboard(menu));
    const int launchesBefore = w.platform.sessionLocker.launchCount();

    w.service.lockScreen();
    w.settle();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.overlays.lockWindows().empty(); }, waitMs));
    EXPECT_FALSE(w.overlays.holdsKeyboard());
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.platform.sessionLocker.launchCount() == launchesBefore + 1; }, waitMs));
    const auto &lines = w.log.lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "[Vardo] The lock screen cannot take the keyboard (another program holds it) — locking the "
                        "session instead"),
              lines.end());

    xcb_ungrab_keyboard(menu, XCB_CURRENT_TIME);
    xcb_flush(menu);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.overlays.holdsKeyboard(); }, waitMs));
    xcb_disconnect(menu);
}

// Two monitors (with-x --two-screens): unplugging one while locked leaves one window over
// the other, still holding the keyboard; plugging it back covers it again.
TEST_F(X11Overlay, OneLockWindowPerMonitorRebuiltWhenAMonitorIsUnplugged)
{
    if (QGuiApplication::screens().size() < 2)
        GTEST_SKIP() << "one screen: run under with-x --two-screens";
    lockAndWaitUntilCovered();
    ASSERT_EQ(w.overlays.lockWindows().size(), 2u);
    EXPECT_EQ(w.overlays.lockWindows()[1]->geometry(), QGuiApplication::screens()[1]->geometry());

    run({"xrandr", "--delmonitor", "R"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return QGuiApplication::screens().size() == 1; }, waitMs));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return w.overlays.lockWindows().size() == 1
                   && w.overlays.lockWindows()[0]->geometry() == QGuiApplication::screens()[0]->geometry()
                   && w.overlays.lockWindows()[0]->isExposed();
        },
        waitMs));
    EXPECT_TRUE(w.overlays.holdsKeyboard());

    run({"xrandr", "--setmonitor", "R", "1280/338x1024/270+1280+0", "none"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.overlays.lockWindows().size() == 2; }, waitMs));
    EXPECT_TRUE(w.overlays.holdsKeyboard());
}

} // namespace
} // namespace vardo::test
