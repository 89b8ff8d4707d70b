#include "platform/camera_v4l2_decoder.h"

#include <opencv2/imgproc.hpp>

#include <linux/videodev2.h>
#include <turbojpeg.h>

#include <algorithm>
#include <limits>

namespace vardo {

V4l2PictureDecoder::V4l2PictureDecoder(V4l2PictureFormat format, std::size_t bytesPerLine)
    : format_(format)
    , bytesPerLine_(std::max(bytesPerLine, static_cast<std::size_t>(std::max(format.width, 0)) * 2))
{
}

V4l2PictureDecoder::~V4l2PictureDecoder()
{
    if (jpeg_)
        tjDestroy(jpeg_);
}

bool V4l2PictureDecoder::decode(const std::uint8_t *data, std::size_t size, cv::Mat &bgr)
{
    if (!data || format_.width <= 0 || format_.height <= 0)
        return false;
    if (format_.pixelFormat == V4L2_PIX_FMT_YUYV)
        return decodeYuyv(data, size, bgr);
    if (format_.pixelFormat == V4L2_PIX_FMT_MJPEG || format_.pixelFormat == V4L2_PIX_FMT_JPEG)
        return decodeJpeg(data, size, bgr);
    return false;
}

bool V4l2PictureDecoder::decodeYuyv(const std::uint8_t *data, std::size_t size, cv::Mat &bgr) const
{
    // The last line needs only its pixels, not the padding after them.
    const std::size_t needed = bytesPerLine_ * (format_.height - 1) + static_cast<std::size_t>(format_.width) * 2;
    if (size < needed)
        return false;
    const cv::Mat yuyv(format_.height, format_.width, CV_8UC2, const_cast<std::uint8_t *>(data), bytesPerLine_);
    cv::cvtColor(yuyv, bgr, cv::COLOR_YUV2BGR_YUYV);
    return true;
}

bool V4l2PictureDecoder::decodeJpeg(const std::uint8_t *data, std::size_t size, cv::Mat &bgr)
{
    if (size == 0 || size > std::numeric_limits<unsigned long>::max())
        return false;
    if (!jpeg_ && !(jpeg_ = tjInitDecompress()))
        return false;
    auto *bytes = const_cast<unsigned char *>(data);
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(jpeg_, bytes, size, &width, &height, &subsampling, &colourspace) != 0)
        return false;
    // A camera's JPEG is the size it was asked for; anything else is a broken frame, and
    // its header must not decide how much memory is taken.
    if (width != format_.width || height != format_.height)
        return false;
    cv::Mat picture(height, width, CV_8UC3);
    // A frame cut short over USB still decodes (TurboJPEG warns, the rest is grey), as
    // other capture stacks show it; only errors lose the frame.
    if (tjDecompress2(jpeg_, bytes, size, picture.data, width, static_cast<int>(picture.step), height, TJPF_BGR, 0) != 0
        && tjGetErrorCode(jpeg_) != TJERR_WARNING)
        return false;
    bgr = picture;
    return true;
}

} // namespace vardo
