#pragma once

#include "platform/alert_sound_canberra.h"
#include "platform/camera.h"
#include "platform/clock.h"
#include "platform/dbus_bus_probe.h"
#include "platform/defaults_store_file.h"
#include "platform/log_sink.h"
#include "platform/login_session_monitor_logind.h"
#include "platform/platform_services.h"
#include "platform/secret_store_libsecret.h"
#include "platform/session_locker_displaymanager.h"
#include "platform/task_queue_qt.h"
#include "platform/task_queue_thread.h"
#include "platform/timers_qt.h"

#include <memory>
#include <string>

namespace vardo {

// The bus, or a connection that is not connected when the bus does not answer within a
// few seconds: Qt opens a bus without a time limit, so one that accepts the connection
// and then says nothing would hang whoever opens it first. Asked once per process.
QDBusConnection busIfItAnswers(Bus bus);

// The Linux adapters behind every operating-system seam, as the application uses them.
class LinuxPlatform {
public:
    // `cameraSource`: a video file or image folder to play instead of the webcam.
    LinuxPlatform(QObject *mainThreadContext, LogSink &log, const std::string &cameraSource);
    ~LinuxPlatform();

    PlatformServices services();
    DefaultsStore &defaults() { return defaults_; }
    TaskQueue &mainQueue() { return mainQueue_; }

private:
    LogSink &log_;
    SystemClock clock_;
    QtTimers timers_;
    QtEventLoopQueue mainQueue_;
    SerialThreadQueue processingQueue_;
    ThreadPoolQueue backgroundQueue_;
    FileDefaultsStore defaults_;
    std::unique_ptr<Camera> camera_;
    LibsecretSecretStore secrets_;
    DisplayManagerSessionLocker sessionLocker_;
    LogindSessionMonitor sessionMonitor_;
    CanberraAlertSound alertSound_;
};

} // namespace vardo
