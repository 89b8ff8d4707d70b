#include "app/application.h"

#include "app/linux_platform.h"
#include "app/quit_on_signal.h"
#include "engine/service_state_json.h"
#include "engine/vardo_service.h"
#include "localization/localization_manager.h"
#include "platform/read_only_stores.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>

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
    VardoService service(platform.services());
    VardoService::setShared(&service);

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
    PlatformServices services = platform.services();
    ReadOnlySecretStore secrets(services.secrets);
    PlatformServices readOnly{services.clock, services.timers, services.mainQueue, services.processingQueue,
                              services.backgroundQueue, defaults, services.camera, services.log, secrets,
                              services.overlays, services.sessionLocker, services.sessionMonitor,
                              services.alertSound, services.frameAnalysis};
    VardoService service(readOnly, ServiceStart::inspectOnly);
    std::fputs(publishedStateJson(service).toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    return 0;
}

} // namespace vardo
