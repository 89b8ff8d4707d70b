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
    // Runs the task on the queue, after the tasks already due, and returns once it has
    // run; called on the queue itself, it runs the task at once. For tearing down what
    // the queue's tasks use: when it returns, none of them is running.
    virtual void runAndWait(std::function<void()> task) = 0;
};

} // namespace vardo
