#pragma once

#include "recognition/embedding.h"

#include <string>
#include <vector>

namespace vardo {

// How well one embedding fits the enrolled set.
struct MatchScore {
    float topK = 0.0f;     // mean of the best min(count, 3) similarities
    float meanSim = 0.0f;  // similarity to the set's normalised mean embedding
    float combined = 0.0f; // 0.6 topK + 0.4 meanSim
};

// The combined score a face needs, by security level: 0 relaxed 0.5, 2 strict 0.65,
// anything else (balanced and out-of-range values) 0.55.
float matchThreshold(int securityLevel);

// Scores a query against a non-empty enrolled set (an empty set scores all zero; the
// caller decides that an empty set matches nothing).
MatchScore scoreAgainstEnrolled(const std::vector<Embedding> &enrolled, const Embedding &query);

// A score at the threshold matches.
bool isOwnerMatch(const MatchScore &score, float threshold);

// "[FaceID] Match — topK: 0.812, mean: 0.790, combined: 0.803, threshold: 0.55"
std::string matchLogLine(const MatchScore &score, float threshold);

} // namespace vardo
