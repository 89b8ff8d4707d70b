#pragma once

#include <string>

namespace vardo {

// The default decimal text of a 32-bit float: the shortest text that reads back as the
// same float, plain decimal for ordinary magnitudes ("0.65", "0.7", "1.0") and exponent
// form for very small or very large ones ("1e-05", "1.6777216e+07").
std::string floatText(float value);

} // namespace vardo
