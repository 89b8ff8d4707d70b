#pragma once

#include "platform/alert_sound.h"

namespace vardo {

// Counts plays; plays nothing.
class FakeAlertSound final : public AlertSound {
public:
    bool play() override;

    // False: every play reports that nothing could be played.
    void setPlayable(bool playable) { playable_ = playable; }
    int playCount() const { return playCount_; }

private:
    bool playable_ = true;
    int playCount_ = 0;
};

} // namespace vardo
