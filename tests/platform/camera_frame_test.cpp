#include "platform/camera_frame.h"

#include <gtest/gtest.h>

using namespace vardo;

// A small image sits in the middle of a grey frame; a large one is scaled down to fit
// (1000 x 2000 as 240 x 480, centred); a frame-sized one is kept as it is.
TEST(CameraFrame, ImagesAreCentredInAGreyFrameAndScaledDownToFit)
{
    const cv::Vec3b grey(128, 128, 128), small(10, 20, 30), tall(200, 100, 50);
    const struct {
        cv::Mat image;
        std::vector<std::pair<cv::Point, cv::Vec3b>> pixels; // (x, y)
    } cases[] = {
        {cv::Mat(150, 150, CV_8UC3, cv::Scalar(10, 20, 30)),
         {{{0, 0}, grey}, {{320, 240}, small}, {{245, 165}, small}, {{245, 164}, grey}}},
        {cv::Mat(2000, 1000, CV_8UC3, cv::Scalar(200, 100, 50)),
         {{{200, 0}, tall}, {{439, 479}, tall}, {{199, 240}, grey}, {{440, 240}, grey}}},
    };
    for (const auto &c : cases) {
        const cv::Mat frame = cameraFrameFromImage(c.image);
        ASSERT_EQ(frame.size(), cv::Size(640, 480));
        for (const auto &[at, colour] : c.pixels)
            EXPECT_EQ(frame.at<cv::Vec3b>(at), colour) << at;
    }
    cv::Mat image(480, 640, CV_8UC3);
    cv::randu(image, 0, 255);
    EXPECT_EQ(cv::norm(cameraFrameFromImage(image), image, cv::NORM_INF), 0.0);
}
