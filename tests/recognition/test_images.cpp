#include "platform/fakes/memory_log.h"
#include "test_images.h"

#include "platform/camera_frame.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <algorithm>

namespace vardo::testing {

namespace fs = std::filesystem;

fs::path testData(const std::string &relative)
{
    return fs::path(VARDO_TESTDATA_DIR) / relative;
}

std::vector<fs::path> identityImages(const std::string &person)
{
    std::vector<fs::path> images;
    for (const auto &entry : fs::directory_iterator(testData("identities/" + person)))
        images.push_back(entry.path());
    std::sort(images.begin(), images.end());
    return images;
}

cv::Mat cameraFrameOf(const fs::path &image)
{
    const cv::Mat picture = cv::imread(image.string(), cv::IMREAD_COLOR);
    EXPECT_FALSE(picture.empty()) << "cannot read " << image;
    return cameraFrameFromImage(picture);
}

MemoryLog &analyzerLog()
{
    static MemoryLog log;
    return log;
}

FrameAnalyzer &loadedAnalyzer()
{
    static FrameAnalyzer *analyzer = [] {
        auto *a = new FrameAnalyzer(analyzerLog());
        a->loadDetectionModels();
        a->loadEmbeddingModel();
        return a;
    }();
    EXPECT_TRUE(analyzer->detector().isLoaded()) << "blazeface.onnx not found: run tools/models/build-models";
    EXPECT_TRUE(analyzer->landmarker().isLoaded()) << "the 68-point landmark model is missing (libdlib-data)";
    EXPECT_TRUE(analyzer->embeddingModel().isLoaded())
        << "face_embedding.onnx not found: run tools/models/build-models";
    return *analyzer;
}

} // namespace vardo::testing
