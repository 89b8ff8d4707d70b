// Checks the translated string tables in localization/lproj against the list of
// required keys and against English. Every language of the picker must have its
// folder; a language missing or incomplete fails here, not on a user's screen.

#include "localization/localization_manager.h"
#include "localization/safe_format.h"
#include "localization/strings_file.h"
#include "tests/localization/strings_invariants.h"

#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

namespace vardo {

namespace {

namespace fs = std::filesystem;

const fs::path tablesRoot = fs::path(VARDO_SOURCE_DIR) / "localization/lproj";
const fs::path requiredKeysFile = fs::path(VARDO_SOURCE_DIR) / "tests/localization/required_keys.txt";

// Texts a translation may leave exactly as in English: names and symbols that are the
// same in every language. Keyed by language code, "*" for all. Add an entry only
// with the reason beside it.
const std::set<std::pair<std::string, std::string>> sameAsEnglishAllowed = {
    {"*", "Nerova Vardo"}, {"*", "Vardo"}, // the product's names, never translated
    {"*", "OK"}, {"*", "h"}, {"*", "1 min"}, // unit symbols for hours and minutes
    // Words these languages share with English.
    {"da", "Support"}, {"sv", "Support"}, {"da", "Version %s"}, {"de", "Version %s"}, {"fr", "Version %s"},
    {"sv", "Version %s"}, {"de", "Website"}, {"nl", "Website"}, {"es", "No"}, {"it", "No"}, {"it", "Password"},
    {"es", "Total: %d"}, {"pt-BR", "Total: %d"}, {"pt-PT", "Total: %d"}, {"ro", "Total: %d"}, {"fr", "Strict"},
    {"ro", "Strict"}, {"nb", "Tips"}, {"sv", "Tips"}, {"nl", "Tips"},
};

// The required keys of each table, read from required_keys.txt ("# platform" starts
// the platform table's).
std::map<std::string, std::set<std::string>> readRequiredKeys()
{
    std::map<std::string, std::set<std::string>> keys;
    std::ifstream in(requiredKeysFile);
    std::string line, table = "Localizable.strings";
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line == "# platform")
            table = "Platform.strings";
        else if (!line.empty() && line.front() != '#')
            keys[table].insert(line);
    }
    return keys;
}

std::map<std::string, std::string> valuesOf(const StringsParseResult &parsed)
{
    std::map<std::string, std::string> values;
    for (const auto &entry : parsed.entries)
        values[entry.key] = entry.value;
    return values;
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

TEST(LanguageTables, EveryFolderBelongsToALanguageOfThePicker)
{
    std::set<std::string> codes;
    for (const auto &language : LocalizationManager::languages())
        codes.insert(std::string(language.code));
    for (const auto &entry : fs::directory_iterator(tablesRoot)) {
        const fs::path folder = entry.path().filename();
        if (!entry.is_directory())
            continue;
        EXPECT_TRUE(folder.extension() == ".lproj" && codes.count(folder.stem().string()))
            << folder << " is not a language of the picker";
    }
}

// Each failure names the language, the table and the key.
TEST(LanguageTables, AreCompleteValidTranslatedAndCompiledIn)
{
    auto required = readRequiredKeys();
    ASSERT_EQ(required["Localizable.strings"].size(), 313u);
    ASSERT_FALSE(required["Platform.strings"].empty());
    for (const auto &language : LocalizationManager::languages()) {
        const std::string code(language.code);
        for (const std::string name : {"Localizable.strings", "Platform.strings"}) {
            const std::string where = code + ".lproj/" + name;
            SCOPED_TRACE(where);
            ASSERT_TRUE(fs::is_regular_file(tablesRoot / where)) << " is missing";
            const std::string text = test_support::readFile(tablesRoot / where);
            const StringsParseResult parsed = parseStringsText(text);
            ASSERT_TRUE(parsed.ok()) << parsed.error->line << ": " << parsed.error->reason;
            for (const auto &d : parsed.duplicates)
                ADD_FAILURE() << d.line << ": \"" << d.key << "\" repeats line " << d.firstLine;

            const auto values = valuesOf(parsed);
            const auto &keys = required[name];
            for (const auto &key : keys)
                EXPECT_TRUE(values.count(key)) << "lacks \"" << key << "\"";
            const auto english = valuesOf(parseStringsText(test_support::readFile(tablesRoot / ("en.lproj/" + name))));
            for (const auto &[key, value] : values) {
                EXPECT_TRUE(keys.count(key)) << "\"" << key << "\" is not a required key (misspelt or stale?)";
                EXPECT_FALSE(value.empty()) << "\"" << key << "\" is empty";
                const PlaceholderSignature signature = placeholderSignature(value);
                EXPECT_TRUE(signature.ok()) << "\"" << key << "\": " << signature.problem.value_or("");
                const auto it = english.find(key);
                if (it == english.end())
                    continue;
                if (signature.ok())
                    EXPECT_EQ(signature.arguments, placeholderSignature(it->second).arguments)
                        << "\"" << key << "\" = \"" << value << "\" has other placeholders than English \""
                        << it->second << "\"";
                if (code != "en" && it->second == value && hasLetters(value)
                    && !sameAsEnglishAllowed.count({"*", value}) && !sameAsEnglishAllowed.count({code, value}))
                    ADD_FAILURE() << "\"" << key << "\" is still the English \"" << value << "\"";
            }

            QFile embedded(QString::fromStdString(":/lproj/" + where));
            EXPECT_TRUE(embedded.open(QIODevice::ReadOnly)) << " is not compiled in";
            EXPECT_EQ(embedded.readAll().toStdString(), text)
                << " compiled in differs from its source (stale build?)";
        }
    }
}

} // namespace
} // namespace vardo
