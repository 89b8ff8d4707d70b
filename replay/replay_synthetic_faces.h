#pragma once

#include "engine/frame_analysis.h"
#include "recognition/embedding.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vardo {

// Synthetic people for the replay and the engine's tests: each name stands for a fixed
// random direction in embedding space, and every sighting of that person is the
// direction plus a little noise. The noise is chosen so that one person always matches
// their own enrolled set at every security level (combined score near 0.89, well above
// the strict 0.65), two people never match each other (near 0), and a sighting is never
// so close to an enrolled sample (about 0.86, below 0.95) that adaptive learning would
// refuse it as a duplicate.
//
// Everything is a pure function of the name and a sample key, computed the same way on
// every machine: the hash is FNV-1a and the generator std::mt19937_64, whose sequence
// the C++ standard fixes.

// 64-bit FNV-1a of the text.
std::uint64_t stableTextHash(std::string_view text);

// The person's own direction, of Euclidean length 1.
Embedding syntheticPersonDirection(std::string_view name);

// One sighting of the person: their direction plus noise drawn for `sample`. The same
// name and sample give the same embedding.
Embedding syntheticPersonEmbedding(std::string_view name, std::uint64_t sample);

// The enrolled set of the person: enrollmentSamples sightings that no frame's sample
// key reproduces.
std::vector<Embedding> syntheticEnrolledSet(std::string_view name, std::size_t count = 25);

// One face in front of the camera, as face analysis would see it.
struct SyntheticFace {
    std::string who;
    bool eyesOpen = true;
    bool gated = false; // too small, too large or not confident: counted, no embedding
    // What the camera's picture of the face shows to the liveness checks: skin texture,
    // or the smooth flat picture of a face ("live": false); and a phone's dark outline
    // around it ("screen": true).
    bool live = true;
    bool screen = false;
};

// What face analysis reports for one frame with these faces, in this order. Each face
// gets its own noise: sample keys `firstSample`, `firstSample + 1`, ... The observations
// are placed side by side across the frame, and the frame is drawn to match: a plain
// room with each face where its observation says.
FrameResults syntheticFrameResults(const std::vector<SyntheticFace> &faces, std::uint64_t firstSample);

} // namespace vardo
