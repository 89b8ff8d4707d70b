// Where the application is assembled: the Linux services, the engine's sibling modules
// and the engine itself; then, with a display, what the user sees (the main window, the
// tray item) and, with a session bus, the one running instance and its bus object. The
// `state` command is here as well.

#include "app/application.h"

#include "app/app_qml_types.h"
#include "app/application_bus.h"
#include "app/autostart_entry.h"
#include "app/camera_privacy_page.h"
#include "app/dashboard_state.h"
#include "app/desktop_notifications.h"
#include "app/desktop_settings.h"
#include "app/first_start.h"
#include "app/linux_platform.h"
#include "app/main_window.h"
#include "app/quit_on_signal.h"
#include "app/running_instance_state.h"
#include "app/settings_options.h"
#include "app/single_instance.h"
#include "app/tray_menu.h"
#include "app/view_rules.h"
#include "engine/frame_analysis_factory.h"
#include "engine/service_state_json.h"
#include "engine/vardo_service.h"
#include "intruder/intruder_photo_folder.h"
#include "localization/localization_manager.h"
#include "platform/authenticator_pam.h"
#include "platform/package_origin.h"
#include "platform/process_memory.h"
#include "platform/recent_log_lines.h"
#include "platform/system_description.h"
#include "platform/read_only_stores.h"
#include "platform/sleep_monitor_logind.h"
#include "screens/headless_overlay_windows.h"
#include "screens/lock_watcher.h"
#include "screens/qml_types.h"
#include "screens/wayland_overlay_windows.h"
#include "screens/x11_overlay_windows.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QQmlEngine>
#include <QQuickStyle>

#include <cstdio>
#include <future>
#include <memory>
#include <optional>

namespace vardo {

namespace {

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// Arabic mirrors the menus and dialogs Qt draws itself, as the QML mirrors the window.
void followLayoutDirection()
{
    QGuiApplication::setLayoutDirection(LocalizationManager::shared().layoutDirection());
    QObject::connect(&LocalizationManager::shared(), &LocalizationManager::currentLanguageChanged, qApp,
                     [] { QGuiApplication::setLayoutDirection(LocalizationManager::shared().layoutDirection()); });
}

} // namespace

int runApplication(int &argc, char **argv, const ApplicationOptions &options)
{
    // The last lines are kept for the problem report.
    StdoutLog standardOutput;
    RecentLogLines log(standardOutput);
    bool headless = !hasDisplay();
    std::unique_ptr<QCoreApplication> app;
    if (headless) {
        app = std::make_unique<QCoreApplication>(argc, argv);
    } else {
        // A display that does not answer must not end the application: Qt tries the
        // platforms in order and falls back to drawing off screen.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ? "xcb;offscreen"
                                                                                     : "wayland;xcb;offscreen");
        QQuickStyle::setStyle(QStringLiteral("Fusion"));
        app = std::make_unique<QApplication>(argc, argv);
        headless = QGuiApplication::platformName() == QLatin1String("offscreen");
    }
    QCoreApplication::setApplicationName(QStringLiteral("Nerova Vardo"));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.nerova.vardo"));
    // Before anything slow (models, buses, camera): a signal that arrives while they load
    // is answered once the event loop runs, by a normal quit.
    quitOnTerminationSignals();
    if (headless)
        log.write("[Vardo] No display found — running headless: engine, camera and log lines, no windows");

    // One Nerova Vardo per session: a second start shows the first one's window.
    SingleInstance instance(busIfItAnswers(Bus::session));
    switch (instance.claim()) {
    case SingleInstance::Claim::runningElsewhere:
        switch (instance.showRunningWindow()) {
        case SingleInstance::Answer::shown:
            log.write("[Vardo] Nerova Vardo is already running — showing its window");
            return 0;
        case SingleInstance::Answer::screenCovered:
            log.write("[Vardo] Nerova Vardo is already running — its window stays behind the lock screen");
            return 0;
        case SingleInstance::Answer::none:
            log.write("[Vardo] Another Nerova Vardo holds com.nerova.vardo but does not answer");
            return 1;
        }
        return 1;
    case SingleInstance::Claim::noBus:
        log.write("[Vardo] No D-Bus session bus — a second start will not be noticed");
        break;
    case SingleInstance::Claim::owned:
        break;
    }

    LinuxPlatform platform(app.get(), log, options.cameraSource);
    LocalizationManager::setSharedStore(&platform.defaults());
    const PlatformServices services = platform.services();

    // One QML engine for every window of the process (the main window, the lock and guard
    // screens): they share its singletons. Without a display there are no windows.
    std::unique_ptr<QQmlEngine> qml;
    if (!headless) {
        qml = std::make_unique<QQmlEngine>();
        prepareQmlEngine(*qml);
    }

    // The engine's sibling modules. The lock and guard screens for the display server Qt
    // runs on: on X11 they hold the keyboard; Wayland lets no client do that, so the
    // session lock stands in; without a display they are log lines. The password check
    // behind the lock screen and the face reset is PAM's.
    std::unique_ptr<LockWatcher> lockWatcher;
    std::unique_ptr<OverlayWindows> overlays;
    const QString display = headless ? QString() : QGuiApplication::platformName();
    if (headless) {
        overlays = std::make_unique<HeadlessOverlayWindows>(log);
    } else {
        lockWatcher = std::make_unique<LockWatcher>(LockWatcher::helperBesideExecutable(), log);
        const QuickOverlayWindows::Services screens{.qml = *qml,
                                                    .mainQueue = platform.mainQueue(),
                                                    .timers = services.timers,
                                                    .log = log,
                                                    .watcher = lockWatcher.get()};
        if (display == QLatin1String("xcb"))
            overlays = std::make_unique<X11OverlayWindows>(screens);
        else if (display.startsWith(QLatin1String("wayland")))
            overlays = std::make_unique<WaylandOverlayWindows>(screens);
        else
            overlays = std::make_unique<QuickOverlayWindows>(screens);
    }
    PamAuthenticator authenticator(platform.mainQueue());

