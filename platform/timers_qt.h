#pragma once

#include "platform/timers.h"

namespace vardo {

// Timers of the Qt event loop of the calling thread (the main thread for the engine).
class QtTimers final : public Timers {
public:
    std::unique_ptr<Timer> schedule(double intervalSeconds, bool repeats,
                                    std::function<void()> fire) override;
};

} // namespace vardo
