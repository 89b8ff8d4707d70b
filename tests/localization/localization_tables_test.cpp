// Checks the translated string tables in localization/lproj against the list of
// required keys and against English. Every language of the picker must have its
// folder; a language missing or incomplete fails here, not on a user's screen.

#include "localization/localization_manager.h"
#include "localization/safe_format.h"
#include "localization/strings_file.h"

#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace vardo {

namespace {

namespace fs = std::filesystem;

const fs::path tablesRoot = fs::path(VARDO_SOURCE_DIR) / "localization/lproj";
const fs::path requiredKeysFile = fs::path(VARDO_SOURCE_DIR) / "tests/localization/required_keys.txt";
const std::vector<std::string> tableNames = {"Localizable.strings", "Platform.strings"};

// Texts a translation may leave exactly as in English: names and symbols that are the
// same in every language. Keyed by language code, "*" for all. Add an entry only
// with the reason beside it.
const std::set<std::pair<std::string, std::string>> sameAsEnglishAllowed = {
    {"*", "Nerova Vardo"}, // product name, never translated
    {"*", "Vardo"},        // short product name
    {"*", "OK"},
    {"*", "h"},     // the unit symbol for hours
    {"*", "1 min"}, // the unit symbol for minutes
    // Words these languages share with English.
    {"da", "Support"},
    {"sv", "Support"},
    {"da", "Version %s"},
    {"de", "Version %s"},
    {"fr", "Version %s"},
    {"sv", "Version %s"},
    {"de", "Website"},
    {"nl", "Website"},
    {"es", "No"},
    {"it", "No"},
    {"it", "Password"},
    {"es", "Total: %d"},
    {"pt-BR", "Total: %d"},
    {"pt-PT", "Total: %d"},
    {"ro", "Total: %d"},
    {"fr", "Strict"},
    {"ro", "Strict"},
    {"nb", "Tips"},
    {"sv", "Tips"},
    {"nl", "Tips"},
};

struct RequiredKeys {
    std::set<std::string> localizable;
    std::set<std::string> platform;
};

RequiredKeys readRequiredKeys()
{
    RequiredKeys keys;
    std::ifstream in(requiredKeysFile);
    std::string line;
    bool platform = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line == "# platform")
            platform = true;
        else if (!line.empty() && line.front() != '#')
            (platform ? keys.platform : keys.localizable).insert(line);
    }
    return keys;
}

std::string readFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

struct Table {
    bool present = false;
    StringsParseResult parsed;
    std::map<std::string, std::string> values;
};

Table loadTable(const std::string &code, const std::string &name)
{
    Table table;
    const fs::path path = tablesRoot / (code + ".lproj") / name;
    table.present = fs::is_regular_file(path);
    if (!table.present)
        return table;
    table.parsed = parseStringsText(readFile(path));
    for (const auto &entry : table.parsed.entries)
        table.values[entry.key] = entry.value;
    return table;
}

std::string codeOf(const LocalizationManager::Language &language)
{
    return std::string(language.code);
}

const std::set<std::string> &requiredFor(const RequiredKeys &keys, const std::string &name)
{
    return name == "Platform.strings" ? keys.platform : keys.localizable;
}

// A text without letters once its placeholders are gone ("%d%%", "%d / %d") reads
// the same in every language.
bool hasLetters(const std::string &text)
{
    std::string rest;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%') {
            ++i;
            while (i < text.size() && std::string_view("0123456789$.l").find(text[i]) != std::string_view::npos)
                ++i;
            continue;
        }
        rest += text[i];
    }
    return std::any_of(rest.begin(), rest.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 0x80 || std::isalpha(static_cast<unsigned char>(c));
    });
}

// Each check runs over all 25 languages of the picker and names the language, the
// table and the key of every failure.
class LanguageTables : public ::testing::Test {
protected:
    template <typename Check>
    void forEachLanguage(Check check)
    {
        for (const auto &language : LocalizationManager::languages())
            for (const auto &name : tableNames)
                check(codeOf(language), name);
    }

    RequiredKeys required = readRequiredKeys();
};

TEST(LanguageTableList, RequiredKeysAreListed)
{
    const RequiredKeys keys = readRequiredKeys();
    EXPECT_EQ(keys.localizable.size(), 313u);
    EXPECT_FALSE(keys.platform.empty());
}

