#pragma once

#include "engine/engine_modules.h"
#include "intruder/intruder_photo_folder.h"
#include "platform/defaults_store.h"
#include "platform/fakes/alert_sound_fake.h"
#include "platform/fakes/authenticator_fake.h"
#include "platform/fakes/camera_fake.h"
#include "platform/fakes/login_session_monitor_fake.h"
#include "platform/fakes/memory_log.h"
#include "platform/fakes/secret_store_fake.h"
#include "platform/fakes/session_locker_fake.h"
#include "platform/fakes/virtual_time.h"
#include "platform/platform_services.h"
#include "replay/recording_overlay_windows.h"

#include <QTemporaryDir>

namespace vardo {

// What a test puts in place of a fake.
struct FakeReplacements {
    Clock *clock = nullptr;
    DefaultsStore *defaults = nullptr;
    Camera *camera = nullptr;
    LogSink *log = nullptr;
    SecretStore *secrets = nullptr;
    AlertSound *alertSound = nullptr;
    LoginSessionMonitor *sessionMonitor = nullptr;
    TaskQueue *processingQueue = nullptr;
};

// The whole platform as fakes on virtual time, with recorders for the engine's sibling
// modules. The tests and the headless replay run the real engine on it: nothing touches
// the user's settings, keyring, camera, screens or data folder.
struct SimulatedPlatform {
    // The session tool works: a launch takes the session away, until the user is back.
    explicit SimulatedPlatform(double startSeconds = 0.0) : time(startSeconds)
    {
        sessionLocker.onLaunch = [this] { sessionMonitor.sessionWentAway(); };
    }
    SimulatedPlatform(const SimulatedPlatform &) = delete;
    SimulatedPlatform &operator=(const SimulatedPlatform &) = delete;

    PlatformServices services(FakeReplacements with = {})
    {
        return PlatformServices{
            .clock = with.clock ? *with.clock : time,
            .timers = time,
            .mainQueue = time.mainQueue(),
            .processingQueue = with.processingQueue ? *with.processingQueue : time.processingQueue(),
            .backgroundQueue = time.backgroundQueue(),
            .defaults = with.defaults ? *with.defaults : defaults,
            .camera = with.camera ? *with.camera : camera,
            .log = with.log ? *with.log : log,
            .secrets = with.secrets ? *with.secrets : secrets,
            .sessionLocker = sessionLocker,
            .sessionMonitor = with.sessionMonitor ? *with.sessionMonitor : sessionMonitor,
            .alertSound = with.alertSound ? *with.alertSound : alertSound,
        };
    }

    EngineModules modules(FrameAnalysis *analysis = nullptr, OverlayWindows *otherOverlays = nullptr)
    {
        return EngineModules{.overlays = otherOverlays ? *otherOverlays : overlays,
                             .authenticator = authenticator,
                             .intruderPhotoFolder = intruderPhotoFolder,
                             .frameAnalysis = analysis};
    }

    VirtualTime time;
    MemoryDefaultsStore defaults;
    FakeCamera camera;
    MemoryLog log;
    MemorySecretStore secrets;
    FakeSessionLocker sessionLocker;
    FakeLoginSessionMonitor sessionMonitor;
    FakeAlertSound alertSound;
    RecordingOverlayWindows overlays;
    FakeAuthenticator authenticator{time.mainQueue()};
    // Intruder photos are real files, in a folder of this platform's own that goes with it.
    QTemporaryDir dataFolder;
    IntruderPhotoFolder intruderPhotoFolder{dataFolder.filePath(QStringLiteral("NerovaVardo/IntruderPhotos"))};
};

} // namespace vardo
