#include "platform/session_locker_displaymanager.h"
#include "tests/support/core_application.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace vardo {
namespace {

constexpr int waitMs = 30000;

// Directories of stand-in tools: shell scripts that write their arguments, one per
// line, to "<name>.args" next to themselves.
class DisplayManagerSessionLockerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureCoreApplication();
        ASSERT_TRUE(first.isValid() && second.isValid());
    }

    static std::string dir(const QTemporaryDir &d) { return d.path().toStdString(); }
    static QString toolFile(const QTemporaryDir &d, const QString &name) { return d.filePath(name); }

    // `after` runs once the arguments are written.
    static void addTool(const QTemporaryDir &d, const QString &name, const QString &after = {},
                        bool executable = true)
    {
        const QString path = toolFile(d, name);
        QFile script(path);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        const QString args = path + QStringLiteral(".args");
        script.write(QStringLiteral("#!/bin/sh\n"
                                    "printf '%s\\n' \"$@\" > '%1.tmp'\n"
                                    "mv '%1.tmp' '%1'\n"
                                    "%2\n")
                         .arg(args, after)
                         .toUtf8());
        script.close();
        ASSERT_TRUE(script.setPermissions(executable ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                     : QFile::ReadOwner | QFile::WriteOwner));
    }

    static std::optional<QString> argumentsOf(const QTemporaryDir &d, const QString &name)
    {
        const QString path = toolFile(d, name) + QStringLiteral(".args");
        if (!QTest::qWaitFor([&] { return QFile::exists(path); }, waitMs))
            return std::nullopt;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return QString::fromUtf8(file.readAll());
    }

    QTemporaryDir first;
    QTemporaryDir second;
};

TEST_F(DisplayManagerSessionLockerTest, PrefersDmToolThenGdmflexiserverThenLoginctl)
{
    addTool(first, "loginctl");
    addTool(first, "gdmflexiserver");
    addTool(first, "dm-tool");
    DisplayManagerSessionLocker locker({dir(first)});
    for (const char *tool : {"dm-tool", "gdmflexiserver", "loginctl"}) {
        EXPECT_EQ(locker.toolPath(), toolFile(first, tool).toStdString());
        QFile::remove(toolFile(first, tool));
    }
    EXPECT_EQ(locker.toolPath(), std::nullopt);
    const auto result = locker.launch();
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.error, "no session lock tool found");
}

TEST_F(DisplayManagerSessionLockerTest, SearchesTheDirectoriesForTheBestTool)
{
    addTool(first, "loginctl");
    addTool(second, "dm-tool");
    // The better tool wins over the earlier directory.
    EXPECT_EQ(DisplayManagerSessionLocker({dir(first), dir(second)}).toolPath(), toolFile(second, "dm-tool").toStdString());
    // The same tool is taken from the earlier directory.
    addTool(first, "dm-tool");
    EXPECT_EQ(DisplayManagerSessionLocker({dir(second), dir(first), "/nonexistent/vardo"}).toolPath(),
              toolFile(second, "dm-tool").toStdString());
    // A directory named like a tool is no tool.
    QFile::remove(toolFile(first, "dm-tool"));
    ASSERT_TRUE(QDir(first.path()).mkdir("dm-tool"));
    EXPECT_EQ(DisplayManagerSessionLocker({dir(first)}).toolPath(), toolFile(first, "loginctl").toStdString());
}

TEST_F(DisplayManagerSessionLockerTest, RunsEachToolWithItsArguments)
{
    // printf with no arguments writes an empty line.
    for (const auto &[tool, arguments] : {std::pair{"dm-tool", "switch-to-greeter\n"}, std::pair{"gdmflexiserver", "\n"},
                                          std::pair{"loginctl", "lock-session\n"}}) {
        SCOPED_TRACE(tool);
        QTemporaryDir folder;
        addTool(folder, tool);
        addTool(folder, "loginctl");
        const auto result = DisplayManagerSessionLocker({dir(folder)}).launch();
        ASSERT_TRUE(result.ok()) << result.error;
        EXPECT_TRUE(result.error.empty());
        EXPECT_EQ(argumentsOf(folder, tool), QString::fromLatin1(arguments));
    }
}

TEST_F(DisplayManagerSessionLockerTest, ReturnsWhileTheToolIsStillRunning)
{
    // The tool blocks on a FIFO until the test writes to it, which the test does only
    // after launch() has returned: a launch that waited for the tool would never return.
    const QString gate = first.filePath("gate");
    const QString finished = first.filePath("finished");
    ASSERT_EQ(::mkfifo(QFile::encodeName(gate).constData(), 0600), 0);
    addTool(first, "dm-tool", QStringLiteral("read line < '%1'\ntouch '%2'").arg(gate, finished));
    DisplayManagerSessionLocker locker({dir(first)});

    auto launching = std::async(std::launch::async, [&] { return locker.launch(); });
    const bool returned = launching.wait_for(std::chrono::seconds(120)) == std::future_status::ready;
    ASSERT_TRUE(argumentsOf(first, "dm-tool").has_value());
    EXPECT_FALSE(QFile::exists(finished));

    const int fd = ::open(QFile::encodeName(gate).constData(), O_WRONLY); // the tool is reading
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "go\n", 3), 3);
    ::close(fd);
    EXPECT_TRUE(returned);
    EXPECT_TRUE(launching.get().ok());
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(finished); }, waitMs));
}

TEST_F(DisplayManagerSessionLockerTest, FindsANonExecutableToolAndReportsWhyItCannotRun)
{
    addTool(first, "dm-tool", {}, /*executable=*/false);
    addTool(first, "loginctl");
    DisplayManagerSessionLocker locker({dir(first)});

    EXPECT_EQ(locker.toolPath(), toolFile(first, "dm-tool").toStdString());
    const auto result = locker.launch();
    EXPECT_FALSE(result.ok());
    EXPECT_NE(result.error.find("Permission denied"), std::string::npos) << result.error;
    EXPECT_FALSE(QFile::exists(toolFile(first, "loginctl") + ".args"));
}

TEST(DisplayManagerSessionLockerSearchTest, SearchesAbsolutePathEntriesThenTheSystemDirectories)
{
    const char *saved = std::getenv("PATH");
    const std::string original = saved ? saved : "";
    ::setenv("PATH", "/opt/vardo-a:relative/bin::.:/opt/vardo-b", 1);
    const auto dirs = DisplayManagerSessionLocker::defaultSearchDirectories();
    ::setenv("PATH", original.c_str(), 1);

    EXPECT_EQ(dirs, (std::vector<std::string>{"/opt/vardo-a", "/opt/vardo-b", "/usr/local/bin",
                                              "/usr/bin", "/bin", "/usr/sbin", "/sbin"}));
}

} // namespace
} // namespace vardo
