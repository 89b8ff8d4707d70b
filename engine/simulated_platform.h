#pragma once

#include "engine/platform_services.h"
#include "platform/alert_sound_fake.h"
#include "platform/camera_fake.h"
#include "platform/defaults_store.h"
#include "platform/log_sink.h"
#include "platform/login_session_monitor_fake.h"
#include "platform/overlay_windows.h"
#include "platform/secret_store_fake.h"
#include "platform/session_locker_fake.h"
#include "platform/virtual_time.h"

namespace vardo {

// The whole platform as fakes on virtual time. The tests and the headless replay run the
// real engine on it: nothing touches the user's settings, keyring, camera or screens.
struct SimulatedPlatform {
    // The session tool works: a launch takes the session away, until the user is back.
    explicit SimulatedPlatform(double startSeconds = 0.0) : time(startSeconds)
    {
        sessionLocker.onLaunch = [this] { sessionMonitor.sessionWentAway(); };
    }
    SimulatedPlatform(const SimulatedPlatform &) = delete;
    SimulatedPlatform &operator=(const SimulatedPlatform &) = delete;

    // Services over these fakes; a store, a log or an analysis given here replaces the
    // in-memory one.
    PlatformServices services(DefaultsStore *store = nullptr, LogSink *logSink = nullptr,
                              FrameAnalysis *analysis = nullptr)
    {
        return PlatformServices{time, time, time.mainQueue(), time.processingQueue(), time.backgroundQueue(),
                                store ? *store : defaults, camera, logSink ? *logSink : log, secrets, overlays,
                                sessionLocker, sessionMonitor, alertSound, analysis};
    }

    VirtualTime time;
    MemoryDefaultsStore defaults;
    FakeCamera camera;
    MemoryLog log;
    MemorySecretStore secrets;
    RecordingOverlayWindows overlays;
    FakeSessionLocker sessionLocker;
    FakeLoginSessionMonitor sessionMonitor;
    FakeAlertSound alertSound;
};

} // namespace vardo
