#pragma once

#include <cstddef>
#include <vector>

namespace vardo {

// A face embedding: embeddingLength 32-bit floats of Euclidean length 1, or all zero
// when the model gave nothing usable.
using Embedding = std::vector<float>;

inline constexpr std::size_t embeddingLength = 512;

// The vector divided by its Euclidean length (sum of squares in 32-bit floats); a vector
// of length zero is returned unchanged.
Embedding l2Normalize(Embedding vector);

// Dot product (the cosine similarity of unit vectors) of two vectors of the same,
// non-zero length; 0 for vectors of different or zero length.
float embeddingSimilarity(const Embedding &a, const Embedding &b);

// Element-wise mean of the set (its length is that of the first vector), l2-normalised.
// Empty for an empty set.
Embedding normalizedMeanEmbedding(const std::vector<Embedding> &set);

} // namespace vardo
