// overlay_probe: the real lock and guard windows, the crash watcher and the real QML, on
// an engine over the simulated platform, driven line by line on standard input. The
// tests and bench/screens/lock-timings start it under their own X server or off screen.
//
//   lock                 the engine's lock decision; answers "covered N MS" once each of
//                        the N windows has drawn, MS after the decision
//   guard N              the shoulder guard rises for N faces; answers "guarded N"
//   unlock PASSWORD      the password at the lock screen; answers "unlocked" or "refused"
//   faces N              a frame with N strangers in front of the camera; "faces N"
//   facelock             five failed face matches: the face lockout; "facelock"
//   language CODE        the interface language; "language CODE"
//   wallpaper N          the lock-screen wallpaper; "wallpaper N"
//   key TEXT|Return      typed into the focused lock window; "typed"
//   settle               lets the engine's pending work run (a password verdict); "settled"
//   shot PATH [MS]       after MS milliseconds (default 500) saves the first screen as
//                        the X server shows it; "shot PATH"
//   rss                  answers "rss KB" (resident memory)
//   watcher              answers "watcher PID"
//   quit                 ends normally

#include "engine/vardo_service.h"
#include "localization/localization_manager.h"
#include "platform/log_sink.h"
#include "platform/task_queue_qt.h"
#include "platform/timers_qt.h"
#include "replay/replay_synthetic_faces.h"
#include "replay/simulated_platform.h"
#include "screens/lock_watcher.h"
#include "screens/qml_types.h"
#include "screens/quick_overlay_windows.h"
#include "screens/screen_changes.h"
#include "screens/x11_overlay_windows.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QQmlEngine>
#include <QQuickView>
#include <QSocketNotifier>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

void answer(const QString &line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

long residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    using namespace vardo;
    QApplication app(argc, argv);
    StdoutLog log;
    SimulatedPlatform simulated(1772442000.0);
    QtEventLoopQueue mainQueue(&app);
    QtTimers timers;
    QQmlEngine qml;
    LockWatcher watcher(VARDO_BINARY_DIR "/app/nerova-vardo-lock-watcher", log);
    const QuickOverlayWindows::Services services{
        .qml = qml, .mainQueue = mainQueue, .timers = timers, .log = log, .watcher = &watcher};
    std::unique_ptr<QuickOverlayWindows> overlays;
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        overlays = std::make_unique<X11OverlayWindows>(services);
    else
        overlays = std::make_unique<QuickOverlayWindows>(services);
    VardoService service(simulated.services(), simulated.modules(nullptr, overlays.get()));
    registerQmlTypes(service, LocalizationManager::shared());
    watchScreenChanges(&service, [&] {
        service.screenConfigurationChanged();
        simulated.time.runUntilIdle();
    });
    const auto settle = [&] { simulated.time.runUntilIdle(); };

    QElapsedTimer sinceDecision;
    // Answers once every window of `list` has drawn a frame.
    const auto whenDrawn = [&](const auto &list, const QString &word) {
        auto pending = std::make_shared<int>(static_cast<int>(list.size()));
        if (*pending == 0)
            answer(word + QStringLiteral(" 0 %1").arg(sinceDecision.elapsed()));
        for (const auto &window : list) {
            auto connection = std::make_shared<QMetaObject::Connection>();
            *connection = QObject::connect(window.get(), &QQuickWindow::frameSwapped, &app,
                                           [&, pending, connection, count = list.size(), word] {
                                               QObject::disconnect(*connection);
                                               if (--*pending == 0)
                                                   answer(word + QStringLiteral(" %1 %2").arg(count).arg(sinceDecision.elapsed()));
                                           });
        }
    };

    QObject::connect(&service, &VardoService::isLockedChanged, &app, [&] {
        if (!service.isLocked())
            answer(QStringLiteral("unlocked"));
    });
    QObject::connect(service.authentication(), &OwnerAuthentication::finished, &app, [&](bool accepted) {
        if (!accepted)
            answer(QStringLiteral("refused"));
    });

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        std::string line;
        if (!std::getline(std::cin, line)) {
            input.setEnabled(false);
            app.quit();
            return;
        }
        const QString command = QString::fromStdString(line).section(u' ', 0, 0);
        const QString argument = QString::fromStdString(line).section(u' ', 1);
        if (command == QLatin1String("lock")) {
            sinceDecision.start();
            service.lockScreen();
            settle();
            // The windows are made by a task on the main queue: look once it has run.
            mainQueue.post([&] { whenDrawn(overlays->lockWindows(), QStringLiteral("covered")); });
        } else if (command == QLatin1String("guard")) {
            sinceDecision.start();
            service.activateStealth(argument.toLongLong());
            settle();
            mainQueue.post([&] { whenDrawn(overlays->stealthWindows(), QStringLiteral("guarded")); });
        } else if (command == QLatin1String("unlock")) {
            service.unlockWithPassword(argument);
            settle();
        } else if (command == QLatin1String("faces")) {
            std::vector<SyntheticFace> faces(static_cast<std::size_t>(argument.toInt()), SyntheticFace{"stranger"});
            service.applyFrameResults(syntheticFrameResults(faces, 0));
            settle();
            answer(QStringLiteral("faces ") + argument);
        } else if (command == QLatin1String("facelock")) {
            for (qint64 i = 0; i < VardoService::maxFailedAttempts; ++i)
                service.recordFailedMatch();
            settle();
            answer(QStringLiteral("facelock"));
        } else if (command == QLatin1String("language")) {
            LocalizationManager::shared().setCurrentLanguage(argument);
            answer(QStringLiteral("language ") + argument);
        } else if (command == QLatin1String("wallpaper")) {
            service.setSelectedWallpaper(argument.toLongLong());
            answer(QStringLiteral("wallpaper ") + argument);
        } else if (command == QLatin1String("key")) {
            QWindow *target = QGuiApplication::focusWindow();
            if (!target && !overlays->lockWindows().empty())
                target = overlays->lockWindows().front().get();
            const auto send = [&](int key, const QString &text) {
                QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
                QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
                QGuiApplication::sendEvent(target, &press);
                QGuiApplication::sendEvent(target, &release);
            };
            if (target && argument == QLatin1String("Return"))
                send(Qt::Key_Return, QStringLiteral("\r"));
            else if (target)
                for (const QChar c : argument)
                    send(c.toUpper().unicode(), QString(c));
            answer(QStringLiteral("typed"));
        } else if (command == QLatin1String("settle")) {
            settle();
            answer(QStringLiteral("settled"));
        } else if (command == QLatin1String("shot")) {
            const QString path = argument.section(u' ', 0, 0);
            const int delay = argument.section(u' ', 1, 1).isEmpty() ? 500 : argument.section(u' ', 1, 1).toInt();
            QTimer::singleShot(delay, &app, [path] {
                QScreen *screen = QGuiApplication::primaryScreen();
                const QRect area = screen->geometry();
                screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(path);
                answer(QStringLiteral("shot ") + path);
            });
        } else if (command == QLatin1String("rss")) {
            answer(QStringLiteral("rss %1").arg(residentKilobytes()));
        } else if (command == QLatin1String("watcher")) {
            answer(QStringLiteral("watcher %1").arg(watcher.helperPid()));
        } else if (command == QLatin1String("quit")) {
            app.quit();
        }
    });
    answer(QStringLiteral("ready"));
    return app.exec();
}
