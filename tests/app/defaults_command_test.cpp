#include "app/defaults_command.h"
#include "platform/defaults_store.h"
#include "platform/defaults_store_file.h"
#include "platform/fakes/memory_log.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include <unistd.h>

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

TEST(DefaultsCommand, WritesReadsAndDeletesEachType)
{
    MemoryDefaultsStore store;
    EXPECT_EQ(run(store, {"write", "vardo_lock_timeout", "-int", "30"}).status, 0);
    EXPECT_EQ(run(store, {"write", "vardo_total_time", "-float", "12.5"}).status, 0);
    EXPECT_EQ(run(store, {"write", "vardo_lock_mode", "-string", "lock_mac"}).status, 0);
    EXPECT_EQ(store.object("vardo_lock_timeout"), DefaultsValue(std::int64_t{30}));
    EXPECT_EQ(store.object("vardo_total_time"), DefaultsValue(12.5));
    EXPECT_EQ(run(store, {"read", "vardo_lock_mode"}).out, "\"lock_mac\"\n");
    EXPECT_NE(run(store, {"read"}).out.find("\"vardo_total_time\" = 12.5;"), std::string::npos);
    EXPECT_EQ(run(store, {"delete", "nothing"}).status, 1);
    EXPECT_EQ(run(store, {"delete", "vardo_lock_mode"}).status, 0);
    EXPECT_FALSE(store.object("vardo_lock_mode").has_value());
    for (const auto &[text, expected] : std::vector<std::pair<std::string, bool>>{
             {"YES", true}, {"1", true}, {"no", false}, {"0", false}}) {
        ASSERT_EQ(run(store, {"write", "vardo_enabled", "-bool", text}).status, 0) << text;
        EXPECT_EQ(store.object("vardo_enabled"), DefaultsValue(expected)) << text;
    }
}

TEST(DefaultsCommand, BadInputChangesNothing)
{
    MemoryDefaultsStore store;
    store.setInteger("vardo_lock_timeout", 10);
    for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
             {"write", "vardo_lock_timeout", "-int", "ten"},
             {"write", "vardo_lock_timeout", "-int", "99999999999999999999"},
             {"write", "vardo_enabled", "-bool", "maybe"},
             {"write", "vardo_lock_timeout", "-date", "1"},
             {"write", "vardo_lock_timeout"},
             {"frobnicate"},
             {"write", "", "-int", "1"}})
        EXPECT_EQ(run(store, args).status, 2) << ::testing::PrintToString(args);
    EXPECT_EQ(store.keys(), std::vector<std::string>{"vardo_lock_timeout"});
    EXPECT_EQ(store.integer("vardo_lock_timeout"), 10);
}

// Each way the settings file can fail to be written: the store's log line says why,
// and the exit status must not claim success.
TEST(DefaultsCommand, NothingSavedIsAFailure)
{
    struct Case {
        const char *name;
        std::function<QString(const QTemporaryDir &)> settingsPath; // set up, then the path
        bool needsPermissions;
    };
    const Case cases[] = {
        {"settings path is a folder",
         [](const QTemporaryDir &dir) {
             QDir(dir.path()).mkpath("NerovaVardo/settings.json");
             return dir.filePath("NerovaVardo/settings.json");
         },
         false},
        {"folder cannot be created", [](const QTemporaryDir &) { return QString("/proc/self/vardo/settings.json"); },
         false},
        {"dangling link into a missing folder",
         [](const QTemporaryDir &dir) {
             QDir(dir.path()).mkpath("NerovaVardo");
             QFile::link(dir.filePath("gone/settings.json"), dir.filePath("NerovaVardo/settings.json"));
             return dir.filePath("NerovaVardo/settings.json");
         },
         false},
        {"file unreadable",
         [](const QTemporaryDir &dir) {
             QDir(dir.path()).mkpath("NerovaVardo");
             const QString path = dir.filePath("NerovaVardo/settings.json");
             QFile file(path);
             file.open(QIODevice::WriteOnly);
             file.write("{}");
             file.setPermissions({});
             return path;
         },
         true},
        {"folder read-only",
         [](const QTemporaryDir &dir) {
             QDir(dir.path()).mkpath("NerovaVardo");
             QFile::setPermissions(dir.filePath("NerovaVardo"), QFile::ReadOwner | QFile::ExeOwner);
             return dir.filePath("NerovaVardo/settings.json");
         },
         true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsPermissions && ::geteuid() == 0)
            continue; // permissions do not stop root
        QTemporaryDir dir;
        MemoryLog log;
        FileDefaultsStore store(c.settingsPath(dir), log);
        const CommandRun written = run(store, {"write", "vardo_lock_timeout", "-int", "30"});
        EXPECT_EQ(written.status, 1);
        EXPECT_FALSE(written.err.empty());
        EXPECT_FALSE(log.lines().empty());
        QFile::setPermissions(dir.filePath("NerovaVardo"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

} // namespace
} // namespace vardo
