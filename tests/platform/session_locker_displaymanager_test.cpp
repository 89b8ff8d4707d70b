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

// Stand-in tools: shell scripts that write their arguments, one per line, to
// "<name>.args" next to themselves, then run `after`.
class DisplayManagerSessionLockerTest : public ::testing::Test {
protected:
    void SetUp() override { test::ensureCoreApplication(); }

    static std::string dir(const QTemporaryDir &d) { return d.path().toStdString(); }
    static std::string tool(const QTemporaryDir &d, const QString &name) { return d.filePath(name).toStdString(); }

    static void addTool(const QTemporaryDir &d, const QString &name, const QString &after = {}, bool executable = true)
    {
        QFile script(d.filePath(name));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1.tmp'\nmv '%1.tmp' '%1'\n%2\n")
                         .arg(d.filePath(name) + ".args", after).toUtf8());
        script.close();
        ASSERT_TRUE(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | (executable ? QFileDevice::Permissions(QFile::ExeOwner) : QFileDevice::Permissions())));
    }

    static std::optional<QString> argumentsOf(const QTemporaryDir &d, const QString &name)
    {
        QFile file(d.filePath(name) + ".args");
        if (!QTest::qWaitFor([&] { return file.exists(); }, waitMs) || !file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return QString::fromUtf8(file.readAll());
    }

    QTemporaryDir first, second;
};

// The better tool before the earlier directory; a tool that cannot run is reported.
TEST_F(DisplayManagerSessionLockerTest, FindsTheBestToolInTheDirectories)
{
    addTool(first, "loginctl");
    addTool(first, "gdmflexiserver");
    addTool(first, "dm-tool");
    DisplayManagerSessionLocker locker({dir(first)});
    for (const char *name : {"dm-tool", "gdmflexiserver", "loginctl"}) {
        EXPECT_EQ(locker.toolPath(), tool(first, name));
        QFile::remove(first.filePath(name));
    }
    EXPECT_EQ(locker.toolPath(), std::nullopt);
    EXPECT_EQ(locker.launch().error, "no session lock tool found");

    addTool(first, "loginctl");
    addTool(second, "dm-tool");
    EXPECT_EQ(DisplayManagerSessionLocker({dir(first), dir(second)}).toolPath(), tool(second, "dm-tool"));
    addTool(first, "dm-tool");
    EXPECT_EQ(DisplayManagerSessionLocker({dir(second), dir(first), "/nonexistent/vardo"}).toolPath(),
              tool(second, "dm-tool"));
    QFile::remove(first.filePath("dm-tool"));
    ASSERT_TRUE(QDir(first.path()).mkdir("dm-tool"));
    EXPECT_EQ(DisplayManagerSessionLocker({dir(first)}).toolPath(), tool(first, "loginctl"));

    addTool(second, "dm-tool", {}, /*executable=*/false);
    addTool(second, "loginctl");
    const auto result = DisplayManagerSessionLocker({dir(second)}).launch();
    EXPECT_FALSE(result.ok());
    EXPECT_NE(result.error.find("Permission denied"), std::string::npos) << result.error;
    EXPECT_FALSE(QFile::exists(second.filePath("loginctl.args")));
}

TEST_F(DisplayManagerSessionLockerTest, RunsEachToolWithItsArguments)
{
    // printf with no arguments writes an empty line.
    for (const auto &[name, arguments] : {std::pair{"dm-tool", "switch-to-greeter\n"}, std::pair{"gdmflexiserver", "\n"},
                                          std::pair{"loginctl", "lock-session\n"}}) {
        SCOPED_TRACE(name);
        QTemporaryDir folder;
        addTool(folder, name);
        addTool(folder, "loginctl");
        const auto result = DisplayManagerSessionLocker({dir(folder)}).launch();
        ASSERT_TRUE(result.ok()) << result.error;
        EXPECT_EQ(argumentsOf(folder, name), QString::fromLatin1(arguments));
    }
}

// The tool blocks on a FIFO that the test opens only after launch() has returned.
TEST_F(DisplayManagerSessionLockerTest, ReturnsWhileTheToolIsStillRunning)
{
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
