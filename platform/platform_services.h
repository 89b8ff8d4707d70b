#pragma once

namespace vardo {

class AlertSound;
class Camera;
class Clock;
class DefaultsStore;
class LogSink;
class LoginSessionMonitor;
class SecretStore;
class SessionLocker;
class TaskQueue;
class Timers;

// The operating-system services the engine works through. The application fills it with
// the Linux adapters; tests and the headless replay fill it with fakes on virtual time.
// Fill it by name (designated initialisers): every member is required.
struct PlatformServices {
    Clock &clock;
    Timers &timers;
    TaskQueue &mainQueue;
    TaskQueue &processingQueue; // "com.nerova.vardo.facedetection": capture and analysis
    TaskQueue &backgroundQueue; // work that may run in parallel (liveness)
    DefaultsStore &defaults;
    Camera &camera;
    LogSink &log;
    SecretStore &secrets;
    SessionLocker &sessionLocker;
    LoginSessionMonitor &sessionMonitor;
    AlertSound &alertSound;
};

} // namespace vardo
