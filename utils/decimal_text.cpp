#include "utils/decimal_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace vardo {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Checks the decimal grammar of parseDecimalDouble and returns the decimal exponent of
// the first non-zero digit (123.4 → 2, 0.05 → -2, 1e-50 → -50), saturated; nothing when
// the text is not a decimal number. A number whose digits are all zero reports 0.
std::optional<long long> decimalMagnitude(std::string_view text)
{
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    long long firstNonZero = 0; // position relative to the decimal point
    bool seenNonZero = false;
    std::size_t digitCount = 0;
    long long integerDigits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i, ++digitCount, ++integerDigits) {
        if (!seenNonZero && text[i] != '0') {
            seenNonZero = true;
            firstNonZero = integerDigits;
        }
    }
    long long magnitude = 0;
    if (seenNonZero)
        magnitude = integerDigits - firstNonZero - 1;
    if (i < text.size() && text[i] == '.') {
        ++i;
        for (long long place = -1; i < text.size() && isDigit(text[i]); ++i, ++digitCount, --place) {
            if (!seenNonZero && text[i] != '0') {
                seenNonZero = true;
                magnitude = place;
            }
        }
    }
    if (digitCount == 0)
        return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negative = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            negative = text[i++] == '-';
        if (i == text.size())
            return std::nullopt;
        long long exponent = 0;
        for (; i < text.size(); ++i) {
            if (!isDigit(text[i]))
                return std::nullopt;
            if (exponent < 1'000'000'000)
                exponent = exponent * 10 + (text[i] - '0');
        }
        magnitude += negative ? -exponent : exponent;
    }
    if (i != text.size())
        return std::nullopt;
    return seenNonZero ? magnitude : 0;
}

template <typename Float>
std::optional<Float> parseDecimal(std::string_view text)
{
    const auto magnitude = decimalMagnitude(text);
    if (!magnitude)
        return std::nullopt;
    // from_chars takes a leading "-" but not a leading "+".
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '+' || text.front() == '-'))
        text.remove_prefix(1);

    Float value{};
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too small rounds to zero; too large has no value.
        if (*magnitude >= 0)
            return std::nullopt;
        value = 0;
    } else if (result.ec != std::errc() || result.ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

} // namespace

std::optional<std::int64_t> parseDecimalInteger(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || !isDigit(text.front()))
        return std::nullopt;
    // Accumulated as unsigned so that the most negative value, whose magnitude has no
    // positive counterpart, still parses.
    std::uint64_t magnitude = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size())
        return std::nullopt;
    constexpr auto max = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (magnitude > max + (negative ? 1 : 0))
        return std::nullopt;
    if (negative)
        return static_cast<std::int64_t>(0 - magnitude);
    return static_cast<std::int64_t>(magnitude);
}

std::optional<double> parseDecimalDouble(std::string_view text)
{
    return parseDecimal<double>(text);
}

std::optional<float> parseDecimalFloat(std::string_view text)
{
    return parseDecimal<float>(text);
}

namespace {

// The shortest text that reads back as the same value: plain decimal from 1e-4 up to the
// largest whole number the type holds exactly (with ".0" on whole numbers, so it still
// reads as a floating-point number), exponent form outside.
template <typename T>
std::string shortestText(T value, T largestPlain)
{
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    std::array<char, 64> buffer{};
    const T magnitude = std::fabs(value);
    const bool plain = magnitude == T(0) || (magnitude >= T(1e-4) && magnitude < largestPlain);
    const auto format = plain ? std::chars_format::fixed : std::chars_format::scientific;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format);
    std::string text(buffer.data(), result.ptr);
    if (plain && text.find('.') == std::string::npos)
        text += ".0";
    return text;
}

} // namespace

std::string doubleText(double value)
{
    return shortestText(value, 9007199254740992.0);
}

std::string floatText(float value)
{
    return shortestText(value, 16777216.0f);
}

} // namespace vardo
