#pragma once

#include <opencv2/core.hpp>

namespace vardo {

// The frame size the camera delivers and recognition is tuned for.
inline constexpr int cameraFrameWidth = 640;
inline constexpr int cameraFrameHeight = 480;

// A still image as the camera would show it: scaled down to fit 640 x 480 when larger,
// and placed in the middle of a 640 x 480 mid-grey frame, so that a face keeps the share
// of the frame it would have in front of the camera. BGR in, BGR out.
cv::Mat cameraFrameFromImage(const cv::Mat &image);

// OpenCV reports some broken input, driver and decoder failures by throwing; the camera
// adapters treat that as a frame (or a clip) that cannot be read, like any other.
template <typename Call>
bool withoutThrowing(Call call)
{
    try {
        return call();
    } catch (const cv::Exception &) {
        return false;
    }
}

} // namespace vardo
