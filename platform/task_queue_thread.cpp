#include "platform/task_queue_thread.h"

#include <QRunnable>
#include <QThreadPool>

#include <future>

#include <pthread.h>

namespace vardo {

SerialThreadQueue::SerialThreadQueue(std::string label)
    : label_(std::move(label))
    , thread_([this] { run(); })
{
    // Thread names are limited to 15 characters; keep the distinctive end.
    const std::string name = label_.size() > 15 ? label_.substr(label_.size() - 15) : label_;
    pthread_setname_np(thread_.native_handle(), name.c_str());
}

SerialThreadQueue::~SerialThreadQueue()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        tasks_.clear();
    }
    wake_.notify_all();
    thread_.join();
}

void SerialThreadQueue::post(std::function<void()> task)
{
    postAfter(0.0, std::move(task));
}

void SerialThreadQueue::postAfter(double delaySeconds, std::function<void()> task)
{
    const auto due = Clock::now()
        + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(std::max(0.0, delaySeconds)));
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return;
        tasks_.emplace(std::make_pair(due, sequence_++), std::move(task));
    }
    wake_.notify_one();
}

void SerialThreadQueue::runAndWait(std::function<void()> task)
{
    if (isCurrentThread()) {
        task();
        return;
    }
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            // The thread is gone or going: nothing else can run on the queue any more.
            finished = {};
        } else {
            tasks_.emplace(std::make_pair(Clock::now(), sequence_++), [&task, &done] {
                task();
                done.set_value();
            });
        }
    }
    if (!finished.valid()) {
        task();
        return;
    }
    wake_.notify_one();
    finished.wait();
}

void SerialThreadQueue::run()
{
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (tasks_.empty()) {
            wake_.wait(lock);
            continue;
        }
        auto first = tasks_.begin();
        if (first->first.first > Clock::now()) {
            wake_.wait_until(lock, first->first.first);
            continue;
        }
        auto task = std::move(first->second);
        tasks_.erase(first);
        lock.unlock();
        task();
        lock.lock();
    }
}

ThreadPoolQueue::ThreadPoolQueue() = default;

void ThreadPoolQueue::post(std::function<void()> task)
{
    QThreadPool::globalInstance()->start(std::move(task));
}

void ThreadPoolQueue::runAndWait(std::function<void()> task)
{
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    QThreadPool::globalInstance()->start([&task, &done] {
        task();
        done.set_value();
    });
    finished.wait();
}

void ThreadPoolQueue::postAfter(double delaySeconds, std::function<void()> task)
{
    delays_.postAfter(delaySeconds, [task = std::move(task)]() mutable {
        QThreadPool::globalInstance()->start(std::move(task));
    });
}

} // namespace vardo
