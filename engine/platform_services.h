#pragma once

namespace vardo {

class AlertSound;
class Camera;
class Clock;
class DefaultsStore;
class FrameAnalysis;
class LogSink;
class LoginSessionMonitor;
class OverlayWindows;
class SecretStore;
class SessionLocker;
class TaskQueue;
class Timers;

// The operating-system services the engine works through. The application fills it with
// the Linux adapters; tests and the headless replay fill it with fakes and virtual time.
struct PlatformServices {
    Clock &clock;
    Timers &timers;
    TaskQueue &mainQueue;
    TaskQueue &processingQueue;  // "com.nerova.vardo.facedetection": capture and analysis
    TaskQueue &backgroundQueue;  // work that may run in parallel (liveness)
    DefaultsStore &defaults;
    Camera &camera;
    LogSink &log;
    SecretStore &secrets;
    OverlayWindows &overlays;
    SessionLocker &sessionLocker;
    LoginSessionMonitor &sessionMonitor;
    AlertSound &alertSound;
    // Finds faces and computes embeddings on the processing queue; none means analysed
    // frames end after intake.
    FrameAnalysis *frameAnalysis = nullptr;
};

} // namespace vardo
