#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vardo {

// Strict readings of decimal number text, as kept in the secret store (the failed-match
// count, the lockout time, the values of the enrolled set). Strict means the whole text
// is the number: no spaces, no "0x", "inf" or "nan", nothing before or after.
// Independent of the C locale.

// An optional "+" or "-", then digits only; nothing when the value does not fit.
// "4" → 4, "+5" → 5, "-0" → 0; "", "+", "5 ", "abc", "99999999999999999999" → nothing.
std::optional<std::int64_t> parseDecimalInteger(std::string_view text);

// An optional sign, digits with at most one decimal point (at least one digit), and an
// optional exponent ("e" or "E", an optional sign, digits): "1712345678.25", "-3",
// ".5", "5.", "1e-05". Rounded once, correctly, to the nearest value of the type. A value
// too large for the type gives nothing; one too small for it gives zero with its sign.
std::optional<double> parseDecimalDouble(std::string_view text);
std::optional<float> parseDecimalFloat(std::string_view text);

// The default decimal text of a 64-bit float: the shortest text that reads back as the
// same double, plain decimal for magnitudes from 1e-4 up to 2^53 with ".0" for whole
// numbers ("1712345678.123456", "1712345678.0", "0.5") and exponent form beyond
// ("1e-05", "1e+16"); "nan", "inf", "-inf" for the values parseDecimalDouble rejects.
std::string doubleText(double value);

// The same for a 32-bit float: plain decimal for ordinary magnitudes ("0.65", "0.7",
// "1.0"), exponent form for very small or very large ones ("1e-05", "1.6777216e+07").
std::string floatText(float value);

} // namespace vardo
