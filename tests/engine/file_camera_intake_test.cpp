#include "service_fixture.h"

#include "platform/camera_file.h"

#include <QTemporaryDir>

#include <opencv2/imgcodecs.hpp>

#include <filesystem>

namespace vardo::test {
namespace {

// Recorded footage through the real file source, the real service and virtual time.
class FileCameraIntake : public ServiceTest {
protected:
    std::unique_ptr<VardoService> startWith(Camera &camera)
    {
        platform.defaults.setBool("vardo_enabled", true);
        auto s = std::make_unique<VardoService>(platform.services({.camera = &camera}), platform.modules(&analysis));
        settle();
        return s;
    }
};

TEST_F(FileCameraIntake, ImageFolderPlaysAtThirtyFramesASecondAndLoops)
{
    QTemporaryDir dir;
    for (int i = 0; i < 3; ++i)
        cv::imwrite(dir.filePath(QString("frame%1.png").arg(i)).toStdString(),
                    cv::Mat(240, 320, CV_8UC3, cv::Scalar(40 * i, 80, 120)));
    FileCamera camera(dir.path().toStdString(), platform.time);
    auto s = startWith(camera);
    ASSERT_TRUE(s->isMonitoring());
    advance(0.99); // frames at 0, 1/30, ..., 29/30 s
    EXPECT_EQ(s->frameCounter(), 30);
    EXPECT_EQ(analysis.framesAnalysed, 6);
    s->setIntruderPhotoEnabled(true);
    advance(1.0);
    ASSERT_NE(s->lastCapturedFrame(), nullptr);
    // A small picture arrives as a camera would deliver it: centred on 640×480.
    EXPECT_EQ(s->lastCapturedFrame()->cols, 640);
    EXPECT_EQ(s->lastCapturedFrame()->rows, 480);
}

TEST_F(FileCameraIntake, VideoFileDeliversDecodedFrames)
{
    const std::string clip = std::string(VARDO_TESTDATA_DIR) + "/video/short_hamilton_clip.mp4";
    FileCamera camera(clip, platform.time);
    auto s = startWith(camera);
    s->setIntruderPhotoEnabled(true);
    advance(2.0);
    EXPECT_GE(analysis.framesAnalysed, 10);
    ASSERT_NE(s->lastCapturedFrame(), nullptr);
    EXPECT_EQ(s->lastCapturedFrame()->size(), cv::Size(640, 480));
}

TEST_F(FileCameraIntake, MissingFootageMeansNoCamera)
{
    FileCamera camera("/nonexistent/clip.mp4", platform.time);
    auto s = startWith(camera);
    EXPECT_EQ(s->cameraStatus(), CameraStatus::noCameraFound);
    EXPECT_FALSE(s->isEnabled());
}

TEST_F(FileCameraIntake, FootageThatIsNoVideoLeavesTheCameraOff)
{
    QTemporaryDir dir;
    const QString bogus = dir.filePath("clip.mp4");
    QFile file(bogus);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("this is not a video");
    file.close();
    FileCamera camera(bogus.toStdString(), platform.time);
    auto s = startWith(camera);
    EXPECT_FALSE(s->isMonitoring());
    EXPECT_FALSE(s->hasCaptureSession());
}

} // namespace
} // namespace vardo::test
