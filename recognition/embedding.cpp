#include "recognition/embedding.h"

#include <algorithm>
#include <cmath>

namespace vardo {

Embedding l2Normalize(Embedding vector)
{
    float sumOfSquares = 0.0f;
    for (float v : vector)
        sumOfSquares += v * v;
    const float length = std::sqrt(sumOfSquares);
    if (length > 0.0f) {
        for (float &v : vector)
            v /= length;
    }
    return vector;
}

float embeddingSimilarity(const Embedding &a, const Embedding &b)
{
    if (a.empty() || a.size() != b.size())
        return 0.0f;
    float dot = 0.0f;
    for (std::size_t i = 0; i < a.size(); ++i)
        dot += a[i] * b[i];
    return dot;
}

Embedding normalizedMeanEmbedding(const std::vector<Embedding> &set)
{
    if (set.empty())
        return {};
    Embedding sum(set.front().size(), 0.0f);
    for (const auto &e : set) {
        const std::size_t n = std::min(sum.size(), e.size());
        for (std::size_t i = 0; i < n; ++i)
            sum[i] += e[i];
    }
    const auto count = static_cast<float>(set.size());
    for (float &v : sum)
        v /= count;
    return l2Normalize(std::move(sum));
}

} // namespace vardo
