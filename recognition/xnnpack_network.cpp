#include "recognition/xnnpack_network.h"

#include "recognition/onnx_subgraph.h"

#include <pthreadpool.h>
#include <xnnpack.h>

#include <fstream>
#include <memory>

namespace vardo {

namespace {

std::size_t product(const std::vector<std::size_t> &dims)
{
    std::size_t n = 1;
    for (const std::size_t d : dims)
        n *= d;
    return n;
}

} // namespace

XnnpackNetwork::~XnnpackNetwork()
{
    clear();
}

void XnnpackNetwork::clear()
{
    if (runtime_)
        xnn_delete_runtime(runtime_);
    runtime_ = nullptr;
    threads_.reset();
    leading_.clear();
    zeroBiases_.clear();
    inputBuffer_.clear();
    input_ = cv::Mat();
    inputSize_ = cv::Size();
    inputChannels_ = 0;
    outputs_.clear();
}

bool XnnpackNetwork::load(const std::filesystem::path &file, std::string &reason, NetworkThreadPool threads,
                          bool allOnXnnpack)
{
    clear();
    if (!initializeNetworkRuntime(reason))
        return false;

    onnx::ModelProto model;
    {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            reason = "the file cannot be read";
            return false;
        }
        if (!model.ParseFromIstream(&in)) {
            reason = "not an ONNX model, or cut short";
            return false;
        }
    }
    if (!model.has_graph() || model.graph().node_size() == 0) {
        reason = "the file holds no network";
        return false;
    }

    if (!allOnXnnpack)
        leading_.takeFrom(model);

    xnn_subgraph_t subgraph = nullptr;
    const uint32_t externalIds = static_cast<uint32_t>(1 + model.graph().output_size());
    if (xnn_create_subgraph(externalIds, 0, &subgraph) != xnn_status_success) {
        reason = "XNNPACK could not make a subgraph";
        return false;
    }
    const std::unique_ptr<xnn_subgraph, xnn_status (*)(xnn_subgraph_t)> ownedSubgraph(subgraph, xnn_delete_subgraph);
    OnnxSubgraph made;
    if (!defineOnnxSubgraph(model, subgraph, zeroBiases_, made, reason)) {
        clear();
        return false;
    }
    const auto &input = made.inputShape;
    // XNNPACK may read a few bytes past the end of an input.
    inputBuffer_.assign(product(input) + XNN_EXTRA_BYTES / sizeof(float), 0.0f);
    if (leading_.isEmpty()) {
        inputChannels_ = static_cast<int>(input[1]);
        inputSize_ = cv::Size(static_cast<int>(input[3]), static_cast<int>(input[2]));
        input_ = cv::Mat(inputSize_, CV_32FC(inputChannels_), inputBuffer_.data());
    } else {
        inputChannels_ = leading_.inputChannels();
        inputSize_ = leading_.inputSize();
        input_ = leading_.input();
    }
    std::vector<xnn_external_value> external{{0, inputBuffer_.data()}};
    for (const auto &output : made.outputs)
        outputs_.push_back({output.name, output.shape, std::vector<float>(product(output.shape))});
    for (std::size_t i = 0; i < outputs_.size(); ++i)
        external.push_back({static_cast<uint32_t>(i + 1), outputs_[i].values.data()});

    // Workers sleep between frames rather than spin while the camera waits.
    xnn_runtime_t runtime = nullptr;
    if (xnn_create_runtime_v2(subgraph, threads.get(), XNN_FLAG_YIELD_WORKERS, &runtime) != xnn_status_success) {
        clear();
        reason = "XNNPACK could not prepare the network";
        return false;
    }
    runtime_ = runtime;
    threads_ = std::move(threads);
    if (xnn_setup_runtime(runtime_, external.size(), external.data()) != xnn_status_success) {
        clear();
        reason = "XNNPACK could not place the network's input and outputs";
        return false;
    }
    // Every constant is a filter or bias of a convolution or a fully connected layer,
    // which XNNPACK copies into its own packed form when it makes the runtime; the model
    // goes when this returns, and the zero biases go now.
    zeroBiases_.clear();
    zeroBiases_.shrink_to_fit();
    return true;
}

bool XnnpackNetwork::run()
{
    if (!runtime_)
        return false;
    leading_.run(inputBuffer_.data(), threads_.get());
    return xnn_invoke_runtime(runtime_) == xnn_status_success;
}

void writeRgbInput(const cv::Mat &bgr, cv::Mat &input, float offset, float scale)
{
    CV_Assert(bgr.type() == CV_8UC3 && input.type() == CV_32FC3 && bgr.size() == input.size());
    float table[256];
    for (int v = 0; v < 256; ++v)
        table[v] = (static_cast<float>(v) - offset) * scale;
    for (int y = 0; y < bgr.rows; ++y) {
        const uchar *from = bgr.ptr<uchar>(y);
        float *to = input.ptr<float>(y);
        for (int x = 0; x < bgr.cols; ++x, from += 3, to += 3) {
            to[0] = table[from[2]];
            to[1] = table[from[1]];
            to[2] = table[from[0]];
        }
    }
}

} // namespace vardo
