#include "platform/alert_sound_canberra.h"

#include <canberra.h>

#include <chrono>
#include <cstdint>

namespace vardo {

CanberraAlertSound::CanberraAlertSound(LogSink &log, CanberraAlertOptions options)
    : log_(log), options_(std::move(options))
{
    if (ca_context_create(&context_) != CA_SUCCESS) {
        context_ = nullptr;
        return;
    }
    ca_context_change_props(context_, CA_PROP_APPLICATION_NAME, "Nerova Vardo",
                            CA_PROP_APPLICATION_ID, "com.nerova.vardo", nullptr);
    if (!options_.driver.empty())
        ca_context_set_driver(context_, options_.driver.c_str());
    if (!options_.device.empty())
        ca_context_change_device(context_, options_.device.c_str());
}

namespace {

constexpr std::uint32_t alertSoundId = 1;

} // namespace

CanberraAlertSound::~CanberraAlertSound()
{
    if (!context_)
        return;
    ca_context_cancel(context_, alertSoundId);
    {
        std::unique_lock lock(playing_.mutex);
        playing_.finished.wait_for(lock, std::chrono::seconds(5), [this] { return playing_.count == 0; });
    }
    ca_context_destroy(context_);
}

bool CanberraAlertSound::play()
{
    if (!context_) {
        reportFailure("no sound context");
        return false;
    }
    // The context connects to the output on the first play and again on later plays
    // while it has none, so a sound server that starts later is still used.
    ca_proplist *properties = nullptr;
    if (ca_proplist_create(&properties) != CA_SUCCESS) {
        reportFailure("no memory");
        return false;
    }
    ca_proplist_sets(properties, CA_PROP_EVENT_ID, options_.eventId.c_str());
    ca_proplist_sets(properties, CA_PROP_EVENT_DESCRIPTION, "Screen protection alert");
    {
        std::lock_guard lock(playing_.mutex);
        ++playing_.count;
    }
    const auto finished = [](ca_context *, std::uint32_t, int, void *userdata) {
        auto *playing = static_cast<Playing *>(userdata);
        std::lock_guard lock(playing->mutex);
        --playing->count;
        playing->finished.notify_all();
    };
    const int result = ca_context_play_full(context_, alertSoundId, properties, finished, &playing_);
    ca_proplist_destroy(properties);
    if (result != CA_SUCCESS) {
        {
            // The callback never runs for a sound that did not start.
            std::lock_guard lock(playing_.mutex);
            --playing_.count;
        }
        reportFailure(ca_strerror(result));
        return false;
    }
    return true;
}

void CanberraAlertSound::reportFailure(const char *reason)
{
    if (failureLogged_)
        return;
    failureLogged_ = true;
    log_.write(std::string("[Vardo] Alert sound not played: ") + reason);
}

} // namespace vardo
