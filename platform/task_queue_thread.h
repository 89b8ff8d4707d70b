#pragma once

#include "platform/task_queue.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace vardo {

// A serial queue with one dedicated thread of its own: tasks run one at a time, in the
// order they fall due (posting order for equal times).
class SerialThreadQueue final : public TaskQueue {
public:
    explicit SerialThreadQueue(std::string label);
    ~SerialThreadQueue() override; // runs no further tasks, joins the thread

    void post(std::function<void()> task) override;
    void postAfter(double delaySeconds, std::function<void()> task) override;
    void runAndWait(std::function<void()> task) override;

    const std::string &label() const { return label_; }
    bool isCurrentThread() const { return std::this_thread::get_id() == thread_.get_id(); }

private:
    using Clock = std::chrono::steady_clock;
    void run();

    std::string label_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::multimap<std::pair<Clock::time_point, std::uint64_t>, std::function<void()>> tasks_;
    std::uint64_t sequence_ = 0;
    bool stopping_ = false;
    std::thread thread_;
};

// A pool of worker threads for background work that may run in parallel.
class ThreadPoolQueue final : public TaskQueue {
public:
    ThreadPoolQueue();
    void post(std::function<void()> task) override;
    void postAfter(double delaySeconds, std::function<void()> task) override;
    void runAndWait(std::function<void()> task) override;

private:
    SerialThreadQueue delays_{"vardo-delays"};
};

} // namespace vardo
