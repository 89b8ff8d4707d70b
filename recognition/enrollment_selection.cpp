#include "recognition/enrollment_selection.h"

#include <cmath>

namespace vardo {

std::vector<Embedding> selectEnrollmentEmbeddings(const std::vector<Embedding> &samples)
{
    if (samples.size() < 4)
        return samples;

    const Embedding centroid = normalizedMeanEmbedding(samples);
    std::vector<float> similarities;
    similarities.reserve(samples.size());
    for (const auto &s : samples)
        similarities.push_back(embeddingSimilarity(s, centroid));

    const auto n = static_cast<float>(samples.size());
    float sum = 0.0f;
    for (float s : similarities)
        sum += s;
    const float mean = sum / n;
    float squaredDeviations = 0.0f;
    for (float s : similarities)
        squaredDeviations += (s - mean) * (s - mean);
    const float deviation = std::sqrt(squaredDeviations / n);
    const float cutoff = mean - 1.5f * deviation;

    std::vector<Embedding> kept;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (similarities[i] >= cutoff)
            kept.push_back(samples[i]);
    }
    return kept.empty() ? samples : kept;
}

} // namespace vardo
