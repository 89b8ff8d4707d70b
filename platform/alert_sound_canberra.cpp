#include "platform/alert_sound_canberra.h"

#include <canberra.h>

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

CanberraAlertSound::~CanberraAlertSound()
{
    if (context_)
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
    const int result = ca_context_play(context_, 0, CA_PROP_EVENT_ID, options_.eventId.c_str(),
                                       CA_PROP_EVENT_DESCRIPTION, "Screen protection alert",
                                       nullptr);
    if (result != CA_SUCCESS) {
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
