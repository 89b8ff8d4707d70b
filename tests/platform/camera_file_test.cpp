// Recorded footage and picture files through the real decoders: the clip as OpenCV's
// own reader sees it, its loop back to the first frame, and picture files of every kind
// the file camera and the face commands are given.

#include "platform/camera_file_video.h"
#include "platform/image_file.h"

#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/videoio.hpp>

#include <fstream>

using namespace vardo;

namespace {

const std::string clip = VARDO_TESTDATA_DIR "/video/short_hamilton_clip.mp4";

double meanDifference(const cv::Mat &a, const cv::Mat &b)
{
    if (a.size() != b.size() || a.type() != b.type())
        return 255.0;
    return cv::norm(a, b, cv::NORM_L1) / static_cast<double>(a.total() * a.channels());
}

} // namespace

// Every frame, the frame rate and the end as OpenCV's FFmpeg reader gives them; after the
// end the clip starts again at its first frame.
TEST(VideoFileDecoder, TheClipFrameByFrameThenAgainFromTheTop)
{
    cv::VideoCapture reference(clip);
    ASSERT_TRUE(reference.isOpened());
    VideoFileDecoder video;
    ASSERT_TRUE(video.open(clip));
    EXPECT_NEAR(video.framesPerSecond(), reference.get(cv::CAP_PROP_FPS), 1e-6);

    cv::Mat first, frame, expected;
    int frames = 0;
    double worst = 0.0;
    for (; video.next(); ++frames) {
        ASSERT_TRUE(video.retrieve(frame));
        ASSERT_TRUE(reference.read(expected)) << "frame " << frames;
        worst = std::max(worst, meanDifference(frame, expected));
        if (frames == 0)
            first = frame.clone();
    }
    EXPECT_FALSE(reference.read(expected)) << "stopped early, after " << frames << " frames";
    EXPECT_GT(frames, 30);
    EXPECT_LT(worst, 1.0);

    ASSERT_TRUE(video.rewind());
    ASSERT_TRUE(video.next());
    ASSERT_TRUE(video.retrieve(frame));
    EXPECT_EQ(meanDifference(frame, first), 0.0);
}

TEST(ImageFile, PicturesReadAsUprightBgrAndBrokenFilesAsNothing)
{
    QTemporaryDir dir;
    const auto path = [&](const char *name) { return dir.filePath(name).toStdString(); };
    // Half-transparent green with a blue top left and a red bottom left, each one block of
    // JPEG's colour sampling.
    QImage picture(64, 32, QImage::Format_ARGB32);
    picture.fill(QColor(0, 255, 0, 128));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            picture.setPixelColor(x, y, QColor(0, 0, 255));
            picture.setPixelColor(x, y + 16, QColor(255, 0, 0));
        }
    ASSERT_TRUE(picture.save(dir.filePath("alpha.png")));
    QImage grey(64, 32, QImage::Format_Grayscale8);
    grey.fill(77);
    ASSERT_TRUE(grey.save(dir.filePath("grey.png")));
    ASSERT_TRUE(picture.convertToFormat(QImage::Format_RGB32).save(dir.filePath("plain.bmp")));
    // A phone photo held upright: stored on its side, with the turn in its EXIF data.
    QImageWriter turned(dir.filePath("turned.jpg"));
    turned.setTransformation(QImageIOHandler::TransformationRotate90);
    ASSERT_TRUE(turned.write(picture.convertToFormat(QImage::Format_RGB32)));
    std::ofstream(path("broken.jpg")) << "\xff\xd8 not really a jpeg";
    std::ofstream(path("empty.png"));

    const struct {
        std::string file;
        cv::Size size; // empty: nothing read
        cv::Vec3b topLeft; // BGR
    } cases[] = {
        {path("alpha.png"), {64, 32}, {255, 0, 0}},
        {path("grey.png"), {64, 32}, {77, 77, 77}},
        {path("plain.bmp"), {64, 32}, {255, 0, 0}},
        {path("turned.jpg"), {32, 64}, {0, 0, 255}}, // the bottom left comes to the top left
        {path("broken.jpg"), {}, {}},
        {path("empty.png"), {}, {}},
        {path("missing.png"), {}, {}},
        {dir.path().toStdString(), {}, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const cv::Mat image = readImageFile(c.file);
        ASSERT_EQ(image.size(), c.size);
        if (image.empty())
            continue;
        ASSERT_EQ(image.type(), CV_8UC3);
        EXPECT_LE(cv::norm(image.at<cv::Vec3b>(0, 0), c.topLeft, cv::NORM_INF), 40.0);
    }
    // A photo reads as OpenCV's reader reads it.
    const std::string photo = VARDO_TESTDATA_DIR "/identities/Barack_Obama/obama-480p.jpg";
    EXPECT_LT(meanDifference(readImageFile(photo), cv::imread(photo, cv::IMREAD_COLOR)), 1.0);
}
