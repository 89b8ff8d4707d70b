// The strings-table reader, the loader around it, and random damage to valid tables
// with fixed seeds: the fuzzer's checks (fuzz/strings_file_fuzzer.cpp) on every CI run.

#include "localization/strings_table.h"
#include "platform/fakes/memory_log.h"
#include "tests/localization/strings_invariants.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

using namespace std::string_literals;

namespace vardo {
namespace {

namespace fs = std::filesystem;

struct Entry {
    std::string key, value;
    int line;
};

TEST(StringsFileReading, ReadsEntriesWithTheirLines)
{
    const struct {
        std::string text;
        std::vector<Entry> entries;
    } cases[] = {
        {"\"status.protected\" = \"Protected\";\n\n\"menu.locks\" = \"Locks today: %d\";\n",
         {{"status.protected", "Protected", 1}, {"menu.locks", "Locks today: %d", 3}}},
        {"/* head */\t\"a\"/* after key */=// after equals\n  \r\n\"b\"\f\v/**/;// end\n/* multi\n line */\"c\"=\"d\";",
         {{"a", "b", 1}, {"c", "d", 5}}},
        {"\"url\" = \"https://example.org/* not a comment */\";", {{"url", "https://example.org/* not a comment */", 1}}},
        {R"("k" = "say \"hi\" \\ it\'s\nnext\tcol\rret";)", {{"k", "say \"hi\" \\ it's\nnext\tcol\rret", 1}}},
        {R"("k" = "\U00E9 \u20AC \U0041 \uD83D\uDE00 \UD83D\Ude00";)", {{"k", "é € A 😀 😀", 1}}},
        {"\"ar\" = \"محمي\";\n\"two\" = \"line one\nline two\";\n\"after\" = \"x\";",
         {{"ar", "محمي", 1}, {"two", "line one\nline two", 2}, {"after", "x", 4}}},
        {"\xEF\xBB\xBF\"k\" = \"v\";", {{"k", "v", 1}}},
        {"\"a\" = \"1\";\r\n\r\n\"b\" = \"2\";\r\n", {{"a", "1", 1}, {"b", "2", 3}}},
        {"", {}},
        {" \n/* nothing */\n// here\n", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        const StringsParseResult result = parseStringsText(c.text);
        ASSERT_TRUE(result.ok()) << result.error->line << ": " << result.error->reason;
        ASSERT_EQ(result.entries.size(), c.entries.size());
        for (std::size_t i = 0; i < c.entries.size(); ++i) {
            EXPECT_EQ(result.entries[i].key, c.entries[i].key);
            EXPECT_EQ(result.entries[i].value, c.entries[i].value);
            EXPECT_EQ(result.entries[i].line, c.entries[i].line);
        }
    }
}

TEST(StringsFileReading, ReportsEveryRepeatedKeyWithBothLines)
{
    const auto result = parseStringsText("\"a\" = \"1\";\n\"b\" = \"2\";\n\"a\" = \"3\";\n\"a\" = \"4\";\n");
    ASSERT_EQ(result.duplicates.size(), 2u);
    EXPECT_EQ(result.duplicates[0].key, "a");
    EXPECT_EQ(result.duplicates[0].firstLine, 1);
    EXPECT_EQ(result.duplicates[0].line, 3);
    EXPECT_EQ(result.duplicates[1].line, 4);
    EXPECT_EQ(result.entries.size(), 4u);
}