TEST(LanguageTableList, EveryFolderBelongsToALanguageOfThePicker)
{
    std::set<std::string> codes;
    for (const auto &language : LocalizationManager::languages())
        codes.insert(codeOf(language));
    for (const auto &entry : fs::directory_iterator(tablesRoot)) {
        if (!entry.is_directory())
            continue;
        const fs::path folder = entry.path().filename();
        EXPECT_EQ(folder.extension(), ".lproj") << folder;
        EXPECT_TRUE(codes.count(folder.stem().string())) << folder << " is not a language of the picker";
    }
}

TEST_F(LanguageTables, EveryLanguageHasBothTables)
{
    forEachLanguage([](const std::string &code, const std::string &name) {
        EXPECT_TRUE(loadTable(code, name).present) << code << ".lproj/" << name << " is missing";
    });
}

TEST_F(LanguageTables, ParseWithoutRepeatedKeys)
{
    forEachLanguage([](const std::string &code, const std::string &name) {
        const Table table = loadTable(code, name);
        if (!table.present)
            return;
        EXPECT_TRUE(table.parsed.ok()) << code << ".lproj/" << name << ":" << table.parsed.error->line
                                       << ": " << table.parsed.error->reason;
        for (const auto &d : table.parsed.duplicates)
            ADD_FAILURE() << code << ".lproj/" << name << ":" << d.line << ": \"" << d.key
                          << "\" repeats line " << d.firstLine;
    });
}

TEST_F(LanguageTables, DefineEveryRequiredKeyAndNoOther)
{
    forEachLanguage([this](const std::string &code, const std::string &name) {
        const Table table = loadTable(code, name);
        const auto &keys = requiredFor(required, name);
        std::vector<std::string> missing;
        for (const auto &key : keys)
            if (!table.values.count(key))
                missing.push_back(key);
        EXPECT_TRUE(missing.empty()) << code << ".lproj/" << name << " lacks " << missing.size()
                                     << " keys, first \"" << (missing.empty() ? "" : missing.front())
                                     << "\"";
        for (const auto &[key, value] : table.values)
            EXPECT_TRUE(keys.count(key)) << code << ".lproj/" << name << ": \"" << key
                                         << "\" is not a required key (misspelt or stale?)";
    });
}

TEST_F(LanguageTables, HaveNoEmptyTexts)
{
    forEachLanguage([](const std::string &code, const std::string &name) {
        for (const auto &[key, value] : loadTable(code, name).values)
            EXPECT_FALSE(value.empty()) << code << ".lproj/" << name << ": \"" << key << "\"";
    });
}

TEST_F(LanguageTables, PlaceholdersMatchEnglishByPositionAndKind)
{
    forEachLanguage([](const std::string &code, const std::string &name) {
        const Table english = loadTable("en", name);
        for (const auto &[key, value] : loadTable(code, name).values) {
            const PlaceholderSignature signature = placeholderSignature(value);
            EXPECT_TRUE(signature.ok()) << code << ".lproj/" << name << ": \"" << key
                                        << "\": " << signature.problem.value_or("");
            const auto it = english.values.find(key);
            if (it == english.values.end() || !signature.ok())
                continue;
            EXPECT_EQ(signature.arguments, placeholderSignature(it->second).arguments)
                << code << ".lproj/" << name << ": \"" << key << "\" = \"" << value
                << "\" has other placeholders than English \"" << it->second << "\"";
        }
    });
}

TEST_F(LanguageTables, TranslateEveryTextThatDiffersByLanguage)
{
    forEachLanguage([](const std::string &code, const std::string &name) {
        if (code == "en")
            return;
        const Table english = loadTable("en", name);
        for (const auto &[key, value] : loadTable(code, name).values) {
            const auto it = english.values.find(key);
            if (it == english.values.end() || it->second != value || !hasLetters(value)
                || sameAsEnglishAllowed.count({"*", value}) || sameAsEnglishAllowed.count({code, value}))
                continue;
            ADD_FAILURE() << code << ".lproj/" << name << ": \"" << key << "\" is still the English \""
                          << value << "\"";
        }
    });
}

TEST_F(LanguageTables, AreCompiledInUnchanged)
{
    forEachLanguage([](const std::string &code, const std::string &name) {
        const fs::path source = tablesRoot / (code + ".lproj") / name;
        if (!fs::is_regular_file(source))
            return;
        QFile embedded(QString::fromStdString(":/lproj/" + code + ".lproj/" + name));
        EXPECT_TRUE(embedded.open(QIODevice::ReadOnly)) << embedded.fileName().toStdString()
                                                        << " is not compiled in";
        EXPECT_EQ(embedded.readAll().toStdString(), readFile(source))
            << embedded.fileName().toStdString() << " differs from its source (stale build?)";
    });
}

} // namespace
} // namespace vardo
