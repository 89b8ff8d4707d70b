#include "recognition/leading_residual_blocks.h"

#include "recognition/leading_residual_blocks_kernels.h"
#include "recognition/onnx_attributes.h"

#include <onnx/onnx_pb.h>
#include <pthreadpool.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>

namespace vardo {

namespace {

constexpr int C = LeadingResidualBlocks::channels;
using Image = LeadingResidualBlocks::Image;
using Stem = LeadingResidualBlocks::Stem;
using Block = LeadingResidualBlocks::Block;

// ---- Reading the layers from the graph ----

class Graph {
public:
    explicit Graph(const onnx::GraphProto &graph)
        : graph_(graph)
    {
        for (const auto &t : graph.initializer())
            constants_[t.name()] = &t;
        for (int i = 0; i < graph.node_size(); ++i)
            for (const auto &name : graph.node(i).input())
                consumers_[name].push_back(i);
        for (const auto &output : graph.output())
            outputs_.insert(output.name());
    }

    // The nodes reading a value, none of them a graph output.
    std::vector<const onnx::NodeProto *> consumers(const std::string &value) const
    {
        std::vector<const onnx::NodeProto *> nodes;
        if (outputs_.count(value))
            return nodes;
        const auto it = consumers_.find(value);
        if (it != consumers_.end())
            for (const int i : it->second)
                nodes.push_back(&graph_.node(i));
        return nodes;
    }
    // The one node reading a value that is not a graph output, if it is of that kind.
    const onnx::NodeProto *soleConsumer(const std::string &value, const char *op) const
    {
        const auto nodes = consumers(value);
        return nodes.size() == 1 && nodes[0]->op_type() == op && nodes[0]->output_size() == 1 ? nodes[0] : nullptr;
    }

