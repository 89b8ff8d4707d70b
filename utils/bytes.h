#pragma once

#include <cstdint>
#include <vector>

namespace vardo {

// Raw bytes as stored: settings data values, secret-store items, encoded lists.
using Bytes = std::vector<std::uint8_t>;

} // namespace vardo
