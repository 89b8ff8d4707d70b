#include "recognition/leading_residual_blocks.h"
#include "recognition/network_threads.h"
#include "recognition/xnnpack_network.h"

#include <gtest/gtest.h>
#include <onnx/onnx_pb.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

using namespace vardo;
namespace fs = std::filesystem;

namespace {

// A small network shaped like the face detector's front, with random weights: a 5 x 5
// convolution with stride 2 into 24 channels, a block, a block that halves the image
// (depthwise with stride 2, its input pooled 2 x 2 for the sum), another block, and a
// pointwise layer to one channel so that every pixel of the last block shows in the output.
class FrontNetwork {
public:
    FrontNetwork(int rows, int cols)
    {
        model_.set_ir_version(7);
        model_.add_opset_import()->set_version(11);
        graph_ = model_.mutable_graph();
        declare(graph_->add_input(), "input", {1, 3, rows, cols});
        std::string x = relu(conv("input", 3, 24, 5, 2, {1, 1, 2, 2}, 1));
        x = block(x, false);
        x = block(x, true);
        x = block(x, false);
        const std::string out = conv(x, 24, 1, 1, 1, {0, 0, 0, 0}, 1);
        const int halfRows = ((rows + 3 - 5) / 2 + 1) / 2;
        const int halfCols = ((cols + 3 - 5) / 2 + 1) / 2;
        declare(graph_->add_output(), out, {1, 1, halfRows, halfCols});
    }

    onnx::ModelProto &model() { return model_; }

private:
    static void declare(onnx::ValueInfoProto *value, const std::string &name, std::vector<int64_t> dims)
    {
        value->set_name(name);
        auto *type = value->mutable_type()->mutable_tensor_type();
        type->set_elem_type(onnx::TensorProto::FLOAT);
        for (const int64_t d : dims)
            type->mutable_shape()->add_dim()->set_dim_value(d);
    }

    std::string constant(std::vector<int64_t> dims, float spread)
    {
        auto *t = graph_->add_initializer();
        t->set_name("w" + std::to_string(graph_->initializer_size()));
        t->set_data_type(onnx::TensorProto::FLOAT);
        int64_t count = 1;
        for (const int64_t d : dims) {
            t->add_dims(d);
            count *= d;
        }
        for (int64_t i = 0; i < count; ++i)
            t->add_float_data(static_cast<float>(rng_.uniform(-spread, spread)));
        return t->name();
    }

    onnx::NodeProto *node(const char *op, std::vector<std::string> inputs)
    {
        auto *n = graph_->add_node();
        n->set_op_type(op);
        n->set_name(op + std::to_string(graph_->node_size()));
        for (const auto &i : inputs)
            n->add_input(i);
        n->add_output(n->name());
        return n;
    }

    static void attribute(onnx::NodeProto *n, const char *name, std::vector<int64_t> values)
    {
        auto *a = n->add_attribute();
        a->set_name(name);
        a->set_type(onnx::AttributeProto::INTS);
        for (const int64_t v : values)
            a->add_ints(v);
    }

    std::string conv(const std::string &in, int cin, int cout, int k, int stride, std::vector<int64_t> pads, int group)
    {
        const float spread = 1.0f / std::sqrt(static_cast<float>(cin / group * k * k));
        auto *n = node("Conv", {in, constant({cout, cin / group, k, k}, spread), constant({cout}, 0.1f)});
        attribute(n, "kernel_shape", {k, k});
        attribute(n, "strides", {stride, stride});
        attribute(n, "pads", pads);
        auto *g = n->add_attribute();
        g->set_name("group");
        g->set_type(onnx::AttributeProto::INT);
        g->set_i(group);
        return n->output(0);
    }

    std::string relu(const std::string &in) { return node("Relu", {in})->output(0); }

    std::string block(const std::string &in, bool halves)
    {
        const std::string depthwise = conv(in, 24, 24, 3, halves ? 2 : 1, halves ? std::vector<int64_t>{0, 0, 1, 1}
                                                                                 : std::vector<int64_t>{1, 1, 1, 1}, 24);
        const std::string pointwise = conv(depthwise, 24, 24, 1, 1, {0, 0, 0, 0}, 1);
        std::string residual = in;
        if (halves) {
            auto *pool = node("MaxPool", {in});
            attribute(pool, "kernel_shape", {2, 2});
            attribute(pool, "strides", {2, 2});
            residual = pool->output(0);
        }
        return relu(node("Add", {pointwise, residual})->output(0));
    }

    onnx::ModelProto model_;
    onnx::GraphProto *graph_ = nullptr;
    cv::RNG rng_{24};
};

} // namespace

// The layers run here must give what XNNPACK gives for the same graph, at sizes whose rows
// are not a whole number of eight-pixel groups and whose halving drops an odd row, on one
// thread and on two.
TEST(LeadingResidualBlocks, ComputeWhatXnnpackComputesAtAnySizeAndThreadCount)
{
    if (!LeadingResidualBlocks::runsOnThisProcessor())
        GTEST_SKIP() << "no AVX-512 here: XNNPACK runs the whole detector";
    const struct {
        int rows, cols;
    } sizes[] = {{224, 320}, {38, 61}, {9, 9}};
    const fs::path file = fs::temp_directory_path() / ("vardo-front-" + std::to_string(::getpid()) + ".onnx");
    for (const auto size : sizes) {
        FrontNetwork front(size.rows, size.cols);
        onnx::ModelProto taken = front.model();
        LeadingResidualBlocks blocks;
        ASSERT_TRUE(blocks.takeFrom(taken)) << size.rows << " x " << size.cols;
        EXPECT_EQ(taken.graph().node_size(), 1) << "all three blocks are taken, the last layer left";
        EXPECT_EQ(blocks.inputSize(), cv::Size(size.cols, size.rows));
        {
            std::ofstream out(file, std::ios::binary | std::ios::trunc);
            ASSERT_TRUE(front.model().SerializeToOstream(&out));
        }
        for (const std::size_t threads : {1u, 2u}) {
            setNetworkThreadCount(threads);
            XnnpackNetwork fused, plain;
            std::string reason;
            ASSERT_TRUE(fused.load(file, reason)) << reason;
            ASSERT_TRUE(plain.load(file, reason, sharedNetworkThreadPool(), true)) << reason;
            ASSERT_EQ(fused.inputSize(), plain.inputSize());
            cv::Mat input(plain.inputSize(), CV_32FC3);
            cv::randu(input, -1.0f, 1.0f);
            cv::Mat fusedInput = fused.input();
            cv::Mat plainInput = plain.input();
            input.copyTo(fusedInput);
            input.copyTo(plainInput);
            ASSERT_TRUE(fused.run() && plain.run());
            const auto &got = fused.outputs().at(0).values;
            const auto &expected = plain.outputs().at(0).values;
            ASSERT_EQ(got.size(), expected.size());
            const cv::Mat a(1, static_cast<int>(got.size()), CV_32F, const_cast<float *>(got.data()));
            const cv::Mat b(1, static_cast<int>(expected.size()), CV_32F, const_cast<float *>(expected.data()));
            EXPECT_LE(cv::norm(a, b, cv::NORM_INF), 1e-5 * (1.0 + cv::norm(b, cv::NORM_INF)))
                << size.rows << " x " << size.cols << " on " << threads << " threads";
        }
    }
    setNetworkThreadCount(1);
    fs::remove(file);
}
