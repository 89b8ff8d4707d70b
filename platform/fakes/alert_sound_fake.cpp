#include "platform/fakes/alert_sound_fake.h"

namespace vardo {

bool FakeAlertSound::play()
{
    ++playCount_;
    return playable_;
}

} // namespace vardo
