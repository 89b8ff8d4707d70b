#include "app/application.h"

#include <gtest/gtest.h>

namespace vardo {
namespace {

TEST(StateCommand, ExtraArgumentsAreAUsageError)
{
    char program[] = "nerova-vardo", state[] = "state", extra[] = "extra-arg";
    char *argv[] = {program, state, extra, nullptr};
    int argc = 3;
    testing::internal::CaptureStderr();
    EXPECT_EQ(runStateCommand(argc, argv), 2);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "usage: nerova-vardo state\n");
}

} // namespace
} // namespace vardo
