#include "liveness/face_region.h"

#include <algorithm>
#include <cmath>

namespace vardo {

cv::Rect2d facePixelRect(const cv::Rect2d &box, cv::Size frameSize)
{
    const double width = frameSize.width;
    const double height = frameSize.height;
    // The box's top edge lies at y + height from the bottom.
    return {box.x * width, (1.0 - box.y - box.height) * height, box.width * width, box.height * height};
}

cv::Rect wholePixelsInside(const cv::Rect2d &rect, cv::Size frameSize)
{
    const int left = std::clamp(static_cast<int>(std::floor(rect.x)), 0, frameSize.width);
    const int top = std::clamp(static_cast<int>(std::floor(rect.y)), 0, frameSize.height);
    const int right = std::clamp(static_cast<int>(std::ceil(rect.x + rect.width)), left, frameSize.width);
    const int bottom = std::clamp(static_cast<int>(std::ceil(rect.y + rect.height)), top, frameSize.height);
    return {left, top, right - left, bottom - top};
}

} // namespace vardo
