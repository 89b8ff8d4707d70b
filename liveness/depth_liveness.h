#pragma once

#include <opencv2/core.hpp>

#include <optional>
#include <string>

namespace vardo {

// The depth model reads the face stretched to this size (width × height), whatever the
// face's own proportions.
inline const cv::Size depthInputSize{518, 392};

// The face box (lower-left origin, no margin) cut from the frame and scaled to
// depthInputSize, in the frame's own channel order. Empty when the box holds no pixel
// of the frame.
cv::Mat depthModelInput(const cv::Mat &frame, const cv::Rect2d &normalisedFaceBox);

// What the spread of relative depth over the middle of the face says. A real head is
// rounded (nose, cheeks, ears at different distances); a photo or a screen is one plane.
struct DepthReading {
    bool real = false;
    float coefficientOfVariation = 0.0f;
    float mean = 0.0f;
    float deviation = 0.0f;
    int samples = 0;
    cv::Size mapSize;
};

// Reads a relative-depth map (one channel, 32-bit float) on a 3-pixel grid over its
// central half. No reading when that gives fewer than 11 samples or a mean at or below
// 0.001 (a map without usable positive depth).
std::optional<DepthReading> readDepthMap(const cv::Mat &depthMap);

// "[Depth] REAL — CV:0.0712 mean:0.4813 std:0.0343 px:1938 518x392"
std::string depthLogLine(const DepthReading &reading);

} // namespace vardo
