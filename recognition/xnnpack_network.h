#pragma once

#include "recognition/leading_residual_blocks.h"
#include "recognition/network_threads.h"

#include <opencv2/core.hpp>

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

struct xnn_runtime;

namespace vardo {

// Runs an ONNX image network (one float input of [1, channels, height, width]) on
// XNNPACK; what it can run and refuses is in onnx_subgraph.h. Images run channels-last as
// XNNPACK wants them: the input is a row-major height x width x channels image, and
// convolution weights are rearranged once at load. Not thread-safe: one instance per
// thread that runs it.
class XnnpackNetwork {
public:
    XnnpackNetwork() = default;
    ~XnnpackNetwork();
    XnnpackNetwork(const XnnpackNetwork &) = delete;
    XnnpackNetwork &operator=(const XnnpackNetwork &) = delete;

    // Reads the file and prepares it to run on the pool's threads. A network that starts
    // with the face detector's narrow residual blocks runs them with LeadingResidualBlocks
    // unless allOnXnnpack. On failure gives a one-line reason and leaves the network empty.
    bool load(const std::filesystem::path &file, std::string &reason,
              NetworkThreadPool threads = sharedNetworkThreadPool(), bool allOnXnnpack = false);
    bool isLoaded() const { return runtime_ != nullptr; }
    void clear();

    // The input's size in pixels and its channels.
    cv::Size inputSize() const { return inputSize_; }
    int inputChannels() const { return inputChannels_; }
    // The input image to fill before run(): inputSize() with inputChannels() floats a pixel.
    cv::Mat input() { return input_; }

    // Runs the network on the input; false if XNNPACK fails.
    bool run();

    // The graph's outputs in its own order, with their ONNX shapes and names.
    struct Output {
        std::string name;
        std::vector<std::size_t> shape;
        std::vector<float> values;
    };
    const std::vector<Output> &outputs() const { return outputs_; }

private:
    xnn_runtime *runtime_ = nullptr;
    NetworkThreadPool threads_;
    LeadingResidualBlocks leading_; // when not empty, XNNPACK's input is their output
    // Zero biases for layers without one, read while the runtime is made.
    std::vector<std::vector<float>> zeroBiases_;
    std::vector<float> inputBuffer_;
    cv::Size inputSize_;
    int inputChannels_ = 0;
    cv::Mat input_;
    std::vector<Output> outputs_;
};

// Writes an 8-bit BGR image into a float RGB network input of the same size, each value
// v as (v - offset) * scale.
void writeRgbInput(const cv::Mat &bgr, cv::Mat &input, float offset, float scale);

} // namespace vardo
