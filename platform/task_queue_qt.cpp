#include "platform/task_queue_qt.h"

#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include <cmath>

namespace vardo {

QtEventLoopQueue::QtEventLoopQueue(QObject *context)
    : context_(context)
{
}

void QtEventLoopQueue::post(std::function<void()> task)
{
    if (context_)
        QMetaObject::invokeMethod(context_, std::move(task), Qt::QueuedConnection);
}

void QtEventLoopQueue::runAndWait(std::function<void()> task)
{
    if (!context_ || context_->thread() == QThread::currentThread()) {
        task();
        return;
    }
    QMetaObject::invokeMethod(context_, std::move(task), Qt::BlockingQueuedConnection);
}

void QtEventLoopQueue::postAfter(double delaySeconds, std::function<void()> task)
{
    if (!context_)
        return;
    const int ms = static_cast<int>(std::lround(std::max(0.0, delaySeconds) * 1000.0));
    // A timer must be started on the thread that owns it: hop there first.
    QPointer<QObject> context = context_;
    QMetaObject::invokeMethod(context_, [context, ms, task = std::move(task)]() mutable {
        if (context)
            QTimer::singleShot(ms, Qt::PreciseTimer, context, std::move(task));
    }, Qt::QueuedConnection);
}

} // namespace vardo
