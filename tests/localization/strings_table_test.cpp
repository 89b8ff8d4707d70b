#include "localization/strings_table.h"

#include "platform/log_sink.h"
#include "platform/fakes/memory_log.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vardo {
namespace {

class StringsTableLoading : public ::testing::Test {
protected:
    void write(const QString &relativePath, const QByteArray &bytes)
    {
        const QString path = dir.path() + "/" + relativePath;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    LoadedStringsTable load(const QString &relativePath)
    {
        return loadStringsTable(dir.path(), relativePath, log);
    }

    QTemporaryDir dir;
    MemoryLog log;
};

TEST_F(StringsTableLoading, LoadsEntriesForLookup)
{
    write("de.lproj/Localizable.strings", "\"status.protected\" = \"Geschützt\";\n");
    const auto loaded = load("de.lproj/Localizable.strings");
    ASSERT_EQ(loaded.status, LoadedStringsTable::Status::loaded);
    ASSERT_NE(loaded.table.find("status.protected"), nullptr);
    EXPECT_EQ(*loaded.table.find("status.protected"), "Geschützt");
    EXPECT_EQ(loaded.table.find("tips.title"), nullptr);
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(StringsTableLoading, MalformedFileIsUnusableAndReportedInOneLine)
{
    write("en.lproj/Localizable.strings", "\"a\" = \"1\";\n\"b\" = \"2\"\n\"c\" = \"3\";\n");
    const auto loaded = load("en.lproj/Localizable.strings");
    EXPECT_EQ(loaded.status, LoadedStringsTable::Status::unusable);
    EXPECT_TRUE(loaded.table.empty());
    EXPECT_EQ(log.lines(), std::vector<std::string>{
                               "[Localization] en.lproj/Localizable.strings:2: expected ';' after value"});
}

TEST_F(StringsTableLoading, MissingFileIsSilent)
{
    const auto loaded = load("xx.lproj/Localizable.strings");
    EXPECT_EQ(loaded.status, LoadedStringsTable::Status::missing);
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(StringsTableLoading, RepeatedKeyIsReportedAndTheLaterValueWins)
{
    write("en.lproj/Localizable.strings", "\"a\" = \"old\";\n\"b\" = \"x\";\n\"a\" = \"new\";\n");
    const auto loaded = load("en.lproj/Localizable.strings");
    ASSERT_EQ(loaded.status, LoadedStringsTable::Status::loaded);
    EXPECT_EQ(*loaded.table.find("a"), "new");
    EXPECT_EQ(loaded.table.size(), 2u);
    EXPECT_EQ(log.lines(), std::vector<std::string>{
                               "[Localization] en.lproj/Localizable.strings:3: duplicate key \"a\" "
                               "(first on line 1); the later value is used"});
}

TEST_F(StringsTableLoading, FolderInPlaceOfFileIsUnusable)
{
    QDir().mkpath(dir.path() + "/en.lproj/Localizable.strings");
    EXPECT_EQ(load("en.lproj/Localizable.strings").status, LoadedStringsTable::Status::unusable);
    EXPECT_TRUE(log.contains("[Localization] en.lproj/Localizable.strings: not a file"));
}

TEST_F(StringsTableLoading, OversizedFileIsNotRead)
{
    write("en.lproj/Localizable.strings", QByteArray(4 * 1024 * 1024 + 1, ' '));
    EXPECT_EQ(load("en.lproj/Localizable.strings").status, LoadedStringsTable::Status::unusable);
    EXPECT_TRUE(log.contains("larger than 4 MiB"));
}

} // namespace
} // namespace vardo
