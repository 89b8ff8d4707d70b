#include "recognition/eye_openness.h"

#include <cmath>

namespace vardo {

namespace {

double distance(const cv::Point2d &a, const cv::Point2d &b, double xScale)
{
    return std::hypot((a.x - b.x) * xScale, a.y - b.y);
}

} // namespace

double eyeAspectRatio(const std::vector<cv::Point2d> &points, double frameAspect)
{
    constexpr double fallbackRatio = 0.3;
    if (points.size() < 6)
        return fallbackRatio;
    const double width = distance(points[0], points[3], frameAspect);
    if (width == 0.0)
        return fallbackRatio;
    return (distance(points[1], points[5], frameAspect) + distance(points[2], points[4], frameAspect)) / (2.0 * width);
}

bool isEyesOpen(const FaceObservation &face)
{
    if (!face.leftEye || !face.rightEye)
        return true;
    const double mean =
        (eyeAspectRatio(*face.leftEye, face.frameAspect) + eyeAspectRatio(*face.rightEye, face.frameAspect)) * 0.5;
    return mean > 0.2;
}

} // namespace vardo
