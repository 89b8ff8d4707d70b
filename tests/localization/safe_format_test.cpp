#include "localization/safe_format.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

namespace vardo {
namespace {

struct Case {
    std::string pattern;
    std::vector<FormatArg> args;
    std::string expected; // the text, or for a refusal the problem
};

TEST(SafeFormatting, FillsPlaceholdersOfEveryAcceptedForm)
{
    const std::size_t count = 4;
    const unsigned short small = 5;
    const std::string text = "t";
    const Case cases[] = {
        {"Locks today: %d", {3}, "Locks today: 3"},
        {"%s saw %i faces", {"Camera", 2}, "Camera saw 2 faces"},
        {"no placeholders", {}, "no placeholders"},
        {"", {}, ""},
        {"%ld %li %lld %lli %u %lu %llu", {1, 2, 3, 4, 5, 6, 7}, "1 2 3 4 5 6 7"},
        {"%lld/%lld", {INT64_MIN, INT64_MAX}, "-9223372036854775808/9223372036854775807"},
        {"%d%% match", {87}, "87% match"},
        {"100%%", {}, "100%"},
        {"%2$d Gesichter bei %1$s (%1$s)", {"Anna", 3}, "3 Gesichter bei Anna (Anna)"},
        {"%1$lld%%", {50}, "50%"},
        // A placeholder inside an argument is text, never a second round of formatting.
        {"Faces detected: %@", {"%s %n %d"}, "Faces detected: %s %n %d"},
        {"%s", {"محمي"}, "محمي"},
        {"%.2f", {3.14159}, "3.14"},
        {"%f", {1.5}, "1.500000"},
        {"%1$.0f s", {2.0f}, "2 s"},
        {"%d %d %d %s %s", {count, small, -1L, text, std::string_view("v")}, "4 5 -1 t v"},
    };
    for (const Case &c : cases) {
        const FormatOutcome outcome = formatPlaceholders(c.pattern, c.args);
        EXPECT_TRUE(outcome.ok()) << c.pattern << ": " << outcome.problem.value_or("");
        EXPECT_EQ(outcome.text, c.expected);
    }
}

TEST(SafeFormatting, AMismatchShowsThePatternUnformattedAndSaysWhy)
{
    const Case cases[] = {
        {"Locks today: %d", {}, "expects 1 argument, given 0"},
        {"Locks today: %d", {1, 2}, "expects 1 argument, given 2"},
        {"tips.title", {1}, "expects 0 arguments, given 1"},
        {"%d", {"x"}, "argument 1 is a string but the text expects an integer"},
        {"%d %s", {1, 2}, "argument 2 is an integer but the text expects a string"},
        {"%.1f", {1}, "argument 1 is an integer but the text expects a double"},
        {"%u", {-1}, "argument 1 is negative but the text expects an unsigned integer"},
        {"%1$d %s", {1, "a"}, "mixes positional (%1$d) and sequential (%d) placeholders"},
        {"%2$d", {1, 2}, "argument 1 is never used"},
        {"%1$d %1$s", {1}, "argument 1 is used as both an integer and a string"},
        {"%0$d", {1}, "argument positions start at 1: %0$"},
        {"%100$d", {1}, "unsupported placeholder %1"},
        {"50%", {}, "a lone '%' at the end (write %% for a percent sign)"},
        {"100% sure", {}, "unsupported placeholder % "},
        {"%n", {1}, "unsupported placeholder %n"},
        {"%x", {1}, "unsupported placeholder %x"},
        {"%5d", {1}, "unsupported placeholder %5"},
        {"%ls", {"a"}, "unsupported placeholder %ls"},
        {"%.2d", {1}, "unsupported placeholder %.2d"},
        {"%.f", {1.0}, "unsupported placeholder %.f"},
        {"%llld", {1}, "unsupported placeholder %lll"},
        {"%é", {}, "unsupported placeholder %"},
    };
    for (const Case &c : cases) {
        const FormatOutcome outcome = formatPlaceholders(c.pattern, c.args);
        EXPECT_FALSE(outcome.ok()) << c.pattern;
        EXPECT_EQ(outcome.text, c.pattern);
        EXPECT_EQ(outcome.problem.value_or(""), c.expected) << c.pattern;
    }
}

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
