#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace vardo {

// A picture format a Video4Linux2 device offers: the pixel layout (a V4L2 fourcc) at one
// size. A device that sizes its pictures freely offers a range instead of a list.
struct V4l2PictureFormat {
    std::uint32_t pixelFormat = 0;
    int width = 0;
    int height = 0;
};

struct V4l2SizeRange {
    std::uint32_t pixelFormat = 0;
    int minWidth = 0, maxWidth = 0, stepWidth = 1;
    int minHeight = 0, maxHeight = 0, stepHeight = 1;
};

// Whether frames in this layout can be turned into BGR pictures here (YUYV, Motion-JPEG).
bool isReadablePixelFormat(std::uint32_t pixelFormat);

// The format to capture in: of the readable ones, the size nearest 640 x 480 (a larger
// picture before a smaller one at the same distance, since faces in a smaller one may be
// too small to recognise), and at that size YUYV before Motion-JPEG: converting YUYV
// costs less than decoding JPEG. Nothing when no readable format is offered.
std::optional<V4l2PictureFormat> chooseCaptureFormat(const std::vector<V4l2PictureFormat> &sizes,
                                                     const std::vector<V4l2SizeRange> &ranges = {});

} // namespace vardo
