// The overlay window set off screen, and the eye clip's player.

#include "platform/log_sink.h"
#include "platform/task_queue_qt.h"
#include "platform/timers_qt.h"
#include "screens/eye_video_player.h"
#include "platform/fakes/memory_log.h"
#include "screens/quick_overlay_windows.h"
#include "screens/wayland_overlay_windows.h"
#include "tests/screens/screens_world.h"

#include <QMediaPlayer>
#include <QVideoSink>
#include <QScreen>
#include <QWindow>

#include <gtest/gtest.h>

namespace vardo::test {
namespace {

class CountingWindow final : public QWindow {
public:
    int keys = 0;

protected:
    void keyPressEvent(QKeyEvent *) override { ++keys; }
};

template <typename Overlays>
class Overlay : public ::testing::Test {
protected:
    static void run() { QCoreApplication::processEvents(); QCoreApplication::sendPostedEvents(); QCoreApplication::processEvents(); }

    ScreensWorld &world = screensWorld();
    MemoryLog log;
    QtEventLoopQueue mainQueue{QCoreApplication::instance()};
    QtTimers timers;
    Overlays overlays{{.qml = world.qml, .mainQueue = mainQueue, .timers = timers, .log = log}};
};
using OverlaySet = Overlay<QuickOverlayWindows>;
using WaylandOverlay = Overlay<WaylandOverlayWindows>;

TEST_F(OverlaySet, OneWindowPerScreenOnceAndTheKeyMonitorOnlyWithTheLock)
{
    const auto screens = QGuiApplication::screens();
    overlays.showLockWindows();
    overlays.showLockWindows();
    overlays.showStealthWindows();
    EXPECT_TRUE(overlays.lockWindows().empty()); // asked for, made on the main queue
    run();
    ASSERT_EQ(overlays.lockWindows().size(), static_cast<std::size_t>(screens.size()));
    EXPECT_EQ(overlays.stealthWindows().size(), static_cast<std::size_t>(screens.size()));
    waitForWallpapers(overlays.lockWindows());
    for (int i = 0; i < screens.size(); ++i) {
        EXPECT_EQ(overlays.lockWindows()[i]->geometry(), screens[i]->geometry());
        EXPECT_TRUE(overlays.lockWindows()[i]->isVisible());
    }

    // Another window of the application gets no key while the lock is up.
    CountingWindow dashboard;
    dashboard.show();
    QTest::keyClick(&dashboard, Qt::Key_A);
    EXPECT_EQ(dashboard.keys, 0);

    overlays.hideStealthWindows();
    run();
    EXPECT_TRUE(overlays.stealthWindows().empty());
    QTest::keyClick(&dashboard, Qt::Key_A);
    EXPECT_EQ(dashboard.keys, 0) << "the guard took the lock's key monitor with it";

    const QQuickView *before = overlays.lockWindows().front().get();
    overlays.screensChanged();
    run();
    ASSERT_EQ(overlays.lockWindows().size(), static_cast<std::size_t>(screens.size()));
    EXPECT_NE(overlays.lockWindows().front().get(), before); // built anew
    waitForWallpapers(overlays.lockWindows());
    QTest::keyClick(&dashboard, Qt::Key_A);
    EXPECT_EQ(dashboard.keys, 0) << "the rebuilt lock lets keys through";

    overlays.hideLockWindows();
    run();
    EXPECT_TRUE(overlays.lockWindows().empty());
    QTest::keyClick(&dashboard, Qt::Key_A);
    EXPECT_EQ(dashboard.keys, 1);

    overlays.screensChanged(); // nothing shown: nothing made
    run();
    EXPECT_TRUE(overlays.lockWindows().empty());
    EXPECT_TRUE(overlays.stealthWindows().empty());
}

// Wayland lets no client take the keyboard: each lock says so at once (the engine then
// locks the session), the log says why once, and the windows still cover what they can.
TEST_F(WaylandOverlay, EveryLockHandsOverToTheSessionLockAndTheLogSaysWhyOnce)
{
    int handedOver = 0;
    overlays.onInputCaptureFailed([&] { ++handedOver; });

    for (int lock = 1; lock <= 2; ++lock) {
        overlays.showLockWindows();
        overlays.showStealthWindows();
        run();
        EXPECT_EQ(handedOver, lock);
        EXPECT_EQ(overlays.lockWindows().size(), static_cast<std::size_t>(QGuiApplication::screens().size()));
        EXPECT_EQ(overlays.lockWindows().front()->visibility(), QWindow::FullScreen);
        waitForWallpapers(overlays.lockWindows());
        overlays.hideLockWindows();
        overlays.hideStealthWindows();
        run();
    }
    const auto lines = log.lines();
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  "[Vardo] Wayland keeps no window above the others — the lock and shoulder-guard screens show full "
                  "screen on every display, as far as the desktop allows",
                  "[Vardo] Wayland lets no application take the keyboard from the others — locking the session "
                  "with the desktop's own lock screen instead"}));
}

// The real clip: closed at 1.0 s, one opening from 7.2 s that stops on 8.2 s, back to the
// closed frame when switched off mid-way, and nothing at all without the clip.
TEST(EyeVideo, OpensOnceHoldsTheOpenFrameAndClosesAgain)
{
    screensWorld();
    constexpr int waitMs = 20000;
    EyeVideoPlayer eye;
    QVideoSink view; // plays in time, as into the lock screen's view
    eye.setVideoOutput(&view);
    ASSERT_TRUE(eye.hasClip());
    QMediaPlayer &player = *eye.player();
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.position() == EyeVideoPlayer::closedTime; }, waitMs))
        << player.errorString().toStdString();
    EXPECT_NE(player.playbackState(), QMediaPlayer::PlayingState);

    eye.setActive(true);
    EXPECT_EQ(eye.state(), QStringLiteral("opening"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return eye.state() == QLatin1String("open"); }, waitMs));
    EXPECT_EQ(player.position(), EyeVideoPlayer::openEndTime);
    EXPECT_NE(player.playbackState(), QMediaPlayer::PlayingState);

    eye.setActive(true); // the same value again: nothing starts
    EXPECT_EQ(eye.state(), QStringLiteral("open"));

    eye.setActive(false);
    eye.setActive(true);
    eye.setActive(false); // mid-opening
    EXPECT_NE(player.playbackState(), QMediaPlayer::PlayingState);
    EXPECT_TRUE(QTest::qWaitFor([&] { return player.position() == EyeVideoPlayer::closedTime; }, waitMs));

    eye.setSource(QUrl::fromLocalFile(QStringLiteral("/nonexistent/eye_video.mp4")));
    eye.setActive(true);
    EXPECT_EQ(eye.state(), QStringLiteral("closed"));
}

} // namespace
} // namespace vardo::test
