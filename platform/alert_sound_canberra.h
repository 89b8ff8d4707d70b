#pragma once

#include "platform/alert_sound.h"
#include "platform/log_sink.h"

#include <condition_variable>
#include <mutex>
#include <string>

struct ca_context;

namespace vardo {

struct CanberraAlertOptions {
    // The sound theme's event. "dialog-warning" is the sound desktops play when a
    // warning needs the user's attention, which is what a lock or a raised shoulder
    // guard is; "bell" means a refused key press and "message-new-instant" a chat
    // message, both of which would tell the wrong story.
    std::string eventId = "dialog-warning";
    // libcanberra's output driver ("pulse", "alsa", ...) and device; empty: its defaults.
    std::string driver;
    std::string device;
};

// Plays the alert through libcanberra from the desktop's sound theme (the freedesktop
// theme when the desktop names none). libcanberra plays on its own thread or in the
// sound server, so play() never waits for the sound. When nothing can be played one
// line is logged, the first time only.
class CanberraAlertSound final : public AlertSound {
public:
    explicit CanberraAlertSound(LogSink &log, CanberraAlertOptions options = {});
    ~CanberraAlertSound() override;

    CanberraAlertSound(const CanberraAlertSound &) = delete;
    CanberraAlertSound &operator=(const CanberraAlertSound &) = delete;

    bool play() override;

private:
    void reportFailure(const char *reason);

    LogSink &log_;
    CanberraAlertOptions options_;
    ca_context *context_ = nullptr;
    bool failureLogged_ = false;
    // Sounds still playing. libcanberra plays on threads of its own that use the context:
    // it may be destroyed only once they have finished.
    struct Playing {
        std::mutex mutex;
        std::condition_variable finished;
        int count = 0;
    };
    Playing playing_;
};

} // namespace vardo
