#pragma once

#include "platform/defaults_store.h" // Bytes
#include "recognition/embedding.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vardo {

// The text form of the enrolled set as the secret store keeps it: one JSON array per
// embedding inside one outer array, compact ("[[0.1,-0.2],[0.3,0.4]]"), every value in
// the shortest decimal form that reads back as the same 32-bit float.

// Nothing when a value is NaN or infinite: JSON has no spelling for them, and a set
// that cannot be read back exactly must not replace the stored one.
std::optional<std::string> encodeEmbeddings(const std::vector<Embedding> &embeddings);

// Any JSON array of arrays of numbers (whitespace allowed, as JSON allows), each number
// rounded once, correctly, to the nearest 32-bit float. Nothing for anything else:
// empty or invalid text, strings, objects, deeper nesting, a number too large for a
// 32-bit float. Inner arrays may have any length, including zero.
std::optional<std::vector<Embedding>> decodeEmbeddings(std::string_view json);
std::optional<std::vector<Embedding>> decodeEmbeddings(const Bytes &json);

} // namespace vardo
