#pragma once

#include "platform/log_sink.h"
#include "recognition/face_observation.h"

namespace vardo {

// Outcome of the cheap checks a face must pass before an embedding is worth computing.
enum class FaceGate {
    ok,
    tooSmall,      // covers 2 % of the frame or less: too far away
    tooLarge,      // covers 85 % or more: too close
    lowConfidence, // detector confidence below 0.7
};

// Checks, in order, size and detector confidence, and writes the "[FaceID] ..." line of
// the first check that fails. The embedding model's presence is the caller's first
// check and is silent.
FaceGate checkQualityGates(const FaceObservation &face, LogSink &log);

// The key used for a gate outcome in machine-readable output ("ok", "too_small", ...).
const char *gateName(FaceGate gate);

} // namespace vardo
