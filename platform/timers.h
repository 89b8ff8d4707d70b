#pragma once

#include <functional>
#include <memory>

namespace vardo {

// A scheduled timer. Destroying the handle invalidates the timer.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void invalidate() = 0;
};

// Repeating and one-shot timers that fire on the main thread.
class Timers {
public:
    virtual ~Timers() = default;
    virtual std::unique_ptr<Timer> schedule(double intervalSeconds, bool repeats,
                                            std::function<void()> fire) = 0;
};

} // namespace vardo
