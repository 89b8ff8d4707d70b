#pragma once

#include "recognition/face_observation.h"

#include <opencv2/core.hpp>

#include <optional>

namespace vardo {

// Side of the square image the embedding model reads.
inline constexpr int embeddingInputSize = 112;

// The part of the frame the embedding is computed from: the face box in pixels with a
// margin of a fifth of its width on the left and right and a fifth of its height above
// and below, cut to the frame. In pixels with the usual top-left origin. Nothing when
// that area is not more than 10 pixels wide and high.
std::optional<cv::Rect2d> embeddingCropRect(const FaceObservation &face, cv::Size frameSize);

// That area of the frame scaled to embeddingInputSize on each side (the aspect ratio is
// not kept), in the frame's own channel order.
cv::Mat embeddingCropImage(const cv::Mat &frame, const cv::Rect2d &cropRect);

} // namespace vardo
