#include "platform/fakes/memory_log.h"
#include "platform/defaults_store_file.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

#include <sys/stat.h>

namespace vardo {
namespace {

class FileDefaults : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath("NerovaVardo/settings.json");
    MemoryLog log;

    QByteArray fileContents() const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void writeFile(const QByteArray &bytes) const
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    static struct stat statOf(const QString &p)
    {
        struct stat st {};
        ::stat(QFile::encodeName(p).constData(), &st);
        return st;
    }
    QDir folder() const { return QFileInfo(path).absoluteDir(); }
    QStringList keptAside() const { return folder().entryList({"settings.json.corrupt-*"}); }
    QByteArray contentsOf(const QString &name) const
    {
        QFile file(folder().filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }
};

TEST_F(FileDefaults, EveryTypeSurvivesARoundTripThroughTheFile)
{
    const std::vector<std::pair<std::string, DefaultsValue>> values = {
        {"int", std::int64_t{9007199254740993LL}}, // beyond a double's exact integers
        {"negative", std::int64_t{-12}},
        {"double", 0.1},
        {"whole double", 3.0},
        {"bool", true},
        {"string", std::string("lock_mac \"quoted\" ünïcode")},
        {"data", Bytes{0, 1, 2, 255}},
    };
    {
        FileDefaultsStore store(path, log);
        for (const auto &[key, value] : values)
            store.set(key, value);
        store.remove("bool");
    }
    FileDefaultsStore reopened(path, log);
    for (const auto &[key, value] : values)
        EXPECT_EQ(reopened.object(key), key == "bool" ? std::nullopt : std::optional(value)) << key;
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(FileDefaults, EachWriteReplacesTheFileWholeAndLeavesNoTemporaryFiles)
{
    FileDefaultsStore store(path, log);
    store.setInteger("vardo_lock_timeout", 5);
    const ino_t first = statOf(path).st_ino;
    store.setInteger("vardo_lock_timeout", 6);
    // A new file renamed over the old one: a crash mid-write leaves the old one intact.
    EXPECT_NE(statOf(path).st_ino, first);
    EXPECT_EQ(folder().entryList(QDir::Files), (QStringList{"settings.json", "settings.json.lock"}));
    EXPECT_EQ(statOf(path).st_mode & 0777, 0600u);
}

TEST_F(FileDefaults, CorruptFileIsKeptAsideAndTheStoreStartsFromDefaults)
{
    for (const QByteArray &corrupt : {QByteArray("{\"vardo_lock_timeout\": {\"integer\": 5}, trunc"), QByteArray()}) {
        SCOPED_TRACE(corrupt.toStdString());
        writeFile(corrupt);
        log.clear();
        FileDefaultsStore store(path, log);
        EXPECT_TRUE(store.keys().empty());
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_NE(log.lines()[0].find("is unreadable"), std::string::npos);
        const QStringList aside = keptAside();
        ASSERT_EQ(aside.size(), 1);
        store.setBool("vardo_enabled", true);
        EXPECT_EQ(contentsOf(aside.first()), corrupt);
        ASSERT_TRUE(folder().remove(aside.first()));
    }
}

// An entry of unknown form or beyond a double's range spoils only itself, and is kept.
TEST_F(FileDefaults, EntriesOfUnknownFormAreIgnoredButKept)
{
    writeFile(R"({"vardo_lock_timeout": 5, "vardo_max_faces": {"integer": 2.5}, "vardo_wallpaper": {"integer": 3},)"
              R"( "vardo_total_time": {"double": 1e-400}, "huge": {"double": 1e400}})");
    FileDefaultsStore store(path, log);
    EXPECT_FALSE(store.object("vardo_lock_timeout"));
    EXPECT_FALSE(store.object("vardo_max_faces"));
    EXPECT_FALSE(store.object("huge"));
    EXPECT_EQ(store.object("vardo_total_time"), DefaultsValue(0.0));
    EXPECT_EQ(store.objectInteger("vardo_wallpaper"), 3);
    EXPECT_EQ(log.lines().size(), 3u) << ::testing::PrintToString(log.lines());
    EXPECT_TRUE(keptAside().isEmpty());
    store.setBool("vardo_enabled", true);
    EXPECT_EQ(QJsonDocument::fromJson(fileContents()).object().value("vardo_lock_timeout").toInt(), 5);
}

TEST_F(FileDefaults, WritersAtTheSameTimeKeepEachOthersKeys)
{
    // Two writers with their own view of the file, as two processes have: the
    // application and the defaults command, or two defaults commands.
    constexpr int keysEach = 100;
    FileDefaultsStore(path, log).setInteger("first", 0);
    const auto writer = [this](std::string prefix) {
        MemoryLog ownLog;
        FileDefaultsStore store(path, ownLog);
        for (int i = 0; i < keysEach; ++i)
            store.setInteger(prefix + std::to_string(i), i);
    };
    std::thread a(writer, "a"), b(writer, "b");
    a.join();
    b.join();
    EXPECT_EQ(FileDefaultsStore(path, log).keys().size(), 2u * keysEach + 1);
}

// Broken by hand while running: kept aside under a name not yet taken before the next write.
TEST_F(FileDefaults, AFileBrokenWhileRunningIsKeptAsideBeforeTheNextWrite)
{
    FileDefaultsStore store(path, log);
    store.setInteger("vardo_lock_timeout", 5);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QStringList taken;
    for (int s = 0; s < 3; ++s) {
        const QString name = "settings.json.corrupt-" + now.addSecs(s).toString("yyyyMMdd'T'HHmmss'Z'");
        QFile file(folder().filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("earlier");
        taken << name;
    }
    const QByteArray broken = "{\"vardo_lock_timeout\": {\"integer\": 7}, \"vardo_max";
    writeFile(broken);

    store.setBool("vardo_enabled", true);
    const QStringList aside = keptAside();
    ASSERT_EQ(aside.size(), 4);
    for (const QString &name : aside)
        EXPECT_EQ(contentsOf(name), taken.contains(name) ? QByteArray("earlier") : broken) << name.toStdString();
    FileDefaultsStore reopened(path, log);
    EXPECT_EQ(reopened.objectInteger("vardo_lock_timeout"), 5);
    EXPECT_EQ(reopened.objectBool("vardo_enabled"), true);
    ASSERT_FALSE(log.lines().empty());
    EXPECT_NE(log.lines().back().find("no longer parses"), std::string::npos) << log.lines().back();
}

TEST(FileDefaultsPath, FollowsXdgConfigHome)
{
    qputenv("XDG_CONFIG_HOME", "/tmp/xdg-test-config");
    EXPECT_EQ(FileDefaultsStore::defaultPath(), "/tmp/xdg-test-config/NerovaVardo/settings.json");
    qputenv("XDG_CONFIG_HOME", "relative/ignored");
    EXPECT_EQ(FileDefaultsStore::defaultPath(), QDir::homePath() + "/.config/NerovaVardo/settings.json");
    qunsetenv("XDG_CONFIG_HOME");
}

TEST(TypedReads, ConvertLikeTheSystemDefaults)
{
    MemoryDefaultsStore store;
    store.setString("text", "12");
    store.setString("word", "abc");
    store.setDouble("fraction", 2.9);
    store.setBool("yes", true);
    for (const auto &[key, value] : {std::pair{"text", 12}, {"word", 0}, {"fraction", 2}, {"yes", 1}, {"absent", 0}})
        EXPECT_EQ(store.integer(key), value) << key;
    EXPECT_FALSE(store.objectInteger("text"));
    EXPECT_FALSE(store.objectInteger("fraction"));
    EXPECT_EQ(store.objectInteger("yes"), 1);
    EXPECT_TRUE(store.boolean("fraction"));
    EXPECT_FALSE(store.objectBool("fraction"));
}

} // namespace
} // namespace vardo
