#include "localization/strings_file.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

namespace vardo {
namespace {

std::string valueOf(const StringsParseResult &result, const std::string &key)
{
    for (const auto &entry : result.entries)
        if (entry.key == key)
            return entry.value;
    ADD_FAILURE() << "no entry " << key;
    return {};
}

StringsParseResult parsedOk(std::string_view text)
{
    StringsParseResult result = parseStringsText(text);
    EXPECT_TRUE(result.ok()) << result.error->line << ": " << result.error->reason;
    return result;
}

TEST(StringsFileReading, ReadsEntriesInFileOrderWithTheirLines)
{
    const auto result = parsedOk("\"status.protected\" = \"Protected\";\n"
                                 "\n"
                                 "\"menu.locks\" = \"Locks today: %d\";\n");
    ASSERT_EQ(result.entries.size(), 2u);
    EXPECT_EQ(result.entries[0].key, "status.protected");
    EXPECT_EQ(result.entries[0].value, "Protected");
    EXPECT_EQ(result.entries[0].line, 1);
    EXPECT_EQ(result.entries[1].key, "menu.locks");
    EXPECT_EQ(result.entries[1].value, "Locks today: %d");
    EXPECT_EQ(result.entries[1].line, 3);
}

TEST(StringsFileReading, AllowsWhitespaceAndCommentsBetweenEveryToken)
{
    const auto result = parsedOk("/* head */\t\"a\"/* after key */=// after equals\n"
                                 "  \r\n\"b\"\f\v/**/;// end\n"
                                 "/* multi\n line */\"c\"=\"d\";");
    ASSERT_EQ(result.entries.size(), 2u);
    EXPECT_EQ(valueOf(result, "a"), "b");
    EXPECT_EQ(valueOf(result, "c"), "d");
    EXPECT_EQ(result.entries[1].line, 5);
}

TEST(StringsFileReading, CommentMarkersInsideQuotesAreText)
{
    const auto result = parsedOk("\"url\" = \"https://example.org/* not a comment */\";");
    EXPECT_EQ(valueOf(result, "url"), "https://example.org/* not a comment */");
}

TEST(StringsFileReading, ResolvesCharacterEscapes)
{
    const auto result = parsedOk(R"("k" = "say \"hi\" \\ it\'s\nnext\tcol\rret";)");
    EXPECT_EQ(valueOf(result, "k"), "say \"hi\" \\ it's\nnext\tcol\rret");
}

TEST(StringsFileReading, ResolvesUnicodeEscapesAndJoinsSurrogatePairs)
{
    const auto result = parsedOk(R"("k" = "\U00E9 \u20AC \U0041 \uD83D\uDE00 \UD83D\Ude00";)");
    EXPECT_EQ(valueOf(result, "k"), "é € A 😀 😀");
}

TEST(StringsFileReading, KeepsRawUtf8AndLineBreaksInsideValues)
{
    const auto result = parsedOk("\"ar\" = \"محمي\";\n\"two\" = \"line one\nline two\";\n\"after\" = \"x\";");
    EXPECT_EQ(valueOf(result, "ar"), "محمي");
    EXPECT_EQ(valueOf(result, "two"), "line one\nline two");
    EXPECT_EQ(result.entries[2].line, 4);
}

TEST(StringsFileReading, SkipsTheByteOrderMark)
{
    const auto result = parsedOk("\xEF\xBB\xBF\"k\" = \"v\";");
    EXPECT_EQ(valueOf(result, "k"), "v");
}

TEST(StringsFileReading, EmptyAndCommentOnlyFilesHaveNoEntries)
{
    EXPECT_TRUE(parsedOk("").entries.empty());
    EXPECT_TRUE(parsedOk(" \n/* nothing */\n// here\n").entries.empty());
}

TEST(StringsFileReading, CountsLinesOfWindowsLineEnds)
{
    const auto result = parsedOk("\"a\" = \"1\";\r\n\r\n\"b\" = \"2\";\r\n");
    ASSERT_EQ(result.entries.size(), 2u);
    EXPECT_EQ(result.entries[1].line, 3);
}

TEST(StringsFileReading, ReportsEveryRepeatedKeyWithBothLines)
{
    const auto result = parsedOk("\"a\" = \"1\";\n\"b\" = \"2\";\n\"a\" = \"3\";\n\"a\" = \"4\";\n");
    ASSERT_EQ(result.duplicates.size(), 2u);
    EXPECT_EQ(result.duplicates[0].key, "a");
    EXPECT_EQ(result.duplicates[0].firstLine, 1);
    EXPECT_EQ(result.duplicates[0].line, 3);
    EXPECT_EQ(result.duplicates[1].line, 4);
    EXPECT_EQ(result.entries.size(), 4u);
}

struct MalformedCase {
    const char *name;
    std::string text;
    int line;
    std::string reason;
};

void PrintTo(const MalformedCase &c, std::ostream *os) { *os << c.name; }

class MalformedStringsFile : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedStringsFile, IsRejectedWholeWithLineAndReason)
{
    const MalformedCase &c = GetParam();
    const auto result = parseStringsText(c.text);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error->line, c.line);
    EXPECT_EQ(result.error->reason, c.reason);
    EXPECT_TRUE(result.entries.empty()) << "entries before the error must not be kept";
}

