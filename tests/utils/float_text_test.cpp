#include "utils/decimal_text.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vardo;

TEST(FloatText, ShortestTextThatReadsBackAsTheSameFloat)
{
    EXPECT_EQ(floatText(0.55f), "0.55");
    EXPECT_EQ(floatText(0.65f), "0.65");
    EXPECT_EQ(floatText(0.5f), "0.5");
    EXPECT_EQ(floatText(0.123456789f), "0.12345679");
    EXPECT_EQ(floatText(-0.25f), "-0.25");
}

TEST(FloatText, WholeNumbersKeepADecimalPoint)
{
    EXPECT_EQ(floatText(0.0f), "0.0");
    EXPECT_EQ(floatText(1.0f), "1.0");
    EXPECT_EQ(floatText(42.0f), "42.0");
}

TEST(FloatText, VerySmallAndVeryLargeUseAnExponent)
{
    EXPECT_EQ(floatText(1e-5f), "1e-05");
    EXPECT_EQ(floatText(0.0001f), "0.0001");
    EXPECT_EQ(floatText(16777216.0f), "1.6777216e+07");
}

TEST(FloatText, NotANumberAndInfinity)
{
    EXPECT_EQ(floatText(std::nanf("")), "nan");
    EXPECT_EQ(floatText(INFINITY), "inf");
    EXPECT_EQ(floatText(-INFINITY), "-inf");
}