    // A float constant's values, when it has exactly that many.
    bool floats(const std::string &name, std::size_t count, std::vector<float> &values) const
    {
        const auto it = constants_.find(name);
        if (it == constants_.end())
            return false;
        const onnx::TensorProto &t = *it->second;
        if (t.data_type() != onnx::TensorProto::FLOAT || t.data_location() == onnx::TensorProto::EXTERNAL)
            return false;
        if (t.has_raw_data()) {
            if (t.raw_data().size() != count * sizeof(float))
                return false;
            values.resize(count);
            std::memcpy(values.data(), t.raw_data().data(), t.raw_data().size());
            return true;
        }
        if (static_cast<std::size_t>(t.float_data_size()) != count)
            return false;
        values.assign(t.float_data().begin(), t.float_data().end());
        return true;
    }

private:
    const onnx::GraphProto &graph_;
    std::map<std::string, const onnx::TensorProto *> constants_;
    std::map<std::string, std::vector<int>> consumers_;
    std::set<std::string> outputs_;
};

// A plain square convolution: its kernel, stride and explicit padding.
struct ConvShape {
    int kernel = 0;
    int stride = 0;
    int pads[4] = {}; // top, left, bottom, right
};

bool convShape(const onnx::NodeProto &node, int group, ConvShape &shape)
{
    const Attributes a(node);
    if (node.op_type() != "Conv" || node.input_size() < 2 || node.output_size() != 1 || a.integer("group", 1) != group
        || a.text("auto_pad", "NOTSET") != "NOTSET")
        return false;
    const auto kernel = a.integers("kernel_shape", {});
    const auto strides = a.integers("strides", {1, 1});
    const auto dilations = a.integers("dilations", {1, 1});
    const auto pads = a.integers("pads", {0, 0, 0, 0});
    if (kernel.size() != 2 || kernel[0] != kernel[1] || kernel[0] < 1 || kernel[0] > 7 || strides.size() != 2
        || strides[0] != strides[1] || strides[0] < 1 || strides[0] > 2 || dilations != std::vector<int64_t>{1, 1}
        || pads.size() != 4)
        return false;
    shape.kernel = static_cast<int>(kernel[0]);
    shape.stride = static_cast<int>(strides[0]);
    for (int i = 0; i < 4; ++i) {
        if (pads[i] < 0 || pads[i] >= kernel[0])
            return false;
        shape.pads[i] = static_cast<int>(pads[i]);
    }
    return true;
}

int outputSize(int size, const ConvShape &s, int before, int after)
{
    return (size + before + after - s.kernel) / s.stride + 1;
}

// A bias given as the node's third input, or none (zeros).
bool bias(const Graph &g, const onnx::NodeProto &conv, float (&values)[C])
{
    if (conv.input_size() < 3 || conv.input(2).empty())
        return true;
    std::vector<float> read;
    if (!g.floats(conv.input(2), C, read))
        return false;
    std::copy(read.begin(), read.end(), values);
    return true;
}

// The two inputs of an Add, one of them `a`: the other one.
const std::string *otherInput(const onnx::NodeProto &add, const std::string &a)
{
    if (add.input_size() != 2)
        return nullptr;
    if (add.input(0) == a)
        return &add.input(1);
    if (add.input(1) == a)
        return &add.input(0);
    return nullptr;
}

// Reads the residual block starting at `from` (rows x cols), noting the nodes it takes.
bool readBlock(const Graph &g, const std::string &from, int rows, int cols, Block &block, std::string &to,
               std::set<const onnx::NodeProto *> &taken)
{
    const auto readers = g.consumers(from);
    const onnx::NodeProto *depthwiseNode = nullptr;
    const onnx::NodeProto *poolNode = nullptr;
    const onnx::NodeProto *addNode = nullptr;
    for (const auto *node : readers) {
        if (node->op_type() == "Conv" && !depthwiseNode)
            depthwiseNode = node;
        else if (node->op_type() == "MaxPool" && !poolNode)
            poolNode = node;
        else if (node->op_type() == "Add" && !addNode)
            addNode = node;
        else
            return false;
    }
    ConvShape dw;
    if (readers.size() != 2 || !depthwiseNode || (poolNode == nullptr) == (addNode == nullptr)
        || !convShape(*depthwiseNode, C, dw) || dw.kernel != 3 || depthwiseNode->input(0) != from)
        return false;
    block.stride = dw.stride;
    block.padTop = dw.pads[0];
    block.padLeft = dw.pads[1];
    block.rows = outputSize(rows, dw, dw.pads[0], dw.pads[2]);
    block.cols = outputSize(cols, dw, dw.pads[1], dw.pads[3]);
    if (block.rows < 1 || block.cols < 1 || dw.pads[0] > 1 || dw.pads[1] > 1
        || (block.rows - 1) * dw.stride - dw.pads[0] + 2 > rows
        || (block.cols - 1) * dw.stride - dw.pads[1] + 2 > cols)
        return false;
    std::vector<float> weights;
    if (!g.floats(depthwiseNode->input(1), 9 * C, weights) || !bias(g, *depthwiseNode, block.depthwiseBias))
        return false;
    for (int c = 0; c < C; ++c)
        for (int k = 0; k < 9; ++k)
            block.depthwise[k][c] = weights[c * 9 + k];

    const onnx::NodeProto *pointwiseNode = g.soleConsumer(depthwiseNode->output(0), "Conv");
    ConvShape pw;
    if (!pointwiseNode || pointwiseNode->input(0) != depthwiseNode->output(0) || !convShape(*pointwiseNode, 1, pw)
        || pw.kernel != 1 || pw.stride != 1 || !g.floats(pointwiseNode->input(1), C * C, weights)
        || !bias(g, *pointwiseNode, block.pointwiseBias))
        return false;
    for (int out = 0; out < C; ++out)
        for (int in = 0; in < C; ++in)
            block.pointwise[in][out] = weights[out * C + in];
    for (int in = 0; in < C; ++in)
        for (int j = 0; j < 8; ++j)
            block.pointwiseHighPairs[in / 2][2 * j + in % 2] = block.pointwise[in][16 + j];

    // The residual: the block's input itself, or (stride 2) its 2 x 2 maximum.
    std::string residual = from;
    if (poolNode) {
        const Attributes a(*poolNode);
        const std::vector<int64_t> two{2, 2};
        if (dw.stride != 2 || poolNode->input_size() != 1 || poolNode->output_size() != 1
            || a.integers("kernel_shape", {}) != two || a.integers("strides", {1, 1}) != two
            || a.integers("pads", {0, 0, 0, 0}) != std::vector<int64_t>{0, 0, 0, 0}
            || a.integers("dilations", {1, 1}) != std::vector<int64_t>{1, 1}
            || a.integer("ceil_mode", 0) != 0 || a.integer("storage_order", 0) != 0
            || rows / 2 != block.rows || cols / 2 != block.cols)
            return false;
        residual = poolNode->output(0);
        if (!g.soleConsumer(residual, "Add"))
            return false;
    } else if (dw.stride != 1 || block.rows != rows || block.cols != cols) {
        return false;
    }
    const onnx::NodeProto *sum = g.soleConsumer(pointwiseNode->output(0), "Add");
    const std::string *other = sum ? otherInput(*sum, pointwiseNode->output(0)) : nullptr;
    if (!sum || !other || *other != residual || (addNode && addNode != sum))
        return false;
    const onnx::NodeProto *relu = g.soleConsumer(sum->output(0), "Relu");
    if (!relu || g.consumers(relu->output(0)).empty())
        return false;
    taken.insert({depthwiseNode, pointwiseNode, sum, relu});
    if (poolNode)
        taken.insert(poolNode);
    to = relu->output(0);
    return true;
}

void zeroBorder(Image &image)
{
    const int b = image.border;
    if (b == 0)
        return;
    const std::size_t rowValues = static_cast<std::size_t>(image.cols + 2 * b) * image.channels;
    for (int r = -b; r < 0; ++r)
        std::fill_n(image.at(r, -b), rowValues, 0.0f);
    for (int r = image.rows; r < image.rows + b; ++r)
        std::fill_n(image.at(r, -b), rowValues, 0.0f);
    for (int r = 0; r < image.rows; ++r) {
        std::fill_n(image.at(r, -b), static_cast<std::size_t>(b) * image.channels, 0.0f);
        std::fill_n(image.at(r, image.cols), static_cast<std::size_t>(b) * image.channels, 0.0f);
    }
}

void shape(Image &image, int rows, int cols, int channels, int border)
{
    image.rows = rows;
    image.cols = cols;
    image.channels = channels;
    image.border = border;
}

} // namespace

bool LeadingResidualBlocks::runsOnThisProcessor()
{
    return leadingResidualKernels() != nullptr;
}

bool LeadingResidualBlocks::takeFrom(onnx::ModelProto &model)
{
    clear();
    if (!runsOnThisProcessor())
        return false;
    const Graph g(model.graph());

    // The one image input.
    int inputIndex = -1;
    for (int i = 0; i < model.graph().input_size(); ++i) {
        const auto &name = model.graph().input(i).name();
        if (std::any_of(model.graph().initializer().begin(), model.graph().initializer().end(),
                        [&](const auto &t) { return t.name() == name; }))
            continue;
        if (inputIndex >= 0)
            return false;
        inputIndex = i;
    }
    if (inputIndex < 0)
        return false;
    const auto &input = model.graph().input(inputIndex);
    const auto &type = input.type().tensor_type();
    if (type.elem_type() != onnx::TensorProto::FLOAT || type.shape().dim_size() != 4)
        return false;
    int dims[4];
    for (int i = 0; i < 4; ++i) {
        const auto &d = type.shape().dim(i);
        if (!d.has_dim_value() || d.dim_value() < 1 || d.dim_value() > 4096)
            return false;
        dims[i] = static_cast<int>(d.dim_value());
    }
    if (dims[0] != 1 || dims[1] > 4)
        return false;

    // The stem: a convolution into 24 channels, then ReLU.
    const onnx::NodeProto *stemNode = g.soleConsumer(input.name(), "Conv");
    ConvShape stem;
    if (!stemNode || stemNode->input(0) != input.name() || !convShape(*stemNode, 1, stem))
        return false;
    stem_.kernel = stem.kernel;
    stem_.stride = stem.stride;
    stem_.padTop = stem.pads[0];
    stem_.padLeft = stem.pads[1];
    stemRows_ = outputSize(dims[2], stem, stem.pads[0], stem.pads[2]);
    stemCols_ = outputSize(dims[3], stem, stem.pads[1], stem.pads[3]);
    const int k = stem.kernel;
    std::vector<float> weights;
    const int cin = dims[1];
    if (stemRows_ < 1 || stemCols_ < 1 || !g.floats(stemNode->input(1), static_cast<std::size_t>(C) * cin * k * k, weights)
        || !bias(g, *stemNode, stem_.bias))
        return false;
    stem_.weights.resize(weights.size());
    for (int out = 0; out < C; ++out)
        for (int ci = 0; ci < cin; ++ci)
            for (int ky = 0; ky < k; ++ky)
                for (int kx = 0; kx < k; ++kx)
                    stem_.weights[((ky * k + kx) * cin + ci) * C + out] = weights[((out * cin + ci) * k + ky) * k + kx];
    const onnx::NodeProto *stemRelu = g.soleConsumer(stemNode->output(0), "Relu");
    if (!stemRelu)
        return false;
    std::set<const onnx::NodeProto *> taken{stemNode, stemRelu};

    // The blocks, for as long as they come.
    std::string last = stemRelu->output(0);
    int rows = stemRows_;
    int cols = stemCols_;
    for (;;) {
        Block block;
        std::string next;
        std::set<const onnx::NodeProto *> nodes;
        if (!readBlock(g, last, rows, cols, block, next, nodes))
            break;
        blocks_.push_back(block);
        taken.insert(nodes.begin(), nodes.end());
        last = next;
        rows = block.rows;
        cols = block.cols;
    }
    if (blocks_.empty()) {
        clear();
        return false;
    }

    // The images: the input with room for the stem's padding, and two for the layers
    // between, each large enough for any of them.
    const int border = std::max({stem.pads[0], stem.pads[1], stem.pads[2], stem.pads[3],
                                 (stemRows_ - 1) * stem.stride - stem.pads[0] + k - dims[2],
                                 (stemCols_ - 1) * stem.stride - stem.pads[1] + k - dims[3]});
    shape(input_, dims[2], dims[3], dims[1], border);
    input_.values.assign(static_cast<std::size_t>(dims[2] + 2 * border) * (dims[3] + 2 * border) * dims[1], 0.0f);
    std::size_t largest = static_cast<std::size_t>(stemRows_ + 2) * (stemCols_ + 2);
    for (const Block &b : blocks_)
        largest = std::max(largest, static_cast<std::size_t>(b.rows + 2) * (b.cols + 2));
    for (Image &image : between_)
        image.values.assign(largest * C, 0.0f);

    // What is left of the graph starts from the last block's image.
    auto *graph = model.mutable_graph();
    auto *nodes = graph->mutable_node();
    for (int i = nodes->size() - 1; i >= 0; --i)
        if (taken.count(&nodes->Get(i)))
            nodes->DeleteSubrange(i, 1);
    auto *newInput = graph->mutable_input(inputIndex);
    newInput->set_name(last);
    auto *newShape = newInput->mutable_type()->mutable_tensor_type()->mutable_shape();
    newShape->mutable_dim(1)->set_dim_value(C);
    newShape->mutable_dim(2)->set_dim_value(rows);
    newShape->mutable_dim(3)->set_dim_value(cols);
    return true;
}

void LeadingResidualBlocks::clear()
{
    input_ = {};
    stem_ = {};
    stemRows_ = stemCols_ = 0;
    blocks_.clear();
    for (Image &image : between_)
        image = {};
}

cv::Mat LeadingResidualBlocks::input()
{
    if (isEmpty())
        return {};
    const int width = input_.cols + 2 * input_.border;
    return cv::Mat(input_.rows, input_.cols, CV_32FC(input_.channels), input_.at(0, 0),
                   static_cast<std::size_t>(width) * input_.channels * sizeof(float));
}

namespace {

// One layer's rows, shared out over the pool.
struct Layer {
    const LeadingResidualKernels *kernels = nullptr;
    const Stem *stem = nullptr;
    const Block *block = nullptr;
    const Image *in = nullptr;
    float *out = nullptr;       // the output's first pixel
    std::ptrdiff_t rowStride = 0; // in floats
    int cols = 0;
};

void runRow(void *context, std::size_t row)
{
    const Layer &l = *static_cast<const Layer *>(context);
    float *out = l.out + static_cast<std::ptrdiff_t>(row) * l.rowStride;
    if (l.stem)
        l.kernels->stemRow(*l.stem, *l.in, out, static_cast<int>(row), l.cols);
    else
        l.kernels->blockRow(*l.block, *l.in, out, static_cast<int>(row));
}

} // namespace

void LeadingResidualBlocks::run(float *out, pthreadpool *threads)
{
    if (isEmpty())
        return;
    // Every layer but the last writes into one of the two images between, with a border
    // of zeros for the next layer's padding; the last writes the caller's rows.
    const auto layerInto = [&](std::size_t index, int rows, int cols, Layer &layer) {
        if (index == blocks_.size()) {
            layer.out = out;
            layer.rowStride = static_cast<std::ptrdiff_t>(cols) * C;
        } else {
            Image &image = between_[index % 2];
            shape(image, rows, cols, C, 1);
            zeroBorder(image);
            layer.out = image.at(0, 0);
            layer.rowStride = static_cast<std::ptrdiff_t>(cols + 2) * C;
        }
        layer.cols = cols;
    };
    const LeadingResidualKernels *kernels = leadingResidualKernels();
    Layer stem;
    stem.kernels = kernels;
    stem.stem = &stem_;
    stem.in = &input_;
    layerInto(0, stemRows_, stemCols_, stem);
    pthreadpool_parallelize_1d(threads, runRow, &stem, static_cast<std::size_t>(stemRows_), 0);
    for (std::size_t i = 0; i < blocks_.size(); ++i) {
        Layer layer;
        layer.kernels = kernels;
        layer.block = &blocks_[i];
        layer.in = &between_[i % 2];
        layerInto(i + 1, blocks_[i].rows, blocks_[i].cols, layer);
        pthreadpool_parallelize_1d(threads, runRow, &layer, static_cast<std::size_t>(blocks_[i].rows), 0);
    }
}

} // namespace vardo
