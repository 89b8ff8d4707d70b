#pragma once

// Embeddings built so that their similarities are exact, and where the service keeps them.

#include "platform/fakes/memory_log.h"
#include "recognition/embedding.h"
#include "recognition/embedding_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace vardo::test {

inline constexpr const char *embeddingsService = "com.nerova.vardo.face-embeddings-v2";
inline constexpr const char *olderFormatService = "com.nerova.vardo.face-signatures";
inline constexpr const char *stateService = "com.nerova.vardo.state";
inline constexpr const char *ownerAccount = "owner";

// The unit vector along one axis.
inline Embedding axis(std::size_t i)
{
    Embedding e(embeddingLength, 0.0f);
    e[i] = 1.0f;
    return e;
}

// Orthonormal vectors along axes first, first + 1, ...
inline std::vector<Embedding> axes(std::size_t first, std::size_t count)
{
    std::vector<Embedding> set;
    for (std::size_t i = 0; i < count; ++i)
        set.push_back(axis(first + i));
    return set;
}

// A unit vector whose dot product with axis(i) is exactly `similarity` (one product,
// no rounding) and with every axis other than i and j is exactly 0.
inline Embedding leaning(std::size_t i, float similarity, std::size_t j)
{
    Embedding e(embeddingLength, 0.0f);
    e[i] = similarity;
    e[j] = std::sqrt(1.0f - similarity * similarity);
    return e;
}

inline Bytes bytesOf(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

inline std::string textOf(const Bytes &data)
{
    return std::string(data.begin(), data.end());
}

// Equal down to the bit patterns of the floats (-0 is not 0), in the same order.
inline bool sameBits(const std::vector<Embedding> &actual, const std::vector<Embedding> &expected)
{
    return std::equal(actual.begin(), actual.end(), expected.begin(), expected.end(), [](const auto &a, const auto &b) {
        return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
    });
}

// The recognition lines of the log, without the per-comparison match lines.
inline std::vector<std::string> faceIdLines(const MemoryLog &log)
{
    std::vector<std::string> lines;
    for (const auto &line : log.lines())
        if (line.starts_with("[FaceID] ") && !line.starts_with("[FaceID] Match"))
            lines.push_back(line);
    return lines;
}

} // namespace vardo::test
