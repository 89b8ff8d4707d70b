#pragma once

namespace vardo {

// The short alert played when the screen is locked or the shoulder guard rises.
class AlertSound {
public:
    virtual ~AlertSound() = default;

    // Starts the sound and returns at once. False when it could not be started (no
    // sound, no audio output); that is never an error for the caller.
    virtual bool play() = 0;
};

} // namespace vardo
