// The "start at login" entry in a real folder, checked by freedesktop's own validator.

#include "app/autostart_entry.h"
#include "platform/fakes/memory_log.h"
#include "tests/support/child_process.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vardo {
namespace {

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
        const auto validation = test::runProcess({"desktop-file-validate", entry.path().toStdString()});
        EXPECT_TRUE(validation.exitCode == 0 && validation.output.find("error") == std::string::npos)
            << validation.output << validation.errors;
        QFile file(entry.path());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.readAll().contains(" --background\n"));
        file.close();
        // An entry the desktop hid is off.
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write("Hidden=true\n");
        file.close();
        EXPECT_FALSE(entry.isEnabled());

        ASSERT_TRUE(entry.setEnabled(false));
        EXPECT_FALSE(QFile::exists(entry.path()));
        EXPECT_TRUE(entry.setEnabled(false)); // nothing to remove is no failure
        EXPECT_TRUE(log.lines().empty());
    }
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
