#pragma once

#include "platform/log_sink.h"

#include <ostream>
#include <string>
#include <vector>

namespace vardo {

// The command-line diagnostics of face recognition. Each analyses still images as if the
// camera delivered them (see cameraFrameFromImage), writes one JSON object per line to
// `out`, error lines to `err` and the recognition log lines ("[FaceID] ...") to `log`.
// Exit status: 0 done, 1 an image or a model could not be used (the others are still
// reported), 2 wrong arguments.

// faces IMAGE...
// Per face of the landmark detector:
//   {"image", "box": [x, y, width, height] (0..1, origin lower-left), "confidence",
//    "leftEye", "rightEye" (eye aspect ratios, null without outline), "eyesOpen",
//    "gate": "ok" | "too_small" | "too_large" | "low_confidence", "embedding": bool}
// then per image {"image", "rect": number of faces of the rectangle count}.
int runFacesCommand(const std::vector<std::string> &args, std::ostream &out, std::ostream &err, LogSink &log);

// verify --enroll IMAGE... --probe IMAGE...
// Enrols the first eyes-open embedding of each enrol image as one set (outliers removed
// as at enrolment) and prints per probe
//   {"probe", "topK", "mean", "combined" (null when the probe gave no embedding),
//    "match": {"relaxed", "balanced", "strict"}}.
int runVerifyCommand(const std::vector<std::string> &args, std::ostream &out, std::ostream &err, LogSink &log);

} // namespace vardo
