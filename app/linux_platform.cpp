#include "app/linux_platform.h"

#include "engine/vardo_service.h"
#include "platform/camera_file.h"
#include "platform/camera_v4l2.h"
#include "platform/dbus_bus_probe.h"

namespace vardo {

QDBusConnection busIfItAnswers(Bus bus)
{
    if (bus == Bus::session) {
        static const bool answers = !busUnanswered(Bus::session);
        return answers ? QDBusConnection::sessionBus()
                       : QDBusConnection(QStringLiteral("vardo-session-bus-not-answering"));
    }
    static const bool answers = !busUnanswered(Bus::system);
    return answers ? QDBusConnection::systemBus() : QDBusConnection(QStringLiteral("vardo-system-bus-not-answering"));
}

LinuxPlatform::LinuxPlatform(QObject *mainThreadContext, LogSink &log, const std::string &cameraSource)
    : log_(log)
    , mainQueue_(mainThreadContext)
    , processingQueue_(VardoService::processingQueueLabel)
    , defaults_(FileDefaultsStore::defaultPath(), log)
    , sessionMonitor_(log, busIfItAnswers(Bus::system))
    , alertSound_(log)
{
    if (cameraSource.empty())
        camera_ = std::make_unique<V4l2Camera>();
    else
        camera_ = std::make_unique<FileCamera>(cameraSource, clock_);
    if (const auto reason = LibsecretSecretStore::unavailableReason())
        log_.write("[FaceID] Secret Service unavailable (" + *reason
                   + ") — face enrolment works for this run only and nothing is stored");
}

LinuxPlatform::~LinuxPlatform() = default;

PlatformServices LinuxPlatform::services()
{
    return PlatformServices{
        .clock = clock_,
        .timers = timers_,
        .mainQueue = mainQueue_,
        .processingQueue = processingQueue_,
        .backgroundQueue = backgroundQueue_,
        .defaults = defaults_,
        .camera = *camera_,
        .log = log_,
        .secrets = secrets_,
        .sessionLocker = sessionLocker_,
        .sessionMonitor = sessionMonitor_,
        .alertSound = alertSound_,
    };
}

} // namespace vardo