    const std::unique_ptr<FrameAnalysis> analysis = createFrameAnalysis(log);
    IntruderPhotoFolder intruderPhotoFolder(IntruderPhotoFolder::defaultPath());
    VardoService service(services, EngineModules{
        .overlays = *overlays,
        .authenticator = authenticator,
        .intruderPhotoFolder = intruderPhotoFolder,
        .frameAnalysis = analysis.get(),
    });
    VardoService::setShared(&service);
    // The models are loaded: what parsing them took is free again, and would stay mapped.
    releaseFreedHeapMemory();
    registerQmlTypes(service, LocalizationManager::shared());

    // What the main window binds to.
    DashboardState dashboard(service, services.clock, services.timers, cameraPrivacyPageOpener());
    SettingsOptions settingsOptions(service, LocalizationManager::shared());
    AutostartEntry autostart(QCoreApplication::applicationFilePath(), log);
    DesktopSettings desktopSettings(autostart);
    registerApplicationQmlTypes(dashboard, settingsOptions, desktopSettings);
    LinuxSystemDescriber system;
    DpkgPackageOrigin packages;
    FirstStart firstStart({service, services.timers, services.mainQueue, services.backgroundQueue, services.camera,
                           system, packages, &log, QCoreApplication::applicationFilePath()});
    firstStart.registerQmlTypes();

    std::optional<MainWindow> mainWindow;
    std::optional<TrayMenu> tray;
    LogindSleepMonitor sleep(busIfItAnswers(Bus::system));
    std::optional<DesktopNotifications> notifications;
    // The main window never comes up over a lock or guard screen: from there it could
    // switch protection off. Without a display there is no window to show.
    const auto showWindow = [&mainWindow, &service] {
        if (!mainWindow || screenIsCovered(protectionState(service)))
            return false;
        mainWindow->present();
        return true;
    };
    if (!headless) {
        QGuiApplication::setQuitOnLastWindowClosed(false);
        followLayoutDirection();
        notifications.emplace(service, sleep);
        mainWindow.emplace(*qml, log);
        QObject::connect(&*mainWindow, &MainWindow::contentShown, &service,
                         [&service] { service.windowDidBecomeVisible(); });
        QObject::connect(&*mainWindow, &MainWindow::activated, &service,
                         [&service] { service.windowDidBecomeVisible(); });
        tray.emplace(service, *settingsOptions.lockAction(), [showWindow] { showWindow(); });
        const bool trayShown = tray->show();
        if (!trayShown)
            log.write("[Vardo] The desktop shows no tray icons — closing the window leaves Nerova Vardo running; "
                      "start it again to bring the window back");
        // Started at login: into the tray, unless there is no tray to find it in.
        if (!options.startInBackground || !trayShown)
            mainWindow->present();
    }

    ApplicationBusObject busObject(service, showWindow, instance.bus());
    new ApplicationBusAdaptor(&busObject);
    if (instance.bus().isConnected() && !instance.publish(&busObject))
        log.write("[Vardo] Could not publish /com/nerova/vardo on the session bus");

    // Leaving counts like resigning active: the running protected time is saved.
    QObject::connect(app.get(), &QCoreApplication::aboutToQuit, app.get(), [&service] { service.appWillResignActive(); });
    const int status = app->exec();
    // The camera stops, and the frame being analysed on the processing queue is finished,
    // before the engine and the face analysis it uses are destroyed.
    service.stopMonitoring();
    std::promise<void> drained;
    services.processingQueue.post([&drained] { drained.set_value(); });
    drained.get_future().wait();
    VardoService::setShared(nullptr);
    return status;
}

int runStateCommand(int &argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: nerova-vardo state\n", stderr);
        return 2;
    }
    QCoreApplication app(argc, argv);
    if (const auto live = runningInstanceStateJson(busIfItAnswers(Bus::session))) {
        QString json = *live;
        json.insert(json.size() - 1, QStringLiteral(",\"source\":\"running\""));
        std::fputs(json.toUtf8().constData(), stdout);
        std::fputc('\n', stdout);
        return 0;
    }
    StdoutLog log;
    LinuxPlatform platform(&app, log, std::string());
    ReadOnlyDefaultsStore defaults(platform.defaults());
    LocalizationManager::setSharedStore(&defaults);
    const PlatformServices services = platform.services();
    ReadOnlySecretStore secrets(services.secrets);
    HeadlessOverlayWindows overlays(log);
    PamAuthenticator authenticator(platform.mainQueue());
    IntruderPhotoFolder intruderPhotoFolder(IntruderPhotoFolder::defaultPath());
    VardoService service(
        PlatformServices{
            .clock = services.clock,
            .timers = services.timers,
            .mainQueue = services.mainQueue,
            .processingQueue = services.processingQueue,
            .backgroundQueue = services.backgroundQueue,
            .defaults = defaults,
            .camera = services.camera,
            .log = services.log,
            .secrets = secrets,
            .sessionLocker = services.sessionLocker,
            .sessionMonitor = services.sessionMonitor,
            .alertSound = services.alertSound,
        },
        EngineModules{.overlays = overlays, .authenticator = authenticator, .intruderPhotoFolder = intruderPhotoFolder},
        ServiceStart::inspectOnly);
    std::fputs(publishedStateJson(service, QStringLiteral("\"source\":\"stored\"")).toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    return 0;
}

} // namespace vardo
