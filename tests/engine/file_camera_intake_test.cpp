#include "engine_harness.h"

#include "platform/camera_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <opencv2/imgcodecs.hpp>

#include <algorithm>
#include <filesystem>

namespace vardo::test {
namespace {

// Recorded footage through the real file source, the real service and virtual time.
class FileCameraIntake : public EngineTest {
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
    EXPECT_EQ(analysis.framesAnalysed(), 6);
    s->setIntruderPhotoEnabled(true);
    advance(1.0);
    ASSERT_NE(s->lastCapturedFrame(), nullptr);
    // A small picture arrives as a camera would deliver it: centred on 640×480.
    EXPECT_EQ(s->lastCapturedFrame()->size(), cv::Size(640, 480));
}

TEST_F(FileCameraIntake, VideoFileDeliversDecodedFrames)
{
    const std::string clip = std::string(VARDO_TESTDATA_DIR) + "/video/short_hamilton_clip.mp4";
    FileCamera camera(clip, platform.time);
    auto s = startWith(camera);
    s->setIntruderPhotoEnabled(true);
    advance(2.0);
    EXPECT_GE(analysis.framesAnalysed(), 10);
    ASSERT_NE(s->lastCapturedFrame(), nullptr);
    EXPECT_EQ(s->lastCapturedFrame()->size(), cv::Size(640, 480));
}

TEST_F(FileCameraIntake, ASourceThatCannotPlayIsReportedAndLeavesTheSwitchAlone)
{
    QTemporaryDir dir;
    const auto file = [&](const QString &name, const QByteArray &bytes) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return dir.filePath(name).toStdString();
    };
    const auto folder = [&](const QString &name) {
        QDir(dir.path()).mkpath(name);
        return dir.filePath(name).toStdString();
    };
    QFile clip(QString(VARDO_TESTDATA_DIR) + "/video/short_hamilton_clip.mp4");
    ASSERT_TRUE(clip.open(QIODevice::ReadOnly));
    const QByteArray video = clip.readAll();
    const std::string undecodable = folder("undecodable");
    file("undecodable/a.jpg", "not a picture");
    file("undecodable/b.png", QByteArray(64, '\0'));

    struct Case {
        std::string path, reason;
    };
    const Case cases[] = {
        {"/nonexistent/clip.mp4", "no such file or folder"},
        {file("notes.mp4", "this is not a video"), "not a video file that can be opened"},
        {folder("empty"), "the folder holds no images (.jpg, .jpeg, .png, .bmp)"},
        {file("zero.mp4", {}), "not a video file that can be opened"},
        {file("truncated.mp4", video.left(video.size() / 3)), "not a video file that can be opened"},
        {undecodable, "none of its 2 images can be decoded"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        platform.log.clear();
        FileCamera camera(c.path, platform.time);
        auto s = startWith(camera);
        EXPECT_FALSE(s->hasCaptureSession());
        EXPECT_TRUE(s->isEnabled());
        EXPECT_EQ(s->cameraProblemDetail().toStdString(), c.path + ": " + c.reason);
        const auto lines = platform.log.lines();
        EXPECT_EQ(std::count(lines.begin(), lines.end(),
                             "[Vardo] Camera " + c.path + " cannot be used: " + c.reason + " — not monitoring"),
                  1);
    }
}

} // namespace
} // namespace vardo::test
