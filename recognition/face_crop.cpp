#include "recognition/face_crop.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace vardo {

std::optional<cv::Rect2d> embeddingCropRect(const FaceObservation &face, cv::Size frameSize)
{
    const double frameWidth = frameSize.width;
    const double frameHeight = frameSize.height;
    const cv::Rect2d &box = face.boundingBox;

    // Still with the detector's lower-left origin.
    const double x = box.x * frameWidth;
    const double y = box.y * frameHeight;
    const double w = box.width * frameWidth;
    const double h = box.height * frameHeight;
    const double left = std::max(x - 0.2 * w, 0.0);
    const double bottom = std::max(y - 0.2 * h, 0.0);
    const double right = std::min(x + 1.2 * w, frameWidth);
    const double top = std::min(y + 1.2 * h, frameHeight);
    const double cropWidth = right - left;
    const double cropHeight = top - bottom;
    if (!(cropWidth > 10.0 && cropHeight > 10.0))
        return std::nullopt;
    return cv::Rect2d(left, frameHeight - top, cropWidth, cropHeight);
}

cv::Mat embeddingCropImage(const cv::Mat &frame, const cv::Rect2d &cropRect)
{
    const int left = std::clamp(static_cast<int>(std::lround(cropRect.x)), 0, frame.cols - 1);
    const int top = std::clamp(static_cast<int>(std::lround(cropRect.y)), 0, frame.rows - 1);
    const int right = std::clamp(static_cast<int>(std::lround(cropRect.x + cropRect.width)), left + 1, frame.cols);
    const int bottom = std::clamp(static_cast<int>(std::lround(cropRect.y + cropRect.height)), top + 1, frame.rows);
    const cv::Mat region = frame(cv::Rect(left, top, right - left, bottom - top));

    // Area averaging keeps a large face crop free of aliasing; small crops are enlarged.
    const bool shrinking = region.cols > embeddingInputSize && region.rows > embeddingInputSize;
    cv::Mat scaled;
    cv::resize(region, scaled, cv::Size(embeddingInputSize, embeddingInputSize), 0, 0,
               shrinking ? cv::INTER_AREA : cv::INTER_LINEAR);
    return scaled;
}

} // namespace vardo
