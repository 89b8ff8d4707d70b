// overlay_probe: the real lock and guard windows, the crash watcher and the real QML, on
// an engine over the simulated platform, driven line by line on standard input. The
// tests and bench/screens/lock-timings start it under their own X server or off screen.
//
//   lock                 the engine's lock decision; answers "covered N MS" once each of
//                        the N windows has drawn, MS after the decision
//   guard N              the shoulder guard rises for N faces; answers "guarded N"
//   unlock PASSWORD      the password at the lock screen; answers "unlocked" or "refused"
//   rss                  answers "rss KB" (resident memory)
//   watcher              answers "watcher PID"
//   quit                 ends normally

#include "engine/vardo_service.h"
#include "localization/localization_manager.h"
#include "platform/log_sink.h"
#include "platform/task_queue_qt.h"
#include "platform/timers_qt.h"
#include "replay/simulated_platform.h"
#include "screens/lock_watcher.h"
#include "screens/qml_types.h"
#include "screens/quick_overlay_windows.h"
#include "screens/screen_changes.h"
#include "screens/x11_overlay_windows.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
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
    watchScreenChanges(&app, [&] {
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
