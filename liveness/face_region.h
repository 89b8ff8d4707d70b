#pragma once

#include <opencv2/core/types.hpp>

namespace vardo {

// A detector's face box (fractions of the frame, origin at the LOWER-left corner, y
// growing upwards) as pixels of a cv::Mat of that size (origin at the top-left, rows
// growing downwards). Not rounded and not cut to the frame.
cv::Rect2d facePixelRect(const cv::Rect2d &normalisedBox, cv::Size frameSize);

// The pixels of `rect` that lie inside the frame, rounded outwards to whole pixels.
cv::Rect wholePixelsInside(const cv::Rect2d &rect, cv::Size frameSize);

} // namespace vardo
