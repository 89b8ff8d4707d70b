#include "liveness/depth_liveness.h"
#include "liveness/depth_model.h"
#include "liveness/screen_search.h"
#include "liveness/texture_check.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <unistd.h>
#include <filesystem>
#include <random>

namespace vardo::test {
namespace {

// The depth map's sampling grid, filled by `value(index)` in sampling order.
cv::Mat mapSampled(cv::Size size, float background, const std::function<float(int)> &value)
{
    cv::Mat map(size, CV_32FC1, cv::Scalar(background));
    int i = 0;
    for (int r = size.height / 4; r < 3 * size.height / 4; r += 3)
        for (int c = size.width / 4; c < 3 * size.width / 4; c += 3)
            map.at<float>(r, c) = value(i++);
    return map;
}

TEST(DepthMap, VerdictsAtTheEdges)
{
    struct Case {
        const char *what;
        cv::Mat map;
        std::optional<bool> real;
    };
    const cv::Size size(518, 392);
    const Case cases[] = {
        {"8x8 gives 4 samples: no verdict", cv::Mat(8, 8, CV_32FC1, cv::Scalar(1.0f)), std::nullopt},
        // 16 samples of 0.001: the single-precision mean is exactly 0.001.
        {"mean exactly 0.001: no verdict", mapSampled({20, 20}, 0.0f, [](int) { return 0.001f; }), std::nullopt},
        {"mean just above 0.001: a verdict", mapSampled({20, 20}, 0.0f, [](int) { return 0.0011f; }), false},
        {"all sampled values equal: FLAT", mapSampled(size, 5.0f, [](int) { return 0.5f; }), false},
        // 97 and 103 in turn: mean 100, deviation 3, cv exactly 0.03.
        {"cv exactly 0.03: FLAT", mapSampled(size, 0.0f, [](int i) { return i % 2 ? 103.0f : 97.0f; }), false},
        {"cv 0.04: REAL", mapSampled(size, 0.0f, [](int i) { return i % 2 ? 104.0f : 96.0f; }), true},
        // Outside the central half nothing is read, however wild.
        {"only the centre counts", mapSampled(size, 1e6f, [](int) { return 0.5f; }), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const auto reading = readDepthMap(c.map);
        ASSERT_EQ(reading.has_value(), c.real.has_value());
        if (reading)
            EXPECT_EQ(reading->real, *c.real);
    }
    const cv::Mat even = mapSampled(size, 0.0f, [](int i) { return i % 2 ? 103.0f : 97.0f; });
    // An even count of samples keeps the mean exact; the log line shows them.
    EXPECT_EQ(depthLogLine(*readDepthMap(even)), "[Depth] FLAT — CV:0.0300 mean:100.0000 std:3.0000 px:5742 518x392");
}

// The stand-in models come from python3-onnx at test time: the real loading and
// inference path of OpenCV's DNN module, with a map that is known in advance.
TEST(DepthModel, RealFlatAndNoVerdictThroughOpenCV)
{
    const auto folder = std::filesystem::temp_directory_path() / ("vardo-depth-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const cv::Mat face(depthInputSize, CV_8UC3, cv::Scalar(80, 120, 160));
    for (const auto &[kind, real] : {std::pair<std::string, std::optional<bool>>{"real", true}, {"flat", false},
                                     {"empty", std::nullopt}}) {
        SCOPED_TRACE(kind);
        const auto file = folder / (kind + ".onnx");
        const std::string command = std::string("/usr/bin/python3 ") + VARDO_DEPTH_MODEL_MAKER + " " + file.string() + " " + kind;
        ASSERT_EQ(std::system(command.c_str()), 0) << "python3-onnx is needed: " << command;
        auto loaded = DepthModel::load(file);
        ASSERT_TRUE(std::holds_alternative<std::unique_ptr<DepthModel>>(loaded)) << std::get<std::string>(loaded);
        auto estimate = std::get<std::unique_ptr<DepthModel>>(loaded)->estimate(face);
        ASSERT_TRUE(std::holds_alternative<cv::Mat>(estimate)) << std::get<std::string>(estimate);
        const cv::Mat map = std::get<cv::Mat>(estimate);
        EXPECT_EQ(map.size(), depthInputSize);
        const auto reading = readDepthMap(map);
        ASSERT_EQ(reading.has_value(), real.has_value());
        if (reading)
            EXPECT_EQ(reading->real, *real);
    }
    // A file that is no model is refused with a reason, not thrown.
    const auto broken = folder / "broken.onnx";
    { std::FILE *f = std::fopen(broken.c_str(), "w"); std::fputs("not a model", f); std::fclose(f); }
    EXPECT_TRUE(std::holds_alternative<std::string>(DepthModel::load(broken)));
    std::filesystem::remove_all(folder);
}

// A 640×480 room with a face-sized patch at pixel rectangle `face` (top-left origin):
// fine noise for skin, or one smooth tone for a picture.
cv::Mat roomWithFace(const cv::Rect &face, bool textured)
{
    cv::Mat frame(480, 640, CV_8UC3, cv::Scalar(90, 100, 110));
    cv::Mat patch = frame(face);
    patch.setTo(cv::Scalar(120, 140, 175));
    if (textured) {
        cv::Mat noise(patch.size(), CV_8UC3);
        cv::randu(noise, cv::Scalar::all(0), cv::Scalar::all(41));
        cv::add(patch, noise, patch);
    }
    return frame;
}

// The same rectangle as the detector reports it: fractions, origin at the lower left.
cv::Rect2d detectorBox(const cv::Rect &face, cv::Size frame)
{
    return {static_cast<double>(face.x) / frame.width, 1.0 - static_cast<double>(face.y + face.height) / frame.height,
            static_cast<double>(face.width) / frame.width, static_cast<double>(face.height) / frame.height};
}

TEST(Texture, ReadsTheFaceWhereTheDetectorPutItAndOnlyLargeEnoughFaces)
{
    cv::theRNG().state = 14;
    // High in the frame: read with the rows the wrong way up, the box would land on the
    // plain room below it and fail.
    const cv::Rect high(380, 30, 160, 180);
    const auto live = readTexture(roomWithFace(high, true), detectorBox(high, {640, 480}));
    ASSERT_TRUE(live);
    EXPECT_TRUE(live->passes) << live->variance << " " << live->brightRatio;
    const auto flat = readTexture(roomWithFace(high, false), detectorBox(high, {640, 480}));
    ASSERT_TRUE(flat);
    EXPECT_FALSE(flat->passes);
    EXPECT_EQ(textureFailLogLine(*flat), "[AntiSpoof] Texture FAIL — variance:0 bright:0.000 → possible screen");

    // The inner 80 % of a 62.5-pixel face is exactly 50 pixels wide: no verdict.
    const cv::Rect2d small(0.3, 0.3, 62.5 / 640.0, 0.3);
    EXPECT_FALSE(readTexture(roomWithFace(high, true), small));
}

TEST(Texture, PassesOnlyFromTheThirdPassInARow)
{
    const bool verdicts[] = {true, true, false, true, true, true};
    const bool passedAfter[] = {false, false, false, false, false, true};
    TextureStreak streak;
    for (int i = 0; i < 6; ++i) {
        streak = afterTextureVerdict(streak, verdicts[i], 3);
        EXPECT_EQ(streak.passed, passedAfter[i]) << "frame " << i + 1;
    }
}

TEST(Screen, OnlyARectangleClearlyLargerThanTheFaceThatTouchesItAndIsNotTheWholeView)
{
    const cv::Rect2d face(0.4, 0.4, 0.2, 0.25); // area 0.05
    struct Case {
        const char *what;
        cv::Rect2d rectangle;
        bool reported;
    };
    const Case cases[] = {
        {"a phone around the face", {0.3, 0.2, 0.4, 0.6}, true},
        {"exactly 0.9 of the frame", {0.0, 0.0, 0.9, 1.0}, false},
        {"1.2 times the face, around it", {0.39, 0.39, 0.22, 0.2727272727272727}, false},
        {"large, elsewhere in the frame", {0.0, 0.0, 0.35, 0.9}, false},
        {"overlapping the face's edge", {0.55, 0.1, 0.4, 0.5}, true},
        {"a display the face fills, its edge through the face", {0.42, 0.38, 0.2, 0.22}, true},
        {"a small outline on the face (glasses, a badge)", {0.45, 0.45, 0.1, 0.1}, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const auto finding = screenAroundFace({FoundRectangle{c.rectangle, 0.9}}, face);
        EXPECT_EQ(finding.has_value(), c.reported);
    }
    EXPECT_EQ(screenLogLine(*screenAroundFace({FoundRectangle{{0.3, 0.2, 0.4, 0.6}, 0.9}}, face)),
              "[AntiSpoof] Screen/phone detected around face — rect:0.24 face:0.05");
}

TEST(Screen, FindsAPhoneHeldUpOffCentreAndNothingInAPlainRoom)
{
    cv::theRNG().state = 15;
    const cv::Rect face(420, 60, 120, 150);
    cv::Mat frame(480, 640, CV_8UC3, cv::Scalar(90, 100, 110));
    EXPECT_FALSE(screenAroundFace(findRectangles(frame), detectorBox(face, frame.size())));
    cv::rectangle(frame, cv::Rect(395, 20, 170, 300), cv::Scalar(25, 25, 28), cv::FILLED);
    cv::Mat patch = roomWithFace(face, true)(face);
    patch.copyTo(frame(face));
    const auto finding = screenAroundFace(findRectangles(frame), detectorBox(face, frame.size()));
    ASSERT_TRUE(finding);
    EXPECT_NEAR(finding->rectArea, 170.0 * 300.0 / (640.0 * 480.0), 0.02);
}

} // namespace
} // namespace vardo::test