const std::string good = "\"first\" = \"kept?\";\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedStringsFile,
    ::testing::Values(
        MalformedCase{"MissingSemicolonBeforeNextEntry",
                      good + "\"a\" = \"b\"\n\"c\" = \"d\";", 2, "expected ';' after value"},
        MalformedCase{"MissingSemicolonAtEnd", good + "\"a\" = \"b\"", 2,
                      "expected ';' after value"},
        MalformedCase{"MissingEquals", good + "\"a\" \"b\";", 2, "expected '=' after key"},
        MalformedCase{"KeyOnlyShortcut", good + "\"a\";", 2, "expected '=' after key"},
        MalformedCase{"UnquotedKey", good + "a = \"b\";", 2, "expected '\"' to start a key"},
        MalformedCase{"UnquotedValue", good + "\"a\" = b;", 2, "expected '\"' to start a value"},
        MalformedCase{"ValueMissingAtEnd", good + "\"a\" =\n", 2, "expected '\"' to start a value"},
        MalformedCase{"StraySlash", good + "/ \"a\" = \"b\";", 2, "expected '\"' to start a key"},
        MalformedCase{"UnterminatedString", good + "\"a\" = \"b;\n\n", 2, "unterminated string"},
        MalformedCase{"UnterminatedComment", good + "\n/* note\n\n", 3, "unterminated comment"},
        MalformedCase{"EmptyKey", good + "\"\" = \"b\";", 2, "empty key"},
        MalformedCase{"UnknownEscape", good + R"("a" = "\q";)", 2, "unknown escape '\\q'"},
        MalformedCase{"BackslashBeforeSpace", good + "\"a\" = \"\\ \";", 2,
                      "unknown escape: '\\' before a space, line break or non-ASCII character"},
        MalformedCase{"NulEscape", good + R"("a" = "x\0";)", 2, "\\0 (NUL) is not allowed"},
        MalformedCase{"NulUnicodeEscape", good + R"("a" = "\U0000";)", 2,
                      "\\U0000 (NUL) is not allowed"},
        MalformedCase{"ShortUnicodeEscape", good + R"("a" = "\U12";)", 2,
                      "\\U needs four hex digits"},
        MalformedCase{"ShortLowerUnicodeEscape", good + R"("a" = "\u12G4";)", 2,
                      "\\u needs four hex digits"},
        MalformedCase{"LoneLowSurrogate", good + R"("a" = "\uDC00";)", 2,
                      "unpaired surrogate in a \\u escape"},
        MalformedCase{"HighSurrogateAlone", good + R"("a" = "\uD83Dx";)", 2,
                      "unpaired surrogate in a \\u escape"},
        MalformedCase{"HighSurrogateThenNonSurrogate", good + R"("a" = "\uD83D\u0041";)", 2,
                      "unpaired surrogate in a \\u escape"},
        MalformedCase{"TruncatedUtf8", good + "\"a\" = \"\xC3\";", 2, "invalid UTF-8"},
        MalformedCase{"OverlongUtf8", good + "\"a\" = \"\xC0\xAF\";", 2, "invalid UTF-8"},
        MalformedCase{"EncodedSurrogate", good + "\"a\" = \"\xED\xA0\x80\";", 2, "invalid UTF-8"},
        MalformedCase{"BeyondUnicode", good + "\"a\" = \"\xF4\x90\x80\x80\";", 2, "invalid UTF-8"},
        MalformedCase{"Latin1Byte", good + "\n\"a\" = \"caf\xE9\";", 3, "invalid UTF-8"},
        MalformedCase{"RawNulByte", good + "\"a\" = \"x\0y\";"s, 2, "NUL byte in the text"},
        MalformedCase{"Utf16LittleEndian", "\xFF\xFE\"\0a\0\"\0"s, 1,
                      "UTF-16 text; the table must be saved as UTF-8"},
        MalformedCase{"Utf16BigEndian", "\xFE\xFF\0\"\0a\0\""s, 1,
                      "UTF-16 text; the table must be saved as UTF-8"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Utf8Validation, AcceptsAllPlanesAndRejectsMalformedSequences)
{
    EXPECT_TRUE(isValidUtf8("a é € 😀 \xF4\x8F\xBF\xBF"));
    EXPECT_FALSE(isValidUtf8("\x80"));
    EXPECT_FALSE(isValidUtf8("\xE2\x82"));
    EXPECT_FALSE(isValidUtf8("\xF8\x88\x80\x80\x80"));
    EXPECT_FALSE(isValidUtf8("\xE0\x80\xAF"));
}

} // namespace
} // namespace vardo
