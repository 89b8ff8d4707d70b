#include "platform/fakes/virtual_time.h"

#include <gtest/gtest.h>

#include <vector>

namespace vardo {
namespace {

TEST(VirtualTime, RunsTasksAndTimersInDueOrderAcrossQueues)
{
    VirtualTime time(100.0);
    std::vector<std::string> order;
    time.mainQueue().postAfter(2.0, [&] { order.push_back("main@2"); });
    time.processingQueue().post([&] {
        order.push_back("processing@0");
        time.mainQueue().post([&] { order.push_back("main@0 posted by processing"); });
    });
    auto timer = time.schedule(1.5, false, [&] { order.push_back("timer@1.5"); });
    time.advanceTo(103.0);
    EXPECT_EQ(order, (std::vector<std::string>{"processing@0", "main@0 posted by processing", "timer@1.5", "main@2"}));
    EXPECT_DOUBLE_EQ(time.now(), 103.0);
}

TEST(VirtualTime, RepeatingTimerFiresOnItsGridAndStopsWhenDropped)
{
    VirtualTime time;
    std::vector<double> fired;
    std::unique_ptr<Timer> timer;
    timer = time.schedule(1.0, true, [&] {
        fired.push_back(time.now());
        if (fired.size() == 3)
            timer.reset(); // dropped from inside its own callback
    });
    time.advanceTo(10.0);
    EXPECT_EQ(fired, (std::vector<double>{1.0, 2.0, 3.0}));
    EXPECT_EQ(time.pendingCount(), 0u);
}

TEST(VirtualTime, InvalidatedTimerNeverFires)
{
    VirtualTime time;
    int fired = 0;
    auto timer = time.schedule(1.0, false, [&] { ++fired; });
    timer->invalidate();
    time.advanceTo(5.0);
    EXPECT_EQ(fired, 0);
}

} // namespace
} // namespace vardo
