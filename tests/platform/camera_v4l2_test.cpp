// The Video4Linux2 camera without a device: the choice of format, real YUYV and
// Motion-JPEG bytes made from a photograph through the real decoders, and the devices
// that cannot be used.

#include "platform/camera_v4l2.h"
#include "platform/camera_v4l2_decoder.h"
#include "platform/camera_v4l2_format.h"

#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <linux/videodev2.h>

#include <filesystem>
#include <fstream>

using namespace vardo;

namespace {

constexpr std::uint32_t yuyv = V4L2_PIX_FMT_YUYV, mjpeg = V4L2_PIX_FMT_MJPEG, grey = V4L2_PIX_FMT_GREY;

// 640 x 480 from the middle of a photograph.
cv::Mat photo()
{
    const cv::Mat wide = cv::imread(VARDO_TESTDATA_DIR "/identities/Barack_Obama/obama-480p.jpg", cv::IMREAD_COLOR);
    if (wide.cols < 640 || wide.rows < 480)
        return {};
    return wide(cv::Rect((wide.cols - 640) / 2, (wide.rows - 480) / 2, 640, 480)).clone();
}

// The photo as a camera sends it in YUYV: BT.601 video range, Y0 U Y1 V with the chroma
// of two pixels shared, each line padded to bytesPerLine.
std::vector<std::uint8_t> yuyvBytes(const cv::Mat &bgr, std::size_t bytesPerLine)
{
    const auto byte = [](double v) { return cv::saturate_cast<std::uint8_t>(v); };
    std::vector<std::uint8_t> bytes(bytesPerLine * bgr.rows, 0);
    for (int y = 0; y < bgr.rows; ++y)
        for (int x = 0; x + 1 < bgr.cols; x += 2) {
            std::uint8_t *out = &bytes[y * bytesPerLine + x * 2];
            double u = 0, v = 0;
            for (int i = 0; i < 2; ++i) {
                const cv::Vec3b p = bgr.at<cv::Vec3b>(y, x + i);
                const double b = p[0], g = p[1], r = p[2];
                out[i * 2] = byte(16 + 0.257 * r + 0.504 * g + 0.098 * b);
                u += (128 - 0.148 * r - 0.291 * g + 0.439 * b) / 2;
                v += (128 + 0.439 * r - 0.368 * g - 0.071 * b) / 2;
            }
            out[1] = byte(u);
            out[3] = byte(v);
        }
    return bytes;
}

std::vector<std::uint8_t> jpegBytes(const cv::Mat &bgr)
{
    std::vector<std::uint8_t> bytes;
    cv::imencode(".jpg", bgr, bytes, {cv::IMWRITE_JPEG_QUALITY, 90});
    return bytes;
}

} // namespace

TEST(V4l2Format, TheReadableSizeNearestSixFortyByFourEightyYuyvFirst)
{
    const struct {
        const char *what;
        std::vector<V4l2PictureFormat> sizes;
        std::vector<V4l2SizeRange> ranges;
        std::optional<V4l2PictureFormat> chosen;
    } cases[] = {
        {"both at 640x480", {{mjpeg, 640, 480}, {yuyv, 1280, 720}, {yuyv, 640, 480}}, {}, V4l2PictureFormat{yuyv, 640, 480}},
        {"only JPEG at 640x480", {{yuyv, 1280, 720}, {mjpeg, 1280, 720}, {mjpeg, 640, 480}}, {}, V4l2PictureFormat{mjpeg, 640, 480}},
        {"nearest", {{yuyv, 352, 288}, {yuyv, 800, 600}, {yuyv, 1920, 1080}}, {}, V4l2PictureFormat{yuyv, 800, 600}},
        {"larger at the same distance", {{yuyv, 600, 440}, {yuyv, 680, 520}}, {}, V4l2PictureFormat{yuyv, 680, 520}},
        {"unreadable formats ignored", {{grey, 640, 480}, {mjpeg, 1280, 720}}, {}, V4l2PictureFormat{mjpeg, 1280, 720}},
        {"a range holding 640x480", {}, {{yuyv, 160, 1920, 16, 120, 1080, 8}}, V4l2PictureFormat{yuyv, 640, 480}},
        {"a range off the grid", {}, {{yuyv, 100, 700, 300, 100, 1000, 300}}, V4l2PictureFormat{yuyv, 700, 400}},
        {"a range above 640x480", {{mjpeg, 1920, 1080}}, {{yuyv, 800, 1600, 2, 600, 1200, 2}}, V4l2PictureFormat{yuyv, 800, 600}},
        {"nothing readable", {{grey, 640, 480}}, {{grey, 1, 2000, 1, 1, 2000, 1}}, std::nullopt},
        {"nothing offered", {}, {}, std::nullopt},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const auto chosen = chooseCaptureFormat(c.sizes, c.ranges);
        ASSERT_EQ(chosen.has_value(), c.chosen.has_value());
        if (!chosen)
            continue;
        EXPECT_EQ(chosen->pixelFormat, c.chosen->pixelFormat);
        EXPECT_EQ(chosen->width, c.chosen->width);
        EXPECT_EQ(chosen->height, c.chosen->height);
    }
}

