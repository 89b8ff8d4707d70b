// The checks on one detected face before and around its embedding: the quality gates,
// the eye openness and the crop handed to the embedding model.

#include "platform/fakes/memory_log.h"
#include "recognition/eye_openness.h"
#include "recognition/face_crop.h"
#include "recognition/quality_gates.h"

#include <gtest/gtest.h>

using namespace vardo;

namespace {

// Boxes of width 1 make the area exactly the height, so the boundaries are exact.
FaceObservation faceOfArea(double area, float confidence)
{
    FaceObservation f;
    f.boundingBox = cv::Rect2d(0.0, 0.0, 1.0, area);
    f.confidence = confidence;
    return f;
}

TEST(QualityGates, SizeThenConfidenceEachWithItsLogLine)
{
    const struct {
        double area;
        float confidence;
        FaceGate gate;
        const char *log;
    } cases[] = {
        {0.02, 0.95f, FaceGate::tooSmall, "[FaceID] Face too small (far away): 0.0200"},
        {0.0201, 0.95f, FaceGate::ok, nullptr},
        {0.85, 0.95f, FaceGate::tooLarge, "[FaceID] Face too large (too close): 0.8500"},
        {0.8499, 0.95f, FaceGate::ok, nullptr},
        {0.2, 0.7f, FaceGate::ok, nullptr},
        {0.2, 0.65f, FaceGate::lowConfidence, "[FaceID] Low confidence face detection: 0.65"},
        {0.2, 0.69999f, FaceGate::lowConfidence, "[FaceID] Low confidence face detection: 0.69999"},
        {0.01, 0.1f, FaceGate::tooSmall, "[FaceID] Face too small (far away): 0.0100"},
        {0.9, 0.1f, FaceGate::tooLarge, "[FaceID] Face too large (too close): 0.9000"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.area);
        MemoryLog log;
        EXPECT_EQ(checkQualityGates(faceOfArea(c.area, c.confidence), log), c.gate);
        EXPECT_EQ(log.lines(), c.log ? std::vector<std::string>{c.log} : std::vector<std::string>{});
    }
    MemoryLog log;
    FaceObservation f = faceOfArea(0.15, 0.9f);
    f.boundingBox.width = 0.1; // the area is width times height
    EXPECT_EQ(checkQualityGates(f, log), FaceGate::tooSmall);
    EXPECT_EQ(log.lines().at(0), "[FaceID] Face too small (far away): 0.0150");
}

// An eye one unit wide whose lids stand `height` apart at both measuring points.
std::vector<cv::Point2d> eyeOfHeight(double height)
{
    return {{0.0, 0.0}, {0.25, height}, {0.75, height}, {1.0, 0.0}, {0.75, 0.0}, {0.25, 0.0}};
}

TEST(EyeAspectRatio, IsTheLidDistancesOverTwiceTheWidthAndAnOpenEyeWhenUnmeasurable)
{
    using Points = std::vector<cv::Point2d>;
    auto eightPoints = eyeOfHeight(0.25);
    eightPoints.insert(eightPoints.end(), {{5.0, 5.0}, {-3.0, 9.0}}); // only the first six count
    auto fivePoints = eyeOfHeight(0.0);
    fivePoints.pop_back();
    const std::pair<Points, double> cases[] = {
        {eyeOfHeight(0.3), 0.3},
        {{{0, 0}, {0.25, 0.2}, {0.75, 0.4}, {1, 0}, {0.75, 0}, {0.25, 0}}, 0.3}, // (0.2 + 0.4) / 2
        {eightPoints, 0.25},
        {fivePoints, 0.3},
        {{}, 0.3},
        {{{0.5, 0}, {0.5, 0.1}, {0.5, 0.1}, {0.5, 0}, {0.5, 0}, {0.5, 0}}, 0.3}, // zero width
    };
    for (const auto &[points, ratio] : cases)
        EXPECT_DOUBLE_EQ(eyeAspectRatio(points), ratio) << points.size() << " points";
}

TEST(EyesOpen, MeanRatioAbovePointTwoOrMissingOutlinesAreOpen)
{
    using Eye = std::optional<std::vector<cv::Point2d>>;
    const std::vector<cv::Point2d> fiveClosed{{0, 0}, {0.25, 0}, {0.75, 0}, {1, 0}, {0.75, 0}};
    const struct {
        Eye left, right;
        bool open;
    } cases[] = {
        {eyeOfHeight(0.2), eyeOfHeight(0.2), false},
        {eyeOfHeight(0.1), eyeOfHeight(0.3), false},
        {eyeOfHeight(0.21), eyeOfHeight(0.2), true},
        {eyeOfHeight(0.05), eyeOfHeight(0.4), true},
        {std::nullopt, std::nullopt, true},
        {eyeOfHeight(0.0), std::nullopt, true},
        {std::nullopt, eyeOfHeight(0.0), true},
        {fiveClosed, fiveClosed, true},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        FaceObservation face = faceOfArea(0.3, 0.9f);
        face.leftEye = cases[i].left;
        face.rightEye = cases[i].right;
        EXPECT_EQ(isEyesOpen(face), cases[i].open) << "case " << i;
    }
}

// A face box given in frame pixels with the lower-left origin. The boundary cases use
// pixel values whose fractions of the frame are exact binary numbers.
FaceObservation faceAtPixels(double x, double y, double w, double h, cv::Size size = {640, 480})
{
    FaceObservation face;
    face.boundingBox = cv::Rect2d(x / size.width, y / size.height, w / size.width, h / size.height);
    face.confidence = 0.9f;
    return face;
}

TEST(EmbeddingCrop, AddsAFifthOfTheBoxOnEverySideCutToTheFrame)
{
    const cv::Size frame(640, 480);
    // The box's bottom edge is 100 px above the frame's bottom; with the margin the crop
    // reaches down to 70 px above it, row 410 from the top.
    const auto expectCrop = [&](const FaceObservation &face, cv::Rect2d expected) {
        const auto crop = embeddingCropRect(face, frame);
        ASSERT_TRUE(crop);
        EXPECT_LT(cv::norm(crop->tl() - expected.tl()) + cv::norm(crop->br() - expected.br()), 1e-9) << *crop;
    };
    expectCrop(faceAtPixels(200, 100, 100, 150), {180.0, 200.0, 140.0, 210.0});
    expectCrop(faceAtPixels(600, 0, 100, 100), {580.0, 360.0, 60.0, 120.0});

    // Ten pixels left at the border are skipped: box from x = -110 to -10, margin 20.
    EXPECT_FALSE(embeddingCropRect(faceAtPixels(-110, 200, 100, 100), frame));
    EXPECT_TRUE(embeddingCropRect(faceAtPixels(-109, 200, 100, 100), frame));
    const cv::Size square(640, 640);
    EXPECT_FALSE(embeddingCropRect(faceAtPixels(200, 650, 100, 100, square), square));
    EXPECT_TRUE(embeddingCropRect(faceAtPixels(200, 649, 100, 100, square), square));
}

TEST(EmbeddingCrop, ImageIsScaledTo112IgnoringTheAspectRatio)
{
    cv::Mat image(480, 640, CV_8UC3, cv::Scalar(0, 0, 0));
    image(cv::Rect(100, 100, 50, 300)).setTo(cv::Scalar(255, 0, 0)); // left half blue (BGR)
    image(cv::Rect(150, 100, 50, 300)).setTo(cv::Scalar(0, 0, 255));
    const cv::Mat scaled = embeddingCropImage(image, cv::Rect2d(100, 100, 100, 300));
    ASSERT_EQ(scaled.size(), cv::Size(112, 112));
    EXPECT_EQ(scaled.at<cv::Vec3b>(56, 10), cv::Vec3b(255, 0, 0));
    EXPECT_EQ(scaled.at<cv::Vec3b>(56, 100), cv::Vec3b(0, 0, 255));
}

} // namespace
