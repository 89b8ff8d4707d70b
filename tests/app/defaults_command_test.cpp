#include "app/defaults_command.h"
#include "platform/defaults_store.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vardo {
namespace {

struct CommandRun {
    int status;
    std::string out, err;
};

CommandRun run(DefaultsStore &store, std::vector<std::string> args)
{
    std::ostringstream out, err;
    const int status = runDefaultsCommand(args, store, out, err);
    return {status, out.str(), err.str()};
}

TEST(DefaultsCommand, WritesEachTypeAndReadsItBack)
{
    MemoryDefaultsStore store;
    EXPECT_EQ(run(store, {"write", "vardo_lock_timeout", "-int", "30"}).status, 0);
    EXPECT_EQ(run(store, {"write", "vardo_total_time", "-float", "12.5"}).status, 0);
    EXPECT_EQ(run(store, {"write", "vardo_lock_mode", "-string", "lock_mac"}).status, 0);
    EXPECT_EQ(store.object("vardo_lock_timeout"), DefaultsValue(std::int64_t{30}));
    EXPECT_EQ(store.object("vardo_total_time"), DefaultsValue(12.5));
    EXPECT_EQ(run(store, {"read", "vardo_lock_mode"}).out, "\"lock_mac\"\n");
    EXPECT_EQ(run(store, {"read", "vardo_lock_timeout"}).out, "30\n");
    const CommandRun all = run(store, {"read"});
    EXPECT_NE(all.out.find("\"vardo_total_time\" = 12.5;"), std::string::npos);
}

TEST(DefaultsCommand, BooleansAcceptTheUsualSpellings)
{
    MemoryDefaultsStore store;
    for (const auto &[text, expected] : std::vector<std::pair<std::string, bool>>{
             {"true", true}, {"YES", true}, {"1", true}, {"false", false}, {"no", false}, {"0", false}}) {
        ASSERT_EQ(run(store, {"write", "vardo_enabled", "-bool", text}).status, 0) << text;
        EXPECT_EQ(store.object("vardo_enabled"), DefaultsValue(expected)) << text;
    }
}

TEST(DefaultsCommand, BadInputChangesNothing)
{
    MemoryDefaultsStore store;
    store.setInteger("vardo_lock_timeout", 10);
    EXPECT_EQ(run(store, {"write", "vardo_lock_timeout", "-int", "ten"}).status, 2);
    EXPECT_EQ(run(store, {"write", "vardo_lock_timeout", "-int", "99999999999999999999"}).status, 2);
    EXPECT_EQ(run(store, {"write", "vardo_enabled", "-bool", "maybe"}).status, 2);
    EXPECT_EQ(run(store, {"write", "vardo_lock_timeout", "-date", "1"}).status, 2);
    EXPECT_EQ(run(store, {"write", "vardo_lock_timeout"}).status, 2);
    EXPECT_EQ(run(store, {"frobnicate"}).status, 2);
    EXPECT_EQ(store.keys(), std::vector<std::string>{"vardo_lock_timeout"});
    EXPECT_EQ(store.integer("vardo_lock_timeout"), 10);
}

TEST(DefaultsCommand, ReadingOrDeletingAMissingKeyFails)
{
    MemoryDefaultsStore store;
    EXPECT_EQ(run(store, {"read", "nothing"}).status, 1);
    EXPECT_EQ(run(store, {"delete", "nothing"}).status, 1);
    store.setBool("vardo_enabled", true);
    EXPECT_EQ(run(store, {"delete", "vardo_enabled"}).status, 0);
    EXPECT_TRUE(store.keys().empty());
}

} // namespace
} // namespace vardo
