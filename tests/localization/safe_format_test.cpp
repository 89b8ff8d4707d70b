#include "localization/safe_format.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

namespace vardo {
namespace {

std::string formatted(std::string_view pattern, std::vector<FormatArg> args)
{
    const FormatOutcome outcome = formatPlaceholders(pattern, args);
    EXPECT_TRUE(outcome.ok()) << pattern << ": " << outcome.problem.value_or("");
    return outcome.text;
}

TEST(SafeFormatting, FillsSequentialPlaceholdersInOrder)
{
    EXPECT_EQ(formatted("Locks today: %d", {3}), "Locks today: 3");
    EXPECT_EQ(formatted("%s saw %i faces", {"Camera", 2}), "Camera saw 2 faces");
    EXPECT_EQ(formatted("no placeholders", {}), "no placeholders");
    EXPECT_EQ(formatted("", {}), "");
}

TEST(SafeFormatting, AcceptsEveryIntegerLengthModifier)
{
    EXPECT_EQ(formatted("%ld %li %lld %lli %u %lu %llu", {1, 2, 3, 4, 5, 6, 7}), "1 2 3 4 5 6 7");
}

TEST(SafeFormatting, IntegersKeepAllSixtyFourBits)
{
    EXPECT_EQ(formatted("%lld/%lld", {INT64_MIN, INT64_MAX}),
              "-9223372036854775808/9223372036854775807");
}

TEST(SafeFormatting, DoublePercentIsAPercentSign)
{
    EXPECT_EQ(formatted("%d%% match", {87}), "87% match");
    EXPECT_EQ(formatted("100%%", {}), "100%");
}

TEST(SafeFormatting, PositionalPlaceholdersReorderAndRepeat)
{
    EXPECT_EQ(formatted("%2$d Gesichter bei %1$s (%1$s)", {"Anna", 3}), "3 Gesichter bei Anna (Anna)");
    EXPECT_EQ(formatted("%1$lld%%", {50}), "50%");
}

TEST(SafeFormatting, StringsPassThroughUnread)
{
    // A placeholder inside an argument is text, never a second round of formatting.
    EXPECT_EQ(formatted("Faces detected: %@", {"%s %n %d"}), "Faces detected: %s %n %d");
    EXPECT_EQ(formatted("%s", {"محمي"}), "محمي");
}

TEST(SafeFormatting, DoublesUseFixedNotationWithAPointWhateverTheLocale)
{
    EXPECT_EQ(formatted("%.2f", {3.14159}), "3.14");
    EXPECT_EQ(formatted("%f", {1.5}), "1.500000");
    EXPECT_EQ(formatted("%1$.0f s", {2.0f}), "2 s");
}

TEST(SafeFormatting, ArgumentsConvertFromEveryIntegerTypeAndTextType)
{
    const std::size_t count = 4;
    const unsigned short small = 5;
    const std::string text = "t";
    EXPECT_EQ(formatted("%d %d %d %s %s", {count, small, -1L, text, std::string_view("v")}),
              "4 5 -1 t v");
}

struct Mismatch {
    const char *name;
    std::string pattern;
    std::vector<FormatArg> args;
    std::string problem;
};

void PrintTo(const Mismatch &m, std::ostream *os) { *os << m.name; }

class SafeFormattingMismatch : public ::testing::TestWithParam<Mismatch> {};

TEST_P(SafeFormattingMismatch, ShowsThePatternUnformattedAndSaysWhy)
{
    const Mismatch &m = GetParam();
    const FormatOutcome outcome = formatPlaceholders(m.pattern, m.args);
    EXPECT_FALSE(outcome.ok());
    EXPECT_EQ(outcome.text, m.pattern);
    EXPECT_EQ(outcome.problem.value_or(""), m.problem);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SafeFormattingMismatch,
    ::testing::Values(
        Mismatch{"MissingArgument", "Locks today: %d", {}, "expects 1 argument, given 0"},
        Mismatch{"ExtraArgument", "Locks today: %d", {1, 2}, "expects 1 argument, given 2"},
        Mismatch{"ArgumentForPlainText", "tips.title", {1}, "expects 0 arguments, given 1"},
        Mismatch{"StringForInteger", "%d", {"x"}, "argument 1 is a string but the text expects an integer"},
        Mismatch{"IntegerForString", "%d %s", {1, 2}, "argument 2 is an integer but the text expects a string"},
        Mismatch{"IntegerForDouble", "%.1f", {1}, "argument 1 is an integer but the text expects a double"},
        Mismatch{"NegativeForUnsigned", "%u", {-1}, "argument 1 is negative but the text expects an unsigned integer"},
        Mismatch{"MixedForms", "%1$d %s", {1, "a"}, "mixes positional (%1$d) and sequential (%d) placeholders"},
        Mismatch{"PositionGap", "%2$d", {1, 2}, "argument 1 is never used"},
        Mismatch{"PositionUsedAsTwoKinds", "%1$d %1$s", {1}, "argument 1 is used as both an integer and a string"},
        Mismatch{"PositionZero", "%0$d", {1}, "argument positions start at 1: %0$"},
        Mismatch{"PositionTooLarge", "%100$d", {1}, "unsupported placeholder %1"},
        Mismatch{"LonePercentAtEnd", "50%", {}, "a lone '%' at the end (write %% for a percent sign)"},
        Mismatch{"LonePercentInText", "100% sure", {}, "unsupported placeholder % "},
        Mismatch{"WritesMemory", "%n", {1}, "unsupported placeholder %n"},
        Mismatch{"Hexadecimal", "%x", {1}, "unsupported placeholder %x"},
        Mismatch{"Width", "%5d", {1}, "unsupported placeholder %5"},
        Mismatch{"WideString", "%ls", {"a"}, "unsupported placeholder %ls"},
        Mismatch{"PrecisionOnInteger", "%.2d", {1}, "unsupported placeholder %.2d"},
        Mismatch{"PrecisionWithoutDigits", "%.f", {1.0}, "unsupported placeholder %.f"},
        Mismatch{"TooManyLengthModifiers", "%llld", {1}, "unsupported placeholder %lll"},
        Mismatch{"PercentBeforeNonAscii", "%é", {}, "unsupported placeholder %"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(PlaceholderSignatures, CompareArgumentsByPositionWhateverTheForm)
{
    const auto kinds = [](std::string_view p) { return placeholderSignature(p).arguments; };
    EXPECT_EQ(kinds("%d of %s"), kinds("%2$s: %1$d"));
    EXPECT_EQ(kinds("%d"), kinds("%lld"));
    EXPECT_EQ(kinds("%s"), kinds("%@"));
    EXPECT_NE(kinds("%d of %s"), kinds("%s of %d"));
    EXPECT_EQ(kinds("%d%%"), std::vector<PlaceholderKind>{PlaceholderKind::integer});
    EXPECT_TRUE(kinds("plain").empty());
    EXPECT_FALSE(placeholderSignature("50% off").ok());
}

} // namespace
} // namespace vardo
