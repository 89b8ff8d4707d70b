#pragma once

#include <opencv2/core.hpp>
#include <opencv2/dnn.hpp>

#include <filesystem>
#include <memory>
#include <string>
#include <variant>

namespace vardo {

// A monocular relative-depth model in ONNX form, run by OpenCV's DNN module.
//
// Contract: one input, float32 1×3×392×518 (NCHW), RGB scaled to 0..1 and normalised
// with the ImageNet mean (0.485, 0.456, 0.406) and deviation (0.229, 0.224, 0.225), as
// Depth Anything V2 was trained; one output whose last two axes are the depth map
// (1×392×518, 1×1×H×W, ...), larger values nearer. Other exports with that input and
// output fit as well.
class DepthModel {
public:
    // The model, or why it could not be loaded.
    static std::variant<std::unique_ptr<DepthModel>, std::string> load(const std::filesystem::path &file);

    // The depth map (one channel, 32-bit float) of a depthInputSize image in BGR order,
    // or the reason there is none. Not safe to call from two threads at once.
    std::variant<cv::Mat, std::string> estimate(const cv::Mat &bgrInput);

private:
    explicit DepthModel(cv::dnn::Net net) : net_(std::move(net)) {}
    cv::dnn::Net net_;
};

} // namespace vardo
