#include "recognition/face_crop.h"

#include <gtest/gtest.h>

using namespace vardo;

namespace {

const cv::Size frame(640, 480);

// A face box given in frame pixels with the lower-left origin. The boundary cases use
// pixel values whose fractions of the frame are exact binary numbers.
FaceObservation faceAtPixels(double x, double y, double w, double h, cv::Size size = frame)
{
    FaceObservation face;
    face.boundingBox = cv::Rect2d(x / size.width, y / size.height, w / size.width, h / size.height);
    face.confidence = 0.9f;
    return face;
}

} // namespace

TEST(EmbeddingCrop, AddsAFifthOfTheBoxOnEverySide)
{
    const auto crop = embeddingCropRect(faceAtPixels(200, 100, 100, 150), frame);
    ASSERT_TRUE(crop);
    EXPECT_NEAR(crop->x, 180.0, 1e-9);
    EXPECT_NEAR(crop->width, 140.0, 1e-9);
    EXPECT_NEAR(crop->height, 210.0, 1e-9);
    // The box's bottom edge is 100 px above the frame's bottom; with the margin the
    // crop reaches down to 70 px above it, i.e. row 480 - 70 from the top.
    EXPECT_NEAR(crop->y + crop->height, 410.0, 1e-9);
}

TEST(EmbeddingCrop, IsCutToTheFrame)
{
    const auto crop = embeddingCropRect(faceAtPixels(600, 0, 100, 100), frame);
    ASSERT_TRUE(crop);
    EXPECT_NEAR(crop->x, 580.0, 1e-9);
    EXPECT_NEAR(crop->width, 60.0, 1e-9);
    EXPECT_NEAR(crop->y, 480.0 - 120.0, 1e-9);
    EXPECT_NEAR(crop->height, 120.0, 1e-9);
}

TEST(EmbeddingCrop, TenPixelsWideAtTheBorderIsSkipped)
{
    // Box from x = -110 to -10, margin 20: the crop ends at x = 10.
    EXPECT_FALSE(embeddingCropRect(faceAtPixels(-110, 200, 100, 100), frame));
    EXPECT_TRUE(embeddingCropRect(faceAtPixels(-109, 200, 100, 100), frame));
}

TEST(EmbeddingCrop, TenPixelsHighAtTheBorderIsSkipped)
{
    // In a 640 x 640 frame: box from y = 650 up, margin 20, the crop starts at y = 630.
    const cv::Size square(640, 640);
    EXPECT_FALSE(embeddingCropRect(faceAtPixels(200, 650, 100, 100, square), square));
    EXPECT_TRUE(embeddingCropRect(faceAtPixels(200, 649, 100, 100, square), square));
}

TEST(EmbeddingCrop, ImageIsScaledTo112IgnoringTheAspectRatio)
{
    cv::Mat image(480, 640, CV_8UC3, cv::Scalar(0, 0, 0));
    // Left half of the crop blue, right half red (BGR).
    image(cv::Rect(100, 100, 50, 300)).setTo(cv::Scalar(255, 0, 0));
    image(cv::Rect(150, 100, 50, 300)).setTo(cv::Scalar(0, 0, 255));
    const cv::Mat scaled = embeddingCropImage(image, cv::Rect2d(100, 100, 100, 300));
    ASSERT_EQ(scaled.size(), cv::Size(112, 112));
    EXPECT_EQ(scaled.at<cv::Vec3b>(56, 10), cv::Vec3b(255, 0, 0));
    EXPECT_EQ(scaled.at<cv::Vec3b>(56, 100), cv::Vec3b(0, 0, 255));
}
