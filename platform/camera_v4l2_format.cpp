#include "platform/camera_v4l2_format.h"

#include "platform/camera_frame.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cstdlib>
#include <tuple>

namespace vardo {

namespace {

int preferenceOf(std::uint32_t pixelFormat)
{
    switch (pixelFormat) {
    case V4L2_PIX_FMT_YUYV:
        return 0;
    case V4L2_PIX_FMT_MJPEG:
        return 1;
    case V4L2_PIX_FMT_JPEG:
        return 2;
    default:
        return -1;
    }
}

// The step of a range nearest the wanted length, within its bounds.
int nearestInRange(int wanted, int low, int high, int step)
{
    if (high < low)
        return low;
    step = std::max(step, 1);
    const int steps = (std::clamp(wanted, low, high) - low + step / 2) / step;
    return std::min(low + steps * step, high - (high - low) % step);
}

} // namespace

bool isReadablePixelFormat(std::uint32_t pixelFormat)
{
    return preferenceOf(pixelFormat) >= 0;
}

std::optional<V4l2PictureFormat> chooseCaptureFormat(const std::vector<V4l2PictureFormat> &sizes,
                                                     const std::vector<V4l2SizeRange> &ranges)
{
    std::vector<V4l2PictureFormat> candidates = sizes;
    for (const V4l2SizeRange &r : ranges)
        candidates.push_back({r.pixelFormat, nearestInRange(cameraFrameWidth, r.minWidth, r.maxWidth, r.stepWidth),
                              nearestInRange(cameraFrameHeight, r.minHeight, r.maxHeight, r.stepHeight)});

    std::optional<V4l2PictureFormat> best;
    auto rank = [](const V4l2PictureFormat &f) {
        const int distance = std::abs(f.width - cameraFrameWidth) + std::abs(f.height - cameraFrameHeight);
        const bool smaller = f.width * f.height < cameraFrameWidth * cameraFrameHeight;
        return std::tuple(distance, smaller, preferenceOf(f.pixelFormat));
    };
    for (const V4l2PictureFormat &f : candidates) {
        if (!isReadablePixelFormat(f.pixelFormat) || f.width <= 0 || f.height <= 0)
            continue;
        if (!best || rank(f) < rank(*best))
            best = f;
    }
    return best;
}

} // namespace vardo
