#include "recognition/area_shrink.h"
#include "test_images.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace vardo {
namespace {

// One instance through every case in turn, as the detector keeps one while frame sizes
// change: each result must still be OpenCV's area averaging, to within one level.
TEST(AreaShrink, AveragesAsOpenCvDoesWhateverTheSizes)
{
    const cv::Mat photo = cv::imread(testing::testData("identities/Barack_Obama/obama1.jpg").string());
    ASSERT_FALSE(photo.empty());
    cv::Mat camera = testing::cameraFrameOf(testing::testData("groups/2007_007763.jpg"));
    cv::Mat gray;
    cv::cvtColor(camera, gray, cv::COLOR_BGR2GRAY);
    struct Case {
        const char *what;
        cv::Mat image;
        cv::Size to;
    } cases[] = {
        {"a camera frame to the detector's input", camera, {299, 224}},
        {"a large photo, by a whole factor", photo, {370, 208}},
        {"a large photo, by no whole factor", photo, {320, 180}},
        {"one channel, by a third", gray, {213, 160}},
        {"a region of the frame", camera(cv::Rect(101, 37, 333, 251)), {100, 77}},
        {"no shrink at all", camera, camera.size()},
    };
    AreaShrink shrink;
    for (const auto &c : cases) {
        cv::Mat expected, shrunk(c.to, c.image.type(), cv::Scalar::all(7));
        cv::resize(c.image, expected, c.to, 0, 0, cv::INTER_AREA);
        shrink(c.image, shrunk);
        EXPECT_LE(cv::norm(shrunk, expected, cv::NORM_INF), 1.0) << c.what;
    }
}

} // namespace
} // namespace vardo
