#pragma once

#include "platform/task_queue.h"

#include <QObject>
#include <QPointer>

namespace vardo {

// Runs tasks on the thread of a QObject (the main thread, for the application object)
// through its event loop. Safe to post from any thread.
class QtEventLoopQueue final : public TaskQueue {
public:
    explicit QtEventLoopQueue(QObject *context);
    void post(std::function<void()> task) override;
    void postAfter(double delaySeconds, std::function<void()> task) override;
    void runAndWait(std::function<void()> task) override;

private:
    QPointer<QObject> context_;
};

} // namespace vardo
