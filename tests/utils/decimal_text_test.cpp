#include "utils/decimal_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace vardo {
namespace {

TEST(DecimalText, ReadsSignedDecimalsOnly)
{
    const std::pair<const char *, std::int64_t> integers[] = {
        {"4", 4}, {"+5", 5}, {"-0", 0}, {"0", 0}, {"-12", -12}, {"007", 7},
        {"9223372036854775807", std::numeric_limits<std::int64_t>::max()},
        {"-9223372036854775808", std::numeric_limits<std::int64_t>::min()},
    };
    for (const auto &[text, value] : integers)
        EXPECT_EQ(parseDecimalInteger(text), value) << text;
    for (const char *text : {"abc", "", "5 ", " 5", "+", "-", "+-5", "-+5", "--5", "99999999999999999999",
                             "9223372036854775808", "-9223372036854775809", "1.0", "1e3", "0x10", "5a",
                             "\xd9\xa3", "\t4"})
        EXPECT_FALSE(parseDecimalInteger(text)) << "'" << text << "'";
    EXPECT_FALSE(parseDecimalInteger(std::string_view("4\0", 2)));

    const std::pair<const char *, double> doubles[] = {
        {"1712345678.25", 1712345678.25}, {"-3", -3.0}, {"+2", 2.0}, {".5", 0.5}, {"5.", 5.0},
        {"1e-05", 1e-5}, {"1E3", 1000.0}, {"1.7e+09", 1.7e9},
    };
    for (const auto &[text, value] : doubles)
        EXPECT_EQ(parseDecimalDouble(text), value) << text;
    EXPECT_EQ(parseDecimalFloat("0.1"), 0.1f);
    for (const char *text : {"", "nan", "NaN", "inf", "-inf", "infinity", "0x1p3", " 1", "1 ", "1e", "1e+", "--1",
                             "+-1", ".", "-.", "e5", "1,5", "1.2.3", "1e5.5", "abc", "1e400", "-1e400"})
        EXPECT_FALSE(parseDecimalDouble(text)) << "'" << text << "'";
    EXPECT_FALSE(parseDecimalFloat("1e39"));
    EXPECT_FALSE(parseDecimalFloat("3.5e38"));

    // Below the range: a zero of the same sign.
    EXPECT_EQ(std::bit_cast<std::uint64_t>(parseDecimalDouble("1e-400").value()), std::bit_cast<std::uint64_t>(0.0));
    EXPECT_EQ(std::bit_cast<std::uint64_t>(parseDecimalDouble("-1e-400").value()), std::bit_cast<std::uint64_t>(-0.0));
    EXPECT_EQ(std::bit_cast<std::uint32_t>(parseDecimalFloat("-0.00000000000000000000000000000000000000000000001").value()),
              std::bit_cast<std::uint32_t>(-0.0f));
}

TEST(DecimalText, WritesTheShortestTextWithAPointForWholeNumbers)
{
    const std::pair<double, const char *> doubles[] = {
        {1712345678.123456, "1712345678.123456"}, {1712345678.0, "1712345678.0"}, {0.1, "0.1"}, {0.0, "0.0"},
        {-0.0, "-0.0"}, {300.0, "300.0"}, {1e-5, "1e-05"}, {1e16, "1e+16"}, {9007199254740991.0, "9007199254740991.0"},
    };
    for (const auto &[value, text] : doubles)
        EXPECT_EQ(doubleText(value), text);
    const std::pair<float, const char *> floats[] = {
        {0.55f, "0.55"}, {0.65f, "0.65"}, {0.123456789f, "0.12345679"}, {-0.25f, "-0.25"}, {0.0f, "0.0"},
        {42.0f, "42.0"}, {1e-5f, "1e-05"}, {0.0001f, "0.0001"}, {16777216.0f, "1.6777216e+07"},
        {std::nanf(""), "nan"}, {INFINITY, "inf"}, {-INFINITY, "-inf"},
    };
    for (const auto &[value, text] : floats)
        EXPECT_EQ(floatText(value), text);
}

TEST(DecimalText, DoubleTextReadsBackAsTheSameDouble)
{
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> timestamps(0.0, 4102444800.0);
    std::vector<double> values{0.0, -0.0, 1e-300, std::numeric_limits<double>::denorm_min(),
                               std::numeric_limits<double>::max(), -std::numeric_limits<double>::max()};
    for (int i = 0; i < 2000; ++i) {
        values.push_back(timestamps(random));
        double any;
        do {
            any = std::bit_cast<double>(random());
        } while (!std::isfinite(any));
        values.push_back(any);
    }
    for (double value : values) {
        const auto back = parseDecimalDouble(doubleText(value));
        ASSERT_TRUE(back) << doubleText(value);
        ASSERT_EQ(std::bit_cast<std::uint64_t>(*back), std::bit_cast<std::uint64_t>(value)) << doubleText(value);
    }
}

} // namespace
} // namespace vardo
