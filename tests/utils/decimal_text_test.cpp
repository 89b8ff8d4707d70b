#include "utils/decimal_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace vardo {
namespace {

TEST(DecimalIntegerText, ReadsSignedDecimalIntegers)
{
    EXPECT_EQ(parseDecimalInteger("4"), 4);
    EXPECT_EQ(parseDecimalInteger("+5"), 5);
    EXPECT_EQ(parseDecimalInteger("-0"), 0);
    EXPECT_EQ(parseDecimalInteger("0"), 0);
    EXPECT_EQ(parseDecimalInteger("-12"), -12);
    EXPECT_EQ(parseDecimalInteger("007"), 7);
    EXPECT_EQ(parseDecimalInteger("9223372036854775807"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(parseDecimalInteger("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
}

TEST(DecimalIntegerText, RejectsEverythingElse)
{
    const char *invalid[] = {
        "abc", "", "5 ", " 5", "+", "-", "+-5", "-+5", "--5", "99999999999999999999",
        "9223372036854775808", "-9223372036854775809", "1.0", "1e3", "0x10", "5a", "\xd9\xa3", "\t4",
    };
    for (const char *text : invalid)
        EXPECT_FALSE(parseDecimalInteger(text)) << "'" << text << "'";
    EXPECT_FALSE(parseDecimalInteger(std::string_view("4\0", 2)));
}

TEST(DecimalFloatingText, ReadsDecimalNumbers)
{
    EXPECT_EQ(parseDecimalDouble("1712345678.25"), 1712345678.25);
    EXPECT_EQ(parseDecimalDouble("-3"), -3.0);
    EXPECT_EQ(parseDecimalDouble("+2"), 2.0);
    EXPECT_EQ(parseDecimalDouble(".5"), 0.5);
    EXPECT_EQ(parseDecimalDouble("5."), 5.0);
    EXPECT_EQ(parseDecimalDouble("1e-05"), 1e-5);
    EXPECT_EQ(parseDecimalDouble("1E3"), 1000.0);
    EXPECT_EQ(parseDecimalDouble("1.7e+09"), 1.7e9);
    EXPECT_EQ(parseDecimalFloat("0.1"), 0.1f);
}

TEST(DecimalFloatingText, RejectsEverythingElse)
{
    const char *invalid[] = {
        "", "nan", "NaN", "inf", "-inf", "infinity", "0x1p3", " 1", "1 ", "1e", "1e+", "--1", "+-1",
        ".", "-.", "e5", "1,5", "1.2.3", "1e5.5", "abc", "1e400", "-1e400",
    };
    for (const char *text : invalid)
        EXPECT_FALSE(parseDecimalDouble(text)) << "'" << text << "'";
    EXPECT_FALSE(parseDecimalFloat("1e39"));
    EXPECT_FALSE(parseDecimalFloat("3.5e38"));
}

TEST(DecimalFloatingText, ValuesBelowTheRangeReadAsSignedZero)
{
    EXPECT_EQ(std::bit_cast<std::uint64_t>(parseDecimalDouble("1e-400").value()), std::bit_cast<std::uint64_t>(0.0));
    EXPECT_EQ(std::bit_cast<std::uint64_t>(parseDecimalDouble("-1e-400").value()), std::bit_cast<std::uint64_t>(-0.0));
    EXPECT_EQ(std::bit_cast<std::uint32_t>(parseDecimalFloat("-0.00000000000000000000000000000000000000000000001").value()),
              std::bit_cast<std::uint32_t>(-0.0f));
}

TEST(DoubleText, WritesTheDefaultShortestText)
{
    EXPECT_EQ(doubleText(1712345678.123456), "1712345678.123456");
    EXPECT_EQ(doubleText(1712345678.0), "1712345678.0");
    EXPECT_EQ(doubleText(1700000000.0), "1700000000.0");
    EXPECT_EQ(doubleText(0.1), "0.1");
    EXPECT_EQ(doubleText(0.0), "0.0");
    EXPECT_EQ(doubleText(-0.0), "-0.0");
    EXPECT_EQ(doubleText(300.0), "300.0");
    EXPECT_EQ(doubleText(1e-5), "1e-05");
    EXPECT_EQ(doubleText(1e16), "1e+16");
    EXPECT_EQ(doubleText(9007199254740991.0), "9007199254740991.0");
}

TEST(DoubleText, ReadsBackAsTheSameDouble)
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
