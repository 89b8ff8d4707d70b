#pragma once

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdint>
#include <string>
#include <vector>

// One 640×480 frame as a USB webcam delivers it (JPEG): a face from the test data, or a
// plain grey picture where the test data is missing.
inline std::vector<std::uint8_t> webcamJpegFrame()
{
    cv::Mat frame = cv::imread(std::string(VARDO_TESTDATA_DIR) + "/identities/Barack_Obama/obama-480p.jpg");
    if (frame.empty())
        frame = cv::Mat(480, 640, CV_8UC3, cv::Scalar(90, 100, 110));
    cv::resize(frame, frame, cv::Size(640, 480));
    std::vector<std::uint8_t> bytes;
    cv::imencode(".jpg", frame, bytes);
    return bytes;
}
