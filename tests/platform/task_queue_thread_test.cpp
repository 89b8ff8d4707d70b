#include "platform/task_queue_thread.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <thread>
#include <vector>

namespace vardo {
namespace {

// What tearing down relies on: the task waits for the one running now (the capture
// thread inside a frame) and returns only when it has run itself.
TEST(SerialThreadQueue, RunAndWaitRunsAfterTheTaskInProgressAndReturnsWhenDone)
{
    SerialThreadQueue queue("test-queue");
    std::vector<std::string> order; // written on the queue's thread, read after the joins
    std::promise<void> started, release;
    queue.post([&, go = release.get_future().share()] {
        started.set_value();
        go.wait();
        order.push_back("frame");
    });
    started.get_future().wait();
    std::thread teardown([&] {
        queue.runAndWait([&] { order.push_back("teardown"); });
        order.push_back("returned");
    });
    release.set_value();
    teardown.join();
    EXPECT_EQ(order, (std::vector<std::string>{"frame", "teardown", "returned"}));

    // On the queue's own thread it runs at once instead of waiting for itself.
    std::promise<bool> inline_;
    queue.post([&] {
        bool ran = false;
        queue.runAndWait([&] { ran = true; });
        inline_.set_value(ran);
    });
    EXPECT_TRUE(inline_.get_future().get());
}

} // namespace
} // namespace vardo
