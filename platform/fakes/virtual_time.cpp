#include "platform/fakes/virtual_time.h"

#include <algorithm>

namespace vardo {

class VirtualTime::Queue final : public TaskQueue {
public:
    explicit Queue(VirtualTime &time) : time_(time) {}
    void post(std::function<void()> task) override { time_.enqueue(time_.now_, std::move(task)); }
    void postAfter(double delaySeconds, std::function<void()> task) override
    {
        time_.enqueue(time_.now_ + std::max(0.0, delaySeconds), std::move(task));
    }
    // Every queue runs on the caller's thread: nothing else can be running.
    void runAndWait(std::function<void()> task) override { task(); }

private:
    VirtualTime &time_;
};

class VirtualTime::VirtualTimer final : public Timer {
public:
    VirtualTimer(VirtualTime &time, double interval, bool repeats, std::function<void()> fire)
    {
        arm(time, time.now_ + interval, interval, repeats,
            std::make_shared<std::function<void()>>(std::move(fire)), cancelled_);
    }
    ~VirtualTimer() override { invalidate(); }
    void invalidate() override { *cancelled_ = true; }

private:
    // The scheduled entries own what they need: the engine may drop the handle from
    // inside the callback it is running.
    static void arm(VirtualTime &time, double due, double interval, bool repeats,
                    std::shared_ptr<std::function<void()>> fire, std::shared_ptr<bool> cancelled)
    {
        time.enqueue(due, [&time, due, interval, repeats, fire, cancelled] {
            if (*cancelled)
                return;
            if (repeats)
                arm(time, due + interval, interval, repeats, fire, cancelled);
            (*fire)();
        }, cancelled);
    }

    std::shared_ptr<bool> cancelled_ = std::make_shared<bool>(false);
};

VirtualTime::VirtualTime(double startSeconds)
    : now_(startSeconds)
    , main_(std::make_unique<Queue>(*this))
    , processing_(std::make_unique<Queue>(*this))
    , background_(std::make_unique<Queue>(*this))
{
}

VirtualTime::~VirtualTime() = default;

TaskQueue &VirtualTime::mainQueue() { return *main_; }
TaskQueue &VirtualTime::processingQueue() { return *processing_; }
TaskQueue &VirtualTime::backgroundQueue() { return *background_; }

std::unique_ptr<Timer> VirtualTime::schedule(double intervalSeconds, bool repeats, std::function<void()> fire)
{
    // A zero interval would repeat forever without moving the clock.
    return std::make_unique<VirtualTimer>(*this, std::max(intervalSeconds, 1e-3), repeats, std::move(fire));
}

void VirtualTime::enqueue(double due, std::function<void()> run, std::shared_ptr<bool> cancelled)
{
    entries_.emplace(std::make_pair(due, sequence_++), Entry{std::move(run), std::move(cancelled)});
}

void VirtualTime::advanceTo(double t)
{
    while (!entries_.empty() && entries_.begin()->first.first <= t) {
        auto first = entries_.begin();
        Entry entry = std::move(first->second);
        now_ = std::max(now_, first->first.first);
        entries_.erase(first);
        if (entry.cancelled && *entry.cancelled)
            continue;
        entry.run();
    }
    now_ = std::max(now_, t);
}

std::size_t VirtualTime::pendingCount() const
{
    return std::count_if(entries_.begin(), entries_.end(),
                         [](const auto &e) { return !(e.second.cancelled && *e.second.cancelled); });
}

} // namespace vardo
