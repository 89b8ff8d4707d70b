#pragma once

#include "platform/camera_v4l2_format.h"

#include <opencv2/core/mat.hpp>

#include <cstddef>
#include <cstdint>

namespace vardo {

// Turns the bytes of one captured buffer into an 8-bit BGR picture: YUYV by colour
// conversion, Motion-JPEG through TurboJPEG. One decoder per stream; not thread-safe.
class V4l2PictureDecoder {
public:
    // bytesPerLine: the driver's line length for YUYV, which may exceed twice the width.
    V4l2PictureDecoder(V4l2PictureFormat format, std::size_t bytesPerLine);
    ~V4l2PictureDecoder();
    V4l2PictureDecoder(const V4l2PictureDecoder &) = delete;
    V4l2PictureDecoder &operator=(const V4l2PictureDecoder &) = delete;

    // False when the bytes do not hold a whole picture of the format (a short buffer, a
    // JPEG that does not decode); bgr is then left as it was.
    bool decode(const std::uint8_t *data, std::size_t size, cv::Mat &bgr);

private:
    bool decodeYuyv(const std::uint8_t *data, std::size_t size, cv::Mat &bgr) const;
    bool decodeJpeg(const std::uint8_t *data, std::size_t size, cv::Mat &bgr);

    V4l2PictureFormat format_;
    std::size_t bytesPerLine_;
    void *jpeg_ = nullptr; // TurboJPEG's handle, made on the first JPEG frame
};

} // namespace vardo
