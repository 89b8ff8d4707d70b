#pragma once

#include "platform/log_sink.h"
#include "platform/fakes/memory_log.h"
#include "recognition/frame_analyzer.h"

#include <opencv2/core.hpp>

#include <filesystem>
#include <string>
#include <vector>

namespace vardo::testing {

std::filesystem::path testData(const std::string &relative);

// The photos of one person in testdata/identities, in name order.
std::vector<std::filesystem::path> identityImages(const std::string &person);

// The image as the camera would show it (see cameraFrameFromImage); fails the test when
// the file cannot be read.
cv::Mat cameraFrameOf(const std::filesystem::path &image);

// One analyser per test process with every model loaded as the application loads them;
// fails the test when a model is missing.
FrameAnalyzer &loadedAnalyzer();
MemoryLog &analyzerLog();

} // namespace vardo::testing