TEST(StringsFileReading, MalformedFileIsRejectedWholeWithLineAndReason)
{
    const std::string good = "\"first\" = \"kept?\";\n";
    const std::string utf16 = "UTF-16 text; the table must be saved as UTF-8";
    const struct {
        std::string text;
        int line;
        std::string reason;
    } cases[] = {
        {good + "\"a\" = \"b\"\n\"c\" = \"d\";", 2, "expected ';' after value"},
        {good + "\"a\" = \"b\"", 2, "expected ';' after value"},
        {good + "\"a\" \"b\";", 2, "expected '=' after key"},
        {good + "a = \"b\";", 2, "expected '\"' to start a key"},
        {good + "\"a\" = b;", 2, "expected '\"' to start a value"},
        {good + "\"a\" =\n", 2, "expected '\"' to start a value"},
        {good + "/ \"a\" = \"b\";", 2, "expected '\"' to start a key"},
        {good + "\"a\" = \"b;\n\n", 2, "unterminated string"},
        {good + "\n/* note\n\n", 3, "unterminated comment"},
        {good + "\"\" = \"b\";", 2, "empty key"},
        {good + R"("a" = "\q";)", 2, "unknown escape '\\q'"},
        {good + "\"a\" = \"\\ \";", 2, "unknown escape: '\\' before a space, line break or non-ASCII character"},
        {good + R"("a" = "x\0";)", 2, "\\0 (NUL) is not allowed"},
        {good + R"("a" = "\U0000";)", 2, "\\U0000 (NUL) is not allowed"},
        {good + R"("a" = "\U12";)", 2, "\\U needs four hex digits"},
        {good + R"("a" = "\u12G4";)", 2, "\\u needs four hex digits"},
        {good + R"("a" = "\uDC00";)", 2, "unpaired surrogate in a \\u escape"},
        {good + R"("a" = "\uD83Dx";)", 2, "unpaired surrogate in a \\u escape"},
        {good + R"("a" = "\uD83D\u0041";)", 2, "unpaired surrogate in a \\u escape"},
        {good + "\"a\" = \"\xC3\";", 2, "invalid UTF-8"},
        {good + "\n\"a\" = \"caf\xE9\";", 3, "invalid UTF-8"},
        {good + "\"a\" = \"x\0y\";"s, 2, "NUL byte in the text"},
        {"\xFF\xFE\"\0a\0\"\0"s, 1, utf16},
        {"\xFE\xFF\0\"\0a\0\""s, 1, utf16},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.reason);
        const auto result = parseStringsText(c.text);
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.error->line, c.line);
        EXPECT_EQ(result.error->reason, c.reason);
        EXPECT_TRUE(result.entries.empty()) << "entries before the error must not be kept";
    }
    EXPECT_TRUE(isValidUtf8("a é € 😀 \xF4\x8F\xBF\xBF"));
    for (const char *bad : {"\x80", "\xE2\x82", "\xF8\x88\x80\x80\x80", "\xE0\x80\xAF", "\xC0\xAF", "\xED\xA0\x80",
                            "\xF4\x90\x80\x80"})
        EXPECT_FALSE(isValidUtf8(bad));
}

TEST(StringsTableLoading, EveryProblemIsOneLogLineAndLeavesNoHalfTable)
{
    using Status = LoadedStringsTable::Status;
    const QByteArray folder = "<a folder>";
    const struct {
        std::optional<QByteArray> bytes;
        Status status;
        std::size_t size;
        const char *valueOfA;
        std::string log;
    } cases[] = {
        {"\"a\" = \"Geschützt\";\n", Status::loaded, 1, "Geschützt", ""},
        {std::nullopt, Status::missing, 0, nullptr, ""},
        {"\"a\" = \"1\";\n\"b\" = \"2\"\n\"c\" = \"3\";\n", Status::unusable, 0, nullptr,
         "[Localization] en.lproj/Localizable.strings:2: expected ';' after value"},
        {"\"a\" = \"old\";\n\"b\" = \"x\";\n\"a\" = \"new\";\n", Status::loaded, 2, "new",
         "[Localization] en.lproj/Localizable.strings:3: duplicate key \"a\" (first on line 1); the later value is used"},
        {folder, Status::unusable, 0, nullptr, "[Localization] en.lproj/Localizable.strings: not a file"},
        {QByteArray(4 * 1024 * 1024 + 1, ' '), Status::unusable, 0, nullptr, "larger than 4 MiB"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.log);
        QTemporaryDir dir;
        const QString path = dir.path() + "/en.lproj/Localizable.strings";
        QDir().mkpath(c.bytes == folder ? path : dir.path() + "/en.lproj");
        if (c.bytes && c.bytes != folder) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(*c.bytes);
        }
        MemoryLog log;
        const auto loaded = loadStringsTable(dir.path(), "en.lproj/Localizable.strings", log);
        EXPECT_EQ(loaded.status, c.status);
        EXPECT_EQ(loaded.table.size(), c.size);
        const std::string *a = loaded.table.find("a");
        EXPECT_EQ(a ? *a : "<none>", c.valueOfA ? c.valueOfA : "<none>");
        EXPECT_EQ(loaded.table.find("tips.title"), nullptr);
        ASSERT_EQ(log.lines().size(), c.log.empty() ? 0u : 1u);
        EXPECT_TRUE(c.log.empty() || log.lines()[0].find(c.log) != std::string::npos) << ::testing::PrintToString(log.lines());
    }
}

