// The "start at login" entry in a real folder, checked by freedesktop's own validator.

#include "app/autostart_entry.h"
#include "platform/fakes/memory_log.h"
#include "tests/support/child_process.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vardo {
namespace {

struct Validation {
    bool valid;
    std::string output;
};

Validation validate(const QString &path)
{
    const auto result = test::runProcess({"desktop-file-validate", path.toStdString()});
    return {result.exitCode == 0 && result.output.find("error") == std::string::npos, result.output + result.errors};
}

TEST(AutostartEntry, IsWrittenValidAndRemovedForAnyInstallLocation)
{
    for (const char *executable : {"/usr/bin/nerova-vardo", "/home/a user/My \"Apps\" $HOME/100%/nerova-vardo"}) {
        SCOPED_TRACE(executable);
        QTemporaryDir config;
        MemoryLog log;
        AutostartEntry entry(QString::fromUtf8(executable), log, config.path());
        EXPECT_FALSE(entry.isEnabled());

        ASSERT_TRUE(entry.setEnabled(true));
        EXPECT_TRUE(entry.isEnabled());
        EXPECT_EQ(entry.path(), config.path() + "/autostart/com.nerova.vardo.desktop");
        const Validation validation = validate(entry.path());
        EXPECT_TRUE(validation.valid) << validation.output;
        QFile file(entry.path());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.readAll().contains(" --background\n"));

        ASSERT_TRUE(entry.setEnabled(false));
        EXPECT_FALSE(QFile::exists(entry.path()));
        EXPECT_FALSE(entry.isEnabled());
        EXPECT_TRUE(entry.setEnabled(false)); // nothing to remove is no failure
        EXPECT_TRUE(log.lines().empty());
    }
}

TEST(AutostartEntry, AnEntryTheDesktopHidIsOff)
{
    QTemporaryDir config;
    MemoryLog log;
    AutostartEntry entry(QStringLiteral("/usr/bin/nerova-vardo"), log, config.path());
    ASSERT_TRUE(entry.setEnabled(true));
    QFile file(entry.path());
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("Hidden=true\n");
    file.close();
    EXPECT_FALSE(entry.isEnabled());
}

TEST(AutostartEntry, AFolderThatCannotBeMadeIsReportedAndNothingIsWritten)
{
    QTemporaryDir config;
    MemoryLog log;
    QFile blocker(config.path() + "/autostart");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    AutostartEntry entry(QStringLiteral("/usr/bin/nerova-vardo"), log, config.path());
    EXPECT_FALSE(entry.setEnabled(true));
    EXPECT_FALSE(entry.isEnabled());
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_NE(log.lines().front().find("autostart"), std::string::npos);
}

} // namespace
} // namespace vardo
