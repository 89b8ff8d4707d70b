// Random damage to valid tables, with fixed seeds, so that every CI run exercises the
// reader the way the fuzzer does (fuzz/strings_file_fuzzer.cpp), only shorter.

#include "tests/localization/strings_invariants.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace vardo {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::vector<fs::path> filesUnder(const fs::path &root, const std::string &extension = {})
{
    std::vector<fs::path> files;
    if (!fs::is_directory(root))
        return files;
    for (const auto &entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file() && (extension.empty() || entry.path().extension() == extension))
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

const fs::path sourceDir = VARDO_SOURCE_DIR;
const fs::path corpusDir = sourceDir / "tests/localization/fuzz/corpus";

// Valid tables to start from: the test fixtures and the English source table.
std::vector<std::string> validTables()
{
    std::vector<std::string> tables;
    auto paths = filesUnder(sourceDir / "tests/localization/fixtures", ".strings");
    for (const auto &path : filesUnder(sourceDir / "localization/lproj/en.lproj", ".strings"))
        paths.push_back(path);
    for (const auto &path : paths) {
        std::string text = readFile(path);
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
    const int steps = 1 + static_cast<int>(pick(4));
    for (int step = 0; step < steps; ++step) {
        const std::size_t at = pick(s.size() + 1);
        switch (pick(6)) {
        case 0: // overwrite a byte
            if (!s.empty())
                s[pick(s.size())] = static_cast<char>(pick(256));
            break;
        case 1: // splice a fragment
            s.insert(at, fragments[pick(fragments.size())]);
            break;
        case 2: // cut a short run
            if (at < s.size())
                s.erase(at, 1 + pick(8));
            break;
        case 3: // repeat a run
            if (at < s.size())
                s.insert(pick(s.size() + 1), s.substr(at, 1 + pick(64)));
            break;
        case 4: // truncate
            s.resize(at);
            break;
        case 5: // swap two bytes
            if (s.size() > 1)
                std::swap(s[pick(s.size())], s[pick(s.size())]);
            break;
        }
    }
    return s;
}

std::string escaped(std::string_view bytes)
{
    std::string out;
    for (const unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

TEST(StringsFileMutation, ValidTablesKeepEveryInvariant)
{
    const auto tables = validTables();
    ASSERT_GE(tables.size(), 4u);
    for (const auto &table : tables)
        EXPECT_EQ(test_support::checkParseInvariants(table), "");
}

TEST(StringsFileMutation, RandomlyDamagedTablesKeepEveryInvariant)
{
    const auto tables = validTables();
    ASSERT_FALSE(tables.empty());
    std::mt19937 rng(20240607);
    int rejected = 0;
    constexpr int cases = 100000;
    for (int n = 0; n < cases; ++n) {
        const std::string &seed = tables[static_cast<std::size_t>(n) % tables.size()];
        // Large tables are cut to a window so that the run stays short and the damage
        // lands near the start as often as near the end.
        const std::size_t start = seed.size() > 4096 ? (static_cast<std::size_t>(n) * 977) % (seed.size() - 4096) : 0;
        const std::string input = mutate(seed.substr(start, 4096), rng);
        const std::string problem = test_support::checkParseInvariants(input);
        ASSERT_EQ(problem, "") << "case " << n << ": " << escaped(input);
        rejected += parseStringsText(input).ok() ? 0 : 1;
    }
    // Both paths must be exercised, or the mutations are not reaching the reader.
    EXPECT_GT(rejected, cases / 10);
    EXPECT_LT(rejected, cases - cases / 10);
}

TEST(StringsFileMutation, FuzzerSeedCorpusKeepsEveryInvariant)
{
    const auto files = filesUnder(corpusDir);
    ASSERT_FALSE(files.empty());
    for (const auto &path : files)
        EXPECT_EQ(test_support::checkParseInvariants(readFile(path)), "") << path;
}

TEST(SafeFormatMutation, RandomPatternsKeepEveryInvariant)
{
    static const std::vector<std::string> pieces = {"%", "d", "i", "u", "s", "@", "f", "l",
                                                    "$", ".", "1", "2", "0", "9", " ", "x",
                                                    "%%", "%d", "%2$", "é", "\xC3"};
    std::mt19937 rng(7);
    std::uniform_int_distribution<std::size_t> piece(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(0, 12);
    int formatted = 0;
    for (int n = 0; n < 50000; ++n) {
        std::string pattern;
        for (int k = length(rng); k > 0; --k)
            pattern += pieces[piece(rng)];
        ASSERT_EQ(test_support::checkFormatInvariants(pattern), "") << "case " << n << ": "
                                                                << escaped(pattern);
        formatted += placeholderSignature(pattern).ok() ? 1 : 0;
    }
    EXPECT_GT(formatted, 1000);
}

} // namespace
} // namespace vardo
