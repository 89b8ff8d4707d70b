#include "platform/camera_frame.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace vardo {

cv::Mat cameraFrameFromImage(const cv::Mat &image)
{
    cv::Mat frame(cameraFrameHeight, cameraFrameWidth, CV_8UC3, cv::Scalar::all(128));
    if (image.empty())
        return frame;

    cv::Mat picture = image;
    if (image.cols > cameraFrameWidth || image.rows > cameraFrameHeight) {
        const double scale = std::min(static_cast<double>(cameraFrameWidth) / image.cols,
                                      static_cast<double>(cameraFrameHeight) / image.rows);
        const cv::Size fitted(std::clamp(static_cast<int>(std::lround(image.cols * scale)), 1, cameraFrameWidth),
                              std::clamp(static_cast<int>(std::lround(image.rows * scale)), 1, cameraFrameHeight));
        cv::resize(image, picture, fitted, 0, 0, cv::INTER_AREA);
    }
    const cv::Rect placed((cameraFrameWidth - picture.cols) / 2, (cameraFrameHeight - picture.rows) / 2,
                          picture.cols, picture.rows);
    picture.copyTo(frame(placed));
    return frame;
}

} // namespace vardo
