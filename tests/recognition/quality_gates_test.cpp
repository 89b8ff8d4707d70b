#include "platform/fakes/memory_log.h"
#include "recognition/quality_gates.h"

#include <gtest/gtest.h>

using namespace vardo;

namespace {

// Boxes of width 1 make the area exactly the height, so the boundaries are exact.
FaceObservation face(double area, float confidence)
{
    FaceObservation f;
    f.boundingBox = cv::Rect2d(0.0, 0.0, 1.0, area);
    f.confidence = confidence;
    return f;
}

} // namespace

TEST(QualityGates, AreaOfExactlyTwoPercentIsTooSmall)
{
    MemoryLog log;
    EXPECT_EQ(checkQualityGates(face(0.02, 0.95f), log), FaceGate::tooSmall);
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0], "[FaceID] Face too small (far away): 0.0200");
}

TEST(QualityGates, AreaJustAboveTwoPercentPasses)
{
    MemoryLog log;
    EXPECT_EQ(checkQualityGates(face(0.0201, 0.95f), log), FaceGate::ok);
    EXPECT_TRUE(log.lines().empty());
}

TEST(QualityGates, AreaOfExactlyEightyFivePercentIsTooLarge)
{
    MemoryLog log;
    EXPECT_EQ(checkQualityGates(face(0.85, 0.95f), log), FaceGate::tooLarge);
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0], "[FaceID] Face too large (too close): 0.8500");
    EXPECT_EQ(checkQualityGates(face(0.8499, 0.95f), log), FaceGate::ok);
}

TEST(QualityGates, AreaIsWidthTimesHeight)
{
    MemoryLog log;
    FaceObservation f;
    f.boundingBox = cv::Rect2d(0.4, 0.4, 0.1, 0.15); // 0.015
    f.confidence = 0.9f;
    EXPECT_EQ(checkQualityGates(f, log), FaceGate::tooSmall);
    EXPECT_EQ(log.lines().at(0), "[FaceID] Face too small (far away): 0.0150");
}

TEST(QualityGates, ConfidenceOfExactlyPointSevenPasses)
{
    MemoryLog log;
    EXPECT_EQ(checkQualityGates(face(0.2, 0.7f), log), FaceGate::ok);
    EXPECT_TRUE(log.lines().empty());
}

TEST(QualityGates, LowConfidenceIsLoggedAsTheShortestFloatText)
{
    MemoryLog log;
    EXPECT_EQ(checkQualityGates(face(0.2, 0.65f), log), FaceGate::lowConfidence);
    EXPECT_EQ(log.lines().at(0), "[FaceID] Low confidence face detection: 0.65");
    log.clear();
    EXPECT_EQ(checkQualityGates(face(0.2, 0.69999f), log), FaceGate::lowConfidence);
    EXPECT_EQ(log.lines().at(0), "[FaceID] Low confidence face detection: 0.69999");
}

TEST(QualityGates, SizeIsCheckedBeforeConfidence)
{
    MemoryLog log;
    EXPECT_EQ(checkQualityGates(face(0.01, 0.1f), log), FaceGate::tooSmall);
    EXPECT_EQ(checkQualityGates(face(0.9, 0.1f), log), FaceGate::tooLarge);
    EXPECT_EQ(log.lines().size(), 2u);
}

TEST(QualityGates, NamesForMachineReadableOutput)
{
    EXPECT_STREQ(gateName(FaceGate::ok), "ok");
    EXPECT_STREQ(gateName(FaceGate::tooSmall), "too_small");
    EXPECT_STREQ(gateName(FaceGate::tooLarge), "too_large");
    EXPECT_STREQ(gateName(FaceGate::lowConfidence), "low_confidence");
}
