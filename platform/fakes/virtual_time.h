#pragma once

#include "platform/clock.h"
#include "platform/task_queue.h"
#include "platform/timers.h"

#include <cstdint>
#include <map>
#include <memory>

namespace vardo {

// A clock, timers and queues that move only when told to. Every task and timer of every
// queue runs on the calling thread, in the order of its due time and, for equal times, of
// scheduling, so a test (or the headless replay) drives the engine deterministically.
class VirtualTime final : public Clock, public Timers {
public:
    explicit VirtualTime(double startSeconds = 0.0);
    ~VirtualTime() override;

    double now() const override { return now_; }
    std::unique_ptr<Timer> schedule(double intervalSeconds, bool repeats,
                                    std::function<void()> fire) override;

    TaskQueue &mainQueue();
    TaskQueue &processingQueue();
    TaskQueue &backgroundQueue();

    // Runs everything due up to `t`, moving the clock to each due time on the way, and
    // leaves the clock at `t`. Moving backwards is not possible.
    void advanceTo(double t);
    void advanceBy(double seconds) { advanceTo(now_ + seconds); }
    // Runs everything due now, including what those tasks post for now.
    void runUntilIdle() { advanceTo(now_); }

    std::size_t pendingCount() const;

private:
    class Queue;
    class VirtualTimer;
    struct Entry {
        std::function<void()> run;
        std::shared_ptr<bool> cancelled;
    };

    void enqueue(double due, std::function<void()> run, std::shared_ptr<bool> cancelled = {});

    double now_;
    std::uint64_t sequence_ = 0;
    std::multimap<std::pair<double, std::uint64_t>, Entry> entries_;
    std::unique_ptr<Queue> main_, processing_, background_;
};

} // namespace vardo