// The decoded frame shows the photo (within what chroma sharing and JPEG lose); bytes
// that do not hold a whole frame of the format give no frame.
TEST(V4l2Decoder, CameraBytesDecodeToThePictureAndBrokenFramesAreRefused)
{
    const cv::Mat original = photo();
    ASSERT_EQ(original.size(), cv::Size(640, 480));
    const auto packed = yuyvBytes(original, 1280), padded = yuyvBytes(original, 1344), jpeg = jpegBytes(original);
    cv::Mat small;
    cv::resize(original, small, cv::Size(320, 240));
    const auto smallJpeg = jpegBytes(small);
    const std::vector<std::uint8_t> halfJpeg(jpeg.begin(), jpeg.begin() + jpeg.size() / 2);
    std::vector<std::uint8_t> notJpeg(jpeg.size(), 0x55);

    const struct {
        const char *what;
        V4l2PictureFormat format;
        std::size_t bytesPerLine;
        const std::vector<std::uint8_t> &bytes;
        std::size_t size;
        bool decodes;
        double maxMeanError; // per channel, of 255
    } cases[] = {
        {"YUYV", {yuyv, 640, 480}, 1280, packed, packed.size(), true, 3.0},
        {"YUYV with padded lines", {yuyv, 640, 480}, 1344, padded, padded.size(), true, 3.0},
        {"YUYV cut short", {yuyv, 640, 480}, 1280, packed, packed.size() - 1, false, 0},
        {"Motion-JPEG", {mjpeg, 640, 480}, 0, jpeg, jpeg.size(), true, 3.0},
        // Cut off over USB: the top half is there, the rest is filled in.
        {"Motion-JPEG cut short", {mjpeg, 640, 480}, 0, halfJpeg, halfJpeg.size(), true, 60.0},
        {"Motion-JPEG of another size", {mjpeg, 640, 480}, 0, smallJpeg, smallJpeg.size(), false, 0},
        {"not JPEG", {mjpeg, 640, 480}, 0, notJpeg, notJpeg.size(), false, 0},
        {"empty", {mjpeg, 640, 480}, 0, jpeg, 0, false, 0},
        {"unreadable format", {grey, 640, 480}, 640, packed, packed.size(), false, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        V4l2PictureDecoder decoder(c.format, c.bytesPerLine);
        cv::Mat bgr;
        ASSERT_EQ(decoder.decode(c.bytes.data(), c.size, bgr), c.decodes);
        if (!c.decodes) {
            EXPECT_TRUE(bgr.empty());
            continue;
        }
        ASSERT_EQ(bgr.size(), original.size());
        ASSERT_EQ(bgr.type(), CV_8UC3);
        const cv::Scalar error = cv::mean(cv::abs(cv::Mat_<cv::Vec3s>(bgr) - cv::Mat_<cv::Vec3s>(original)));
        for (int channel = 0; channel < 3; ++channel)
            EXPECT_LT(error[channel], c.maxMeanError) << "channel " << channel;
        // The top rows survive whatever is cut off after them.
        const cv::Rect top(0, 0, 640, 100);
        EXPECT_LT(cv::norm(bgr(top), original(top), cv::NORM_L1) / (640 * 100 * 3), 3.0);
    }
}

// Opened for real: nodes that are no camera are refused with the reason the log shows,
// and none of them is discovered as a camera.
TEST(V4l2Camera, NodesThatAreNoCameraAreRefusedWithTheReason)
{
    const auto dir = std::filesystem::temp_directory_path() / "vardo-v4l2-test";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "video0") << "not a device";
    const struct {
        std::string node, reason;
    } cases[] = {
        {(dir / "video9").string(), "No such file or directory"},
        {(dir / "video0").string(), "the device could not be opened for capture"},
        {"/dev/null", "the device could not be opened for capture"},
    };
    V4l2Camera camera(dir.string());
    for (const auto &c : cases) {
        SCOPED_TRACE(c.node);
        auto session = camera.createSession();
        EXPECT_FALSE(session->addInput({c.node, "test", false}));
        EXPECT_EQ(session->inputError().reason, c.reason);
        EXPECT_FALSE(session->inputError().busy);
    }
    EXPECT_TRUE(camera.discoverDevices().empty());
    EXPECT_FALSE(camera.fallbackDevice());
    std::filesystem::remove_all(dir);
}
