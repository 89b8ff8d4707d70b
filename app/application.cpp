// Where the application is assembled: the Linux services, the engine's sibling modules
// and the engine itself, for the interactive run and for the `state` command.

#include "app/application.h"

#include "app/linux_platform.h"
#include "app/quit_on_signal.h"
#include "engine/frame_analysis_factory.h"
#include "engine/service_state_json.h"
#include "engine/vardo_service.h"
#include "localization/localization_manager.h"
#include "platform/authenticator_pam.h"
#include "platform/read_only_stores.h"
#include "screens/headless_overlay_windows.h"
#include "screens/lock_watcher.h"
#include "screens/qml_types.h"
#include "screens/screen_changes.h"
#include "screens/wayland_overlay_windows.h"
#include "screens/x11_overlay_windows.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QQmlEngine>

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
    StdoutLog log;
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
        app = std::make_unique<QApplication>(argc, argv);
        headless = QGuiApplication::platformName() == QLatin1String("offscreen");
    }
    QCoreApplication::setApplicationName(QStringLiteral("Nerova Vardo"));
    // Before anything slow (models, buses, camera): a signal that arrives while they load
    // is answered once the event loop runs, by a normal quit.
    quitOnTerminationSignals();
    if (headless)
        log.write("[Vardo] No display found — running headless: engine, camera and log lines, no windows");

    LinuxPlatform platform(app.get(), log, options.cameraSource);
    LocalizationManager::setSharedStore(&platform.defaults());

    // The lock and guard screens for the display server Qt runs on: on X11 they hold the
    // keyboard; Wayland lets no client do that, so the session lock stands in; without a
    // display they are log lines.
    std::unique_ptr<QQmlEngine> qml;
    std::unique_ptr<LockWatcher> lockWatcher;
    std::unique_ptr<OverlayWindows> overlays;
    const QString display = headless ? QString() : QGuiApplication::platformName();
    if (headless) {
        overlays = std::make_unique<HeadlessOverlayWindows>(log);
    } else {
        qml = std::make_unique<QQmlEngine>();
        lockWatcher = std::make_unique<LockWatcher>(LockWatcher::helperBesideExecutable(), log);
        const QuickOverlayWindows::Services screens{.qml = *qml,
                                                    .mainQueue = platform.mainQueue(),
                                                    .timers = platform.services().timers,
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
    VardoService service(platform.services(), EngineModules{
        .overlays = *overlays,
        .authenticator = authenticator,
        .frameAnalysis = analysis.get(),
    });
    VardoService::setShared(&service);
    registerQmlTypes(service, LocalizationManager::shared());
    if (!headless)
        watchScreenChanges(&service, [&service] { service.screenConfigurationChanged(); });

    // Leaving counts like resigning active: the running protected time is saved.
    QObject::connect(app.get(), &QCoreApplication::aboutToQuit, app.get(), [&service] { service.appWillResignActive(); });
    const int status = app->exec();
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
