#include "recognition/owner_matching.h"

#include "utils/decimal_text.h"

#include <algorithm>
#include <cstdio>
#include <functional>

namespace vardo {

float matchThreshold(int securityLevel)
{
    switch (securityLevel) {
    case 0:
        return 0.5f;
    case 2:
        return 0.65f;
    default:
        return 0.55f;
    }
}

MatchScore scoreAgainstEnrolled(const std::vector<Embedding> &enrolled, const Embedding &query)
{
    MatchScore score;
    if (enrolled.empty())
        return score;

    std::vector<float> similarities;
    similarities.reserve(enrolled.size());
    for (const auto &e : enrolled)
        similarities.push_back(embeddingSimilarity(e, query));
    std::sort(similarities.begin(), similarities.end(), std::greater<>());
    const std::size_t k = std::min<std::size_t>(similarities.size(), 3);
    float best = 0.0f;
    for (std::size_t i = 0; i < k; ++i)
        best += similarities[i];
    score.topK = best / static_cast<float>(k);

    score.meanSim = embeddingSimilarity(normalizedMeanEmbedding(enrolled), query);
    score.combined = 0.6f * score.topK + 0.4f * score.meanSim;
    return score;
}

bool isOwnerMatch(const MatchScore &score, float threshold)
{
    return score.combined >= threshold;
}

std::string matchLogLine(const MatchScore &score, float threshold)
{
    char numbers[160];
    std::snprintf(numbers, sizeof numbers, "topK: %.3f, mean: %.3f, combined: %.3f, threshold: ",
                  static_cast<double>(score.topK), static_cast<double>(score.meanSim),
                  static_cast<double>(score.combined));
    return std::string("[FaceID] Match — ") + numbers + floatText(threshold);
}

} // namespace vardo
