#pragma once

#include "recognition/face_observation.h"

#include <vector>

namespace vardo {

// Ratio of the eye's height to its width from its first six outline points:
// (|p1 - p5| + |p2 - p4|) / (2 |p0 - p3|), with both axes in one unit: x is scaled by
// `frameAspect` (the frame's width over its height) for points given as fractions of the
// frame. An outline of fewer than six points or of zero width gives 0.3, an ordinary open
// eye, so a poor outline never hides a face as closed.
double eyeAspectRatio(const std::vector<cv::Point2d> &points, double frameAspect = 1.0);

// A face is eyes-open when the two eyes' mean ratio is above 0.2. A face whose eye
// outlines are missing counts as eyes-open.
bool isEyesOpen(const FaceObservation &face);

} // namespace vardo
