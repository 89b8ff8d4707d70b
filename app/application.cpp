// Where the application is assembled: the Linux services, the engine's sibling modules
// and the engine itself, for the interactive run and for the `state` command.

#include "app/application.h"

#include "app/app_qml_types.h"
#include "app/autostart_entry.h"
#include "app/dashboard_state.h"
#include "app/desktop_settings.h"
#include "app/first_start.h"
#include "app/linux_platform.h"
#include "app/main_window.h"
#include "app/settings_options.h"
#include "app/quit_on_signal.h"
#include "engine/frame_analysis_factory.h"
#include "engine/service_state_json.h"
#include "engine/vardo_service.h"
#include "localization/localization_manager.h"
#include "platform/authenticator_pam.h"
#include "platform/package_origin.h"
#include "platform/recent_log_lines.h"
#include "platform/system_description.h"
#include "platform/read_only_stores.h"
#include "screens/headless_overlay_windows.h"
#include "screens/qml_types.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QQmlEngine>
#include <QQuickStyle>

#include <cstdio>
#include <memory>

namespace vardo {

namespace {

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
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
    if (headless)
        log.write("[Vardo] No display found — running headless: engine, camera and log lines, no windows");

    LinuxPlatform platform(app.get(), log, options.cameraSource);
    LocalizationManager::setSharedStore(&platform.defaults());

    // One QML engine for every window of the process: the main window and the overlays
    // share the engine's singletons.
    QQmlEngine qml;
    prepareQmlEngine(qml);

    // The engine's sibling modules.
    HeadlessOverlayWindows overlays(log);
    PamAuthenticator authenticator(platform.mainQueue());

    const std::unique_ptr<FrameAnalysis> analysis = createFrameAnalysis(log);
    VardoService service(platform.services(), EngineModules{
        .overlays = overlays,
        .authenticator = authenticator,
        .frameAnalysis = analysis.get(),
    });
    VardoService::setShared(&service);
    registerQmlTypes(service, LocalizationManager::shared());

    const PlatformServices services = platform.services();
    DashboardState dashboard(service, services.clock, services.timers, {});
    SettingsOptions settingsOptions(service, LocalizationManager::shared());
    AutostartEntry autostart(QCoreApplication::applicationFilePath(), log);
    DesktopSettings desktopSettings(autostart);
    registerApplicationQmlTypes(dashboard, settingsOptions, desktopSettings);
    LinuxSystemDescriber system;
    DpkgPackageOrigin packages;
    FirstStart firstStart({service, services.timers, services.mainQueue, services.backgroundQueue, services.camera,
                           system, packages, &log, QCoreApplication::applicationFilePath()});
    firstStart.registerQmlTypes();

    MainWindow mainWindow(qml, log);
    if (!headless) {
        QGuiApplication::setQuitOnLastWindowClosed(false);
        if (mainWindow.create())
            mainWindow.present();
    }

    quitOnTerminationSignals();
    // Leaving counts like resigning active: the running protected time is saved.
    QObject::connect(app.get(), &QCoreApplication::aboutToQuit, app.get(), [&service] { service.appWillResignActive(); });
    const int status = app->exec();
    VardoService::setShared(nullptr);
    return status;
}

int runStateCommand(int &argc, char **argv)
{
    QCoreApplication app(argc, argv);
    StdoutLog log;
    LinuxPlatform platform(&app, log, std::string());
    ReadOnlyDefaultsStore defaults(platform.defaults());
    LocalizationManager::setSharedStore(&defaults);
    const PlatformServices services = platform.services();
    ReadOnlySecretStore secrets(services.secrets);
    HeadlessOverlayWindows overlays(log);
    PamAuthenticator authenticator(platform.mainQueue());
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
        EngineModules{.overlays = overlays, .authenticator = authenticator},
        ServiceStart::inspectOnly);
    std::fputs(publishedStateJson(service).toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    return 0;
}

} // namespace vardo
