#include "recognition/eye_openness.h"

#include <gtest/gtest.h>

using namespace vardo;

namespace {

// An eye one unit wide whose lids stand `height` apart at both measuring points.
std::vector<cv::Point2d> eyeOfHeight(double height)
{
    return {{0.0, 0.0}, {0.25, height}, {0.75, height}, {1.0, 0.0}, {0.75, 0.0}, {0.25, 0.0}};
}

FaceObservation faceWithEyes(std::optional<std::vector<cv::Point2d>> left,
                             std::optional<std::vector<cv::Point2d>> right)
{
    FaceObservation face;
    face.boundingBox = cv::Rect2d(0.3, 0.3, 0.3, 0.3);
    face.confidence = 0.9f;
    face.leftEye = std::move(left);
    face.rightEye = std::move(right);
    return face;
}

} // namespace

TEST(EyeAspectRatio, IsTheLidDistancesOverTwiceTheWidth)
{
    EXPECT_DOUBLE_EQ(eyeAspectRatio(eyeOfHeight(0.3)), 0.3);
    // Lids measured at different heights: (0.2 + 0.4) / 2.
    const std::vector<cv::Point2d> uneven{{0, 0}, {0.25, 0.2}, {0.75, 0.4}, {1, 0}, {0.75, 0}, {0.25, 0}};
    EXPECT_DOUBLE_EQ(eyeAspectRatio(uneven), 0.3);
}

TEST(EyeAspectRatio, ReadsOnlyTheFirstSixPoints)
{
    auto points = eyeOfHeight(0.25);
    points.emplace_back(5.0, 5.0);
    points.emplace_back(-3.0, 9.0);
    EXPECT_DOUBLE_EQ(eyeAspectRatio(points), 0.25);
}

TEST(EyeAspectRatio, FewerThanSixPointsCountAsAnOpenEye)
{
    auto points = eyeOfHeight(0.0);
    points.pop_back();
    EXPECT_DOUBLE_EQ(eyeAspectRatio(points), 0.3);
    EXPECT_DOUBLE_EQ(eyeAspectRatio({}), 0.3);
}

TEST(EyeAspectRatio, ZeroWidthCountsAsAnOpenEye)
{
    const std::vector<cv::Point2d> collapsed{{0.5, 0}, {0.5, 0.1}, {0.5, 0.1}, {0.5, 0}, {0.5, 0}, {0.5, 0}};
    EXPECT_DOUBLE_EQ(eyeAspectRatio(collapsed), 0.3);
}

TEST(EyesOpen, MeanRatioOfExactlyPointTwoIsClosed)
{
    EXPECT_FALSE(isEyesOpen(faceWithEyes(eyeOfHeight(0.2), eyeOfHeight(0.2))));
    // 0.1 and 0.3 also average 0.2.
    EXPECT_FALSE(isEyesOpen(faceWithEyes(eyeOfHeight(0.1), eyeOfHeight(0.3))));
}

TEST(EyesOpen, MeanRatioAbovePointTwoIsOpen)
{
    EXPECT_TRUE(isEyesOpen(faceWithEyes(eyeOfHeight(0.21), eyeOfHeight(0.2))));
    // One closed eye is outweighed by a wide open one.
    EXPECT_TRUE(isEyesOpen(faceWithEyes(eyeOfHeight(0.05), eyeOfHeight(0.4))));
}

TEST(EyesOpen, MissingEyeOutlinesCountAsOpen)
{
    EXPECT_TRUE(isEyesOpen(faceWithEyes(std::nullopt, std::nullopt)));
    EXPECT_TRUE(isEyesOpen(faceWithEyes(eyeOfHeight(0.0), std::nullopt)));
    EXPECT_TRUE(isEyesOpen(faceWithEyes(std::nullopt, eyeOfHeight(0.0))));
}

TEST(EyesOpen, ShortOutlinesOfClosedEyesStillCountAsOpen)
{
    // Each eye falls back to 0.3 with fewer than six points.
    const std::vector<cv::Point2d> five{{0, 0}, {0.25, 0}, {0.75, 0}, {1, 0}, {0.75, 0}};
    EXPECT_TRUE(isEyesOpen(faceWithEyes(five, five)));
}
