#pragma once

#include <opencv2/core/types.hpp>

#include <optional>
#include <vector>

namespace vardo {

// One face as the detector reports it. Coordinates are fractions of the frame (0..1 on
// both axes) with the origin at the frame's LOWER-LEFT corner, so y grows upwards.
struct FaceObservation {
    cv::Rect2d boundingBox;
    float confidence = 0.0f;
    // Eye outlines, at least six points each: p0 and p3 are the corners (the eye's
    // width), p1/p5 and p2/p4 lie on the upper and lower lid (its height).
    // leftEye is the subject's own left eye, which an unmirrored camera image shows on
    // the image's right-hand side.
    std::optional<std::vector<cv::Point2d>> leftEye;
    std::optional<std::vector<cv::Point2d>> rightEye;
    // The frame's width over its height. x and y are fractions of different lengths:
    // distances that mix both axes (the eyes' shape) take x times this, so that both are
    // fractions of the frame's height.
    double frameAspect = 1.0;
};

} // namespace vardo
