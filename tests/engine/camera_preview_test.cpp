#include "engine_harness.h"

#include <opencv2/core.hpp>

namespace vardo::test {
namespace {

// Two faces on every frame: a usable one on the left and one too small to outline.
class OneFaceAnalysis final : public FrameAnalysis {
public:
    int framesAnalysed = 0;
    void loadEmbeddingModel() override {}
    FrameResults analyze(const cv::Mat &, FaceCountUpdate &) override
    {
        ++framesAnalysed;
        FrameResults results;
        results.faceCount = 2;
        for (const cv::Rect2d box : {cv::Rect2d(0.1, 0.2, 0.3, 0.4), cv::Rect2d(0.7, 0.7, 0.1, 0.1)}) {
            FaceObservation face;
            face.boundingBox = box; // lower-left origin
            face.confidence = 0.9f;
            results.observations.push_back(face);
        }
        return results;
    }
};

class CameraPreviewIntake : public EngineTest {
protected:
    OneFaceAnalysis twoFaces;

    VardoService &startForOnboarding()
    {
        // Left half red, right half blue, as the camera sees it.
        cv::Mat frame(480, 640, CV_8UC3, cv::Scalar(0, 0, 255));
        frame(cv::Rect(320, 0, 320, 480)).setTo(cv::Scalar(255, 0, 0));
        platform.camera.framePixels = frame;
        service = std::make_unique<VardoService>(platform.services(), platform.modules(&twoFaces));
        settle();
        service->ensureCameraRunning();
        settle();
        return *service;
    }

    void oneSecondOfFrames()
    {
        for (int i = 0; i < 30; ++i) {
            advance(1.0 / 30.0);
            platform.camera.deliverFrames(1);
            settle();
        }
    }
};

TEST_F(CameraPreviewIntake, FramesAreDecodedForThePreviewOnlyWhileItIsShown)
{
    VardoService &s = startForOnboarding();
    ASSERT_TRUE(s.isMonitoring());
    CameraPreview &preview = *s.cameraPreview();

    // Closed: one frame in five is decoded, for the analysis alone.
    oneSecondOfFrames();
    EXPECT_EQ(platform.camera.pixelRetrievals, 6);
    EXPECT_EQ(twoFaces.framesAnalysed, 6);
    EXPECT_EQ(preview.frameNumber(), 0);

    // Open: every third frame becomes a picture; frames both shown and analysed decode once.
    preview.addViewer();
    oneSecondOfFrames();
    EXPECT_EQ(twoFaces.framesAnalysed, 12);
    EXPECT_EQ(preview.frameNumber(), 10);
    EXPECT_EQ(platform.camera.pixelRetrievals, 6 + 14);

    // The picture: half the frame's size, mirrored (the camera's right side on the left).
    const cv::Mat &picture = preview.picture();
    ASSERT_EQ(picture.cols, CameraPreview::pictureWidth);
    EXPECT_EQ(picture.at<cv::Vec3b>(120, 10), cv::Vec3b(255, 0, 0));
    EXPECT_EQ(picture.at<cv::Vec3b>(120, 310), cv::Vec3b(0, 0, 255));
    // The usable face's box, mirrored and measured from the top.
    ASSERT_EQ(preview.faceBoxes().size(), 1u);
    const QRectF box = preview.faceBoxes().front();
    EXPECT_NEAR(box.x(), 0.6, 1e-9);
    EXPECT_NEAR(box.y(), 0.4, 1e-9);

    preview.removeViewer();
    EXPECT_TRUE(preview.picture().empty());
    oneSecondOfFrames();
    EXPECT_EQ(platform.camera.pixelRetrievals, 20 + 6);
}

// The release with nothing else on is in FirstStartRoad (tests/app).
TEST_F(CameraPreviewIntake, ClosingTheOnboardingKeepsTheCameraTheGuardNeeds)
{
    VardoService &s = startForOnboarding();
    s.setStealthModeEnabled(true);
    settle();
    s.releaseCamera();
    settle();
    EXPECT_TRUE(s.isMonitoring());
    EXPECT_TRUE(platform.camera.isRunning());
}

} // namespace
} // namespace vardo::test
