#include "recognition/float_text.h"

#include <array>
#include <charconv>
#include <cmath>

namespace vardo {

std::string floatText(float value)
{
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";

    std::array<char, 64> buffer{};
    const float magnitude = std::fabs(value);
    const bool plain = magnitude == 0.0f || (magnitude >= 1e-4f && magnitude < 16777216.0f);
    const auto format = plain ? std::chars_format::fixed : std::chars_format::scientific;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format);
    std::string text(buffer.data(), result.ptr);
    // A whole number still reads as a float.
    if (plain && text.find('.') == std::string::npos)
        text += ".0";
    return text;
}

} // namespace vardo
