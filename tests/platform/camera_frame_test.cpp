#include "platform/camera_frame.h"

#include <gtest/gtest.h>

using namespace vardo;

TEST(CameraFrame, SmallImageSitsInTheMiddleOfAGreyFrame)
{
    const cv::Mat chip(150, 150, CV_8UC3, cv::Scalar(10, 20, 30));
    const cv::Mat frame = cameraFrameFromImage(chip);
    ASSERT_EQ(frame.size(), cv::Size(640, 480));
    EXPECT_EQ(frame.at<cv::Vec3b>(0, 0), cv::Vec3b(128, 128, 128));
    EXPECT_EQ(frame.at<cv::Vec3b>(240, 320), cv::Vec3b(10, 20, 30));
    EXPECT_EQ(frame.at<cv::Vec3b>(165, 245), cv::Vec3b(10, 20, 30));
    EXPECT_EQ(frame.at<cv::Vec3b>(164, 245), cv::Vec3b(128, 128, 128));
}

TEST(CameraFrame, LargeImageIsScaledDownToFit)
{
    const cv::Mat tall(2000, 1000, CV_8UC3, cv::Scalar(200, 100, 50));
    const cv::Mat frame = cameraFrameFromImage(tall);
    ASSERT_EQ(frame.size(), cv::Size(640, 480));
    // 1000 x 2000 fits as 240 x 480, centred.
    EXPECT_EQ(frame.at<cv::Vec3b>(0, 200), cv::Vec3b(200, 100, 50));
    EXPECT_EQ(frame.at<cv::Vec3b>(479, 439), cv::Vec3b(200, 100, 50));
    EXPECT_EQ(frame.at<cv::Vec3b>(240, 199), cv::Vec3b(128, 128, 128));
    EXPECT_EQ(frame.at<cv::Vec3b>(240, 440), cv::Vec3b(128, 128, 128));
}

TEST(CameraFrame, FrameSizedImageIsKept)
{
    cv::Mat image(480, 640, CV_8UC3);
    cv::randu(image, 0, 255);
    const cv::Mat frame = cameraFrameFromImage(image);
    EXPECT_EQ(cv::norm(frame, image, cv::NORM_INF), 0.0);
}
