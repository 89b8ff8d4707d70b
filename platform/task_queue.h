#pragma once

#include <functional>

namespace vardo {

// A queue that runs tasks in the order they were posted (a serial queue), or, for the
// background pool, in any order on some worker thread.
class TaskQueue {
public:
    virtual ~TaskQueue() = default;
    virtual void post(std::function<void()> task) = 0;
    virtual void postAfter(double delaySeconds, std::function<void()> task) = 0;
};

} // namespace vardo