std::vector<fs::path> filesUnder(const fs::path &root)
{
    std::vector<fs::path> files;
    for (const auto &entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

const fs::path sourceDir = VARDO_SOURCE_DIR;

// The valid tables (fixtures and the English source table) to damage; the fuzzer's seed
// corpus, valid or not, is checked as it is.
std::vector<std::string> validTablesCheckingSeeds()
{
    std::vector<std::string> tables;
    auto paths = filesUnder(sourceDir / "tests/localization/fixtures");
    const auto english = filesUnder(sourceDir / "localization/lproj/en.lproj");
    paths.insert(paths.end(), english.begin(), english.end());
    for (const auto &path : filesUnder(sourceDir / "tests/localization/fuzz/corpus"))
        EXPECT_EQ(test_support::checkParseInvariants(test_support::readFile(path)), "") << path;
    for (const auto &path : paths) {
        std::string text = test_support::readFile(path);
        EXPECT_EQ(test_support::checkParseInvariants(text), "") << path;
        if (parseStringsText(text).ok()) // some fixtures are broken on purpose
            tables.push_back(std::move(text));
    }
    return tables;
}

// Fragments that matter to the syntax, spliced in to reach the error paths.
const std::vector<std::string> fragments = {
    "\"", "\\", ";", "=", "/*", "*/", "//", "\n", "\r\n", "\\U", "\\u", "\\uD83D", "\\uDC00",
    "\\0", "%", "%d", "%1$s", "%%", "%ll", "%.2f", "\xC3", "\xE2\x82", "\xFF", "\xEF\xBB\xBF",
    std::string(1, '\0'), "\"k\" = \"v\";", "é", "😀",
};

std::string mutate(std::string s, std::mt19937 &rng)
{
    const auto pick = [&](std::size_t n) {
        return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
    };
    for (int step = 1 + static_cast<int>(pick(4)); step > 0; --step) {
        const std::size_t at = pick(s.size() + 1);
        switch (pick(6)) {
        case 0: if (!s.empty()) s[pick(s.size())] = static_cast<char>(pick(256)); break;
        case 1: s.insert(at, fragments[pick(fragments.size())]); break;
        case 2: if (at < s.size()) s.erase(at, 1 + pick(8)); break;
        case 3: if (at < s.size()) s.insert(pick(s.size() + 1), s.substr(at, 1 + pick(64))); break;
        case 4: s.resize(at); break;
        case 5: if (s.size() > 1) std::swap(s[pick(s.size())], s[pick(s.size())]); break;
        }
    }
    return s;
}

TEST(StringsFileMutation, RandomlyDamagedTablesKeepEveryInvariant)
{
    const auto tables = validTablesCheckingSeeds();
    ASSERT_GE(tables.size(), 4u);
    std::mt19937 rng(20240607);
    int rejected = 0;
    constexpr int cases = 100000;
    for (int n = 0; n < cases; ++n) {
        const std::string &seed = tables[static_cast<std::size_t>(n) % tables.size()];
        // A 4 KiB window keeps the run short and lands damage near the start as often as the end.
        const std::size_t start = seed.size() > 4096 ? (static_cast<std::size_t>(n) * 977) % (seed.size() - 4096) : 0;
        const std::string input = mutate(seed.substr(start, 4096), rng);
        ASSERT_EQ(test_support::checkParseInvariants(input), "") << "case " << n << ": " << ::testing::PrintToString(input);
        // As the fuzzer does, the formatter also gets raw bytes.
        ASSERT_EQ(test_support::checkFormatInvariants(input.substr(0, 256)), "") << "case " << n;
        rejected += parseStringsText(input).ok() ? 0 : 1;
    }
    // Both paths must be exercised, or the mutations are not reaching the reader.
    EXPECT_GT(rejected, cases / 10);
    EXPECT_LT(rejected, cases - cases / 10);
}

} // namespace
} // namespace vardo
