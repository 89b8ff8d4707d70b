#include "recognition/onnx_subgraph.h"

#include "recognition/onnx_attributes.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>
#include <stdexcept>
#include <unordered_map>

namespace vardo {

namespace {

constexpr float noLimit = std::numeric_limits<float>::infinity();

// A model the runner cannot take; the message is the reason given to the caller.
struct Refused : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::size_t product(const std::vector<std::size_t> &dims, std::size_t from = 0, std::size_t to = SIZE_MAX)
{
    std::size_t n = 1;
    for (std::size_t i = from; i < std::min(to, dims.size()); ++i)
        n *= dims[i];
    return n;
}

std::string shapeText(const std::vector<std::size_t> &dims)
{
    std::string text = "[";
    for (std::size_t i = 0; i < dims.size(); ++i)
        text += (i ? ", " : "") + std::to_string(dims[i]);
    return text + "]";
}

// One tensor of the graph as the subgraph holds it. An image (a 4-D tensor the graph
// sees as [N, C, H, W]) is kept channels-last, [N, H, W, C]; anything else is kept in
// the graph's own shape.
struct Value {
    uint32_t id = XNN_INVALID_VALUE_ID;
    std::vector<std::size_t> shape; // the graph's shape
    bool image = false;

    std::vector<std::size_t> storedShape() const
    {
        return image ? std::vector<std::size_t>{shape[0], shape[2], shape[3], shape[1]} : shape;
    }
    // Whether the values lie in memory in the graph's order all the same.
    bool inGraphOrder() const { return !image || shape[1] == 1 || shape[2] * shape[3] == 1; }
};

// Turns the ONNX graph into an XNNPACK subgraph, node by node.
class GraphBuilder {
public:
    // The filters and biases are rearranged inside the model and XNNPACK reads them
    // there while it makes the runtime: one copy fewer of the weights at load.
    GraphBuilder(onnx::ModelProto &model, xnn_subgraph_t subgraph, std::vector<std::vector<float>> &weights)
        : graph_(model.graph()), subgraph_(subgraph), weights_(weights)
    {
        for (const auto &opset : model.opset_import())
            if (opset.domain().empty() || opset.domain() == "ai.onnx")
                opset_ = opset.version();
        for (auto &t : *model.mutable_graph()->mutable_initializer())
            constants_[t.name()] = &t;
    }

    // Defines the input; its external ID is 0, the outputs' are 1, 2, ... in order.
    Value defineInput()
    {
        const onnx::ValueInfoProto *input = nullptr;
        for (const auto &i : graph_.input()) {
            if (constants_.count(i.name()))
                continue;
            if (input)
                throw Refused("the network has more than one input");
            input = &i;
        }
        if (!input)
            throw Refused("the network has no input");
        const auto &type = input->type().tensor_type();
        if (type.elem_type() != onnx::TensorProto::FLOAT || type.shape().dim_size() != 4)
            throw Refused("the input is not a float image of [N, C, H, W]");
        std::vector<std::size_t> shape;
        for (int i = 0; i < 4; ++i) {
            const auto &dim = type.shape().dim(i);
            const int64_t size = dim.has_dim_value() ? dim.dim_value() : (i == 0 ? 1 : 0);
            if (size <= 0 || (i == 0 && size != 1) || size > 1 << 16)
                throw Refused("the input's size is not fixed at one image");
            shape.push_back(static_cast<std::size_t>(size));
        }
        for (int i = 0; i < graph_.output_size(); ++i)
            outputIds_[graph_.output(i).name()] = static_cast<uint32_t>(i + 1);
        Value value{0, shape, true};
        const auto stored = value.storedShape();
        check(xnn_define_tensor_value(subgraph_, xnn_datatype_fp32, 4, stored.data(), nullptr, 0,
                                      XNN_VALUE_FLAG_EXTERNAL_INPUT, &value.id),
              "the input");
        values_[input->name()] = value;
        return value;
    }

    void defineNodes()
    {
        // Nodes whose results nothing reads are left out: XNNPACK would give their
        // outputs no memory and fail when it runs them.
        std::unordered_map<std::string, bool> needed;
        for (const auto &output : graph_.output())
            needed[output.name()] = true;
        std::vector<const onnx::NodeProto *> kept;
        for (int i = graph_.node_size() - 1; i >= 0; --i) {
            const auto &node = graph_.node(i);
            if (std::none_of(node.output().begin(), node.output().end(),
                             [&](const std::string &name) { return needed.count(name) != 0; }))
                continue;
            kept.push_back(&node);
            for (const auto &name : node.input())
                needed[name] = true;
        }
        for (auto it = kept.rbegin(); it != kept.rend(); ++it)
            defineNode(**it);
        for (const auto &output : graph_.output())
            if (!defined_.count(output.name()))
                throw Refused("no operation gives the output " + output.name());
    }

    const Value &valueOf(const std::string &name) const
    {
        const auto it = values_.find(name);
        if (it == values_.end())
            throw Refused("no operation gives " + name);
        return it->second;
    }

private:
    void defineNode(const onnx::NodeProto &node)
    {
        if (!node.domain().empty() && node.domain() != "ai.onnx")
            throw Refused("unsupported operation " + node.domain() + "." + node.op_type());
        static const std::map<std::string, void (GraphBuilder::*)(const onnx::NodeProto &)> handlers = {
            {"Conv", &GraphBuilder::conv},
            {"Relu", &GraphBuilder::relu},
            {"Clip", &GraphBuilder::clip},
            {"Add", &GraphBuilder::add},
            {"MaxPool", &GraphBuilder::maxPool},
            {"Pad", &GraphBuilder::pad},
            {"GlobalAveragePool", &GraphBuilder::globalAveragePool},
            {"Flatten", &GraphBuilder::flatten},
            {"Reshape", &GraphBuilder::reshape},
            {"Transpose", &GraphBuilder::transpose},
            {"Gemm", &GraphBuilder::gemm},
            {"Identity", &GraphBuilder::identity},
        };
        const auto handler = handlers.find(node.op_type());
        if (handler == handlers.end())
            throw Refused("unsupported operation " + node.op_type() + " (node " + node.name() + ")");
        if (node.input_size() < 1 || node.output_size() < 1)
            throw Refused(node.op_type() + " node " + node.name() + " lacks an input or output");
        node_ = &node;
        (this->*handler->second)(node);
    }

    [[noreturn]] void refuse(const std::string &why) const
    {
        throw Refused(node_->op_type() + " node " + node_->name() + ": " + why);
    }

    void check(xnn_status status, const std::string &what) const
    {
        if (status != xnn_status_success)
            throw Refused("XNNPACK does not take " + what + " (status " + std::to_string(status) + ")");
    }
    void check(xnn_status status) const { check(status, node_->op_type() + " node " + node_->name()); }

    const Value &imageInput(const onnx::NodeProto &node) const
    {
        const Value &v = valueOf(node.input(0));
        if (!v.image)
            refuse("its input is not an image");
        return v;
    }

    onnx::TensorProto *constant(const onnx::NodeProto &node, int index) const
    {
        if (node.input_size() <= index || node.input(index).empty())
            return nullptr;
        const auto it = constants_.find(node.input(index));
        if (it == constants_.end())
            refuse("input " + node.input(index) + " is not a constant");
        return it->second;
    }

    // The constant's shape; a size no network of ours comes near (and whose byte count
    // could overflow) is refused.
    static std::vector<std::size_t> dimsOf(const onnx::TensorProto &t)
    {
        constexpr int64_t largest = int64_t(1) << 28;
        std::vector<std::size_t> dims;
        int64_t count = 1;
        for (const int64_t d : t.dims()) {
            if (d < 0 || d > largest || (count *= d) > largest)
                throw Refused("constant " + t.name() + " has a size out of range");
            dims.push_back(static_cast<std::size_t>(d));
        }
        return dims;
    }

    std::vector<float> floats(const onnx::TensorProto &t) const
    {
        if (t.data_type() != onnx::TensorProto::FLOAT)
            refuse("constant " + t.name() + " is not float");
        if (t.data_location() == onnx::TensorProto::EXTERNAL)
            refuse("constant " + t.name() + " is kept outside the file");
        return copyOfValues<float>(t, t.float_data());
    }

    // A constant's values, from its bytes or from its typed list, whichever the file uses.
    template <typename T, typename TypedValues>
    std::vector<T> copyOfValues(const onnx::TensorProto &t, const TypedValues &typed) const
    {
        const std::size_t count = product(dimsOf(t));
        if (!t.has_raw_data()) {
            if (static_cast<std::size_t>(typed.size()) != count)
                refuse("constant " + t.name() + " holds the wrong number of values");
            return std::vector<T>(typed.begin(), typed.end());
        }
        if (t.raw_data().size() != count * sizeof(T))
            refuse("constant " + t.name() + " holds " + std::to_string(t.raw_data().size()) + " bytes, not "
                   + std::to_string(count * sizeof(T)));
        std::vector<T> data(count);
        std::memcpy(data.data(), t.raw_data().data(), t.raw_data().size());
        return data;
    }

    // The float values of a filter or bias where the model holds them, to be rearranged
    // in place; each constant serves one operation only.
    float *weightsOf(onnx::TensorProto &t, std::size_t expected)
    {
        if (t.data_type() != onnx::TensorProto::FLOAT)
            refuse("constant " + t.name() + " is not float");
        if (t.data_location() == onnx::TensorProto::EXTERNAL)
            refuse("constant " + t.name() + " is kept outside the file");
        const std::size_t count = product(dimsOf(t));
        if (count != expected)
            refuse("constant " + t.name() + " has " + std::to_string(count) + " values, not " + std::to_string(expected));
        if (!rearranged_.insert({t.name(), true}).second)
            refuse("constant " + t.name() + " serves more than one operation");
        if (t.has_raw_data()) {
            if (t.raw_data().size() != count * sizeof(float))
                refuse("constant " + t.name() + " holds " + std::to_string(t.raw_data().size()) + " bytes, not "
                       + std::to_string(count * sizeof(float)));
            return reinterpret_cast<float *>(t.mutable_raw_data()->data());
        }
        if (static_cast<std::size_t>(t.float_data_size()) != count)
            refuse("constant " + t.name() + " holds the wrong number of values");
        return t.mutable_float_data()->mutable_data();
    }

    std::vector<int64_t> integers(const onnx::TensorProto &t) const
    {
        if (t.data_type() != onnx::TensorProto::INT64 || t.data_location() == onnx::TensorProto::EXTERNAL)
            refuse("constant " + t.name() + " is not a 64-bit integer list");
        return copyOfValues<int64_t>(t, t.int64_data());
    }

    uint32_t defineStatic(const float *data, const std::vector<std::size_t> &dims)
    {
        uint32_t id = XNN_INVALID_VALUE_ID;
        check(xnn_define_tensor_value(subgraph_, xnn_datatype_fp32, dims.size(), dims.data(), data,
                                      XNN_INVALID_VALUE_ID, 0, &id));
        return id;
    }

    // A bias of zeros for an operation without one.
    const float *zeros(std::size_t count)
    {
        weights_.emplace_back(count, 0.0f);
        return weights_.back().data();
    }

    // The node's output: internal, or the graph's output with its external ID.
    Value defineOutput(const onnx::NodeProto &node, std::vector<std::size_t> shape, bool image)
    {
        const std::string &name = node.output(0);
        if (values_.count(name) || constants_.count(name))
            refuse("its output " + name + " is given twice");
        for (const std::size_t d : shape)
            if (d == 0)
                refuse("its output would be empty");
        Value value{XNN_INVALID_VALUE_ID, std::move(shape), image};
        const auto external = outputIds_.find(name);
        if (external != outputIds_.end() && !value.inGraphOrder())
            refuse("an image with more than one channel and pixel cannot be an output");
        const auto stored = value.storedShape();
        check(xnn_define_tensor_value(subgraph_, xnn_datatype_fp32, stored.size(), stored.data(), nullptr,
                                      external != outputIds_.end() ? external->second : XNN_INVALID_VALUE_ID,
                                      external != outputIds_.end() ? XNN_VALUE_FLAG_EXTERNAL_OUTPUT : 0u,
                                      &value.id));
        values_[name] = value;
        defined_.insert({name, true});
        return value;
    }

    // Kernel size, strides, dilations and pads (top, left, bottom, right) of a window.
    struct Window {
        std::size_t kh, kw, sh, sw, dh, dw, top, left, bottom, right;
        std::size_t outputSize(std::size_t in, std::size_t k, std::size_t s, std::size_t d, std::size_t before,
                               std::size_t after) const
        {
            const std::size_t span = d * (k - 1) + 1;
            return in + before + after < span ? 0 : (in + before + after - span) / s + 1;
        }
    };

    Window window(const Attributes &a, std::size_t kh, std::size_t kw) const
    {
        const std::string autoPad = a.text("auto_pad", "NOTSET");
        if (autoPad != "NOTSET")
            refuse("auto_pad " + autoPad + " is not supported");
        const auto kernel = a.integers("kernel_shape", {int64_t(kh), int64_t(kw)});
        const auto strides = a.integers("strides", {1, 1});
        const auto dilations = a.integers("dilations", {1, 1});
        const auto pads = a.integers("pads", {0, 0, 0, 0});
        if (kernel.size() != 2 || strides.size() != 2 || dilations.size() != 2 || pads.size() != 4)
            refuse("only two-dimensional windows are supported");
        const auto positive = [&](const std::vector<int64_t> &v, int64_t least) {
            return std::all_of(v.begin(), v.end(), [&](int64_t x) { return x >= least && x <= 1 << 16; });
        };
        if (!positive(kernel, 1) || !positive(strides, 1) || !positive(dilations, 1) || !positive(pads, 0))
            refuse("its window has a size, stride, dilation or padding out of range");
        if ((kh && std::size_t(kernel[0]) != kh) || (kw && std::size_t(kernel[1]) != kw))
            refuse("kernel_shape does not match the weights");
        const auto u = [](int64_t x) { return static_cast<std::size_t>(x); };
        return {u(kernel[0]), u(kernel[1]), u(strides[0]), u(strides[1]), u(dilations[0]),
                u(dilations[1]), u(pads[0]), u(pads[1]), u(pads[2]), u(pads[3])};
    }

    void conv(const onnx::NodeProto &node)
    {
        const Value in = imageInput(node);
        onnx::TensorProto *w = constant(node, 1);
        onnx::TensorProto *b = constant(node, 2);
        if (!w)
            refuse("it has no weights");
        const auto wd = dimsOf(*w);
        if (wd.size() != 4)
            refuse("its weights are not [O, I, kH, kW]");
        const Attributes a(node);
        const std::size_t groups = static_cast<std::size_t>(std::max<int64_t>(1, a.integer("group", 1)));
        const std::size_t outChannels = wd[0], groupIn = wd[1], kh = wd[2], kw = wd[3];
        const std::size_t channels = in.shape[1];
        if (groupIn * groups != channels || outChannels % groups != 0 || outChannels == 0 || kh == 0 || kw == 0)
            refuse("its weights " + shapeText(wd) + " do not fit " + std::to_string(channels) + " channels in "
                   + std::to_string(groups) + " groups");
        const Window win = window(a, kh, kw);
        float *weights = weightsOf(*w, outChannels * groupIn * kh * kw);
        const float *bias = b ? weightsOf(*b, outChannels) : zeros(outChannels);
        const std::size_t oh = win.outputSize(in.shape[2], kh, win.sh, win.dh, win.top, win.bottom);
        const std::size_t ow = win.outputSize(in.shape[3], kw, win.sw, win.dw, win.left, win.right);
        const Value out = defineOutput(node, {in.shape[0], outChannels, oh, ow}, true);

        const bool depthwise = groups > 1 && groupIn == 1;
        // ONNX weights are [O][I][kH][kW]. Depthwise XNNPACK wants [1][kH][kW][O], the
        // others [O][kH][kW][I].
        std::vector<float> filter(outChannels * groupIn * kh * kw);
        for (std::size_t o = 0; o < outChannels; ++o)
            for (std::size_t i = 0; i < groupIn; ++i)
                for (std::size_t y = 0; y < kh; ++y)
                    for (std::size_t x = 0; x < kw; ++x) {
                        const float v = weights[((o * groupIn + i) * kh + y) * kw + x];
                        if (depthwise)
                            filter[(y * kw + x) * outChannels + o] = v;
                        else
                            filter[((o * kh + y) * kw + x) * groupIn + i] = v;
                    }
        std::copy(filter.begin(), filter.end(), weights);
        const uint32_t filterId = defineStatic(weights, depthwise ? std::vector<std::size_t>{1, kh, kw, outChannels}
                                                                  : std::vector<std::size_t>{outChannels, kh, kw, groupIn});
        const uint32_t biasId = defineStatic(bias, {outChannels});
        const auto u32 = [](std::size_t v) { return static_cast<uint32_t>(v); };
        if (depthwise)
            check(xnn_define_depthwise_convolution_2d(
                subgraph_, u32(win.top), u32(win.right), u32(win.bottom), u32(win.left), u32(kh), u32(kw),
                u32(win.sh), u32(win.sw), u32(win.dh), u32(win.dw), u32(outChannels / channels), channels, -noLimit,
                noLimit, in.id, filterId, biasId, out.id, 0));
        else
            check(xnn_define_convolution_2d(subgraph_, u32(win.top), u32(win.right), u32(win.bottom), u32(win.left),
                                            u32(kh), u32(kw), u32(win.sh), u32(win.sw), u32(win.dh), u32(win.dw),
                                            u32(groups), groupIn, outChannels / groups, -noLimit, noLimit, in.id,
                                            filterId, biasId, out.id, 0));
    }

    void clamp(const onnx::NodeProto &node, float low, float high)
    {
        const Value in = valueOf(node.input(0));
        const Value out = defineOutput(node, in.shape, in.image);
        check(xnn_define_clamp(subgraph_, low, high, in.id, out.id, 0));
    }

    void relu(const onnx::NodeProto &node) { clamp(node, 0.0f, noLimit); }

    void clip(const onnx::NodeProto &node)
    {
        float low = -noLimit, high = noLimit;
        if (opset_ < 11) {
            const Attributes a(node);
            low = a.real("min", low);
            high = a.real("max", high);
        } else {
            const auto scalar = [&](int index, float fallback) {
                const onnx::TensorProto *t = constant(node, index);
                if (!t)
                    return fallback;
                const auto v = floats(*t);
                if (v.size() != 1)
                    refuse("its bounds are not single values");
                return v[0];
            };
            low = scalar(1, low);
            high = scalar(2, high);
        }
        if (!(low < high))
            refuse("its lower bound is not below its upper bound");
        clamp(node, low, high);
    }

    void add(const onnx::NodeProto &node)
    {
        if (node.input_size() != 2)
            refuse("it does not add two tensors");
        const Value a = valueOf(node.input(0));
        const Value b = valueOf(node.input(1));
        if (a.shape != b.shape || a.image != b.image)
            refuse("it adds tensors of different shapes " + shapeText(a.shape) + " and " + shapeText(b.shape));
        const Value out = defineOutput(node, a.shape, a.image);
        check(xnn_define_add2(subgraph_, -noLimit, noLimit, a.id, b.id, out.id, 0));
    }

    void maxPool(const onnx::NodeProto &node)
    {
        const Value in = imageInput(node);
        const Attributes a(node);
        if (!a.has("kernel_shape"))
            refuse("it has no kernel_shape");
        if (a.integer("ceil_mode", 0) != 0 || a.integer("storage_order", 0) != 0 || node.output_size() > 1)
            refuse("only floor rounding and no indices are supported");
        const Window win = window(a, 0, 0);
        const std::size_t oh = win.outputSize(in.shape[2], win.kh, win.sh, win.dh, win.top, win.bottom);
        const std::size_t ow = win.outputSize(in.shape[3], win.kw, win.sw, win.dw, win.left, win.right);
        const Value out = defineOutput(node, {in.shape[0], in.shape[1], oh, ow}, true);
        const auto u32 = [](std::size_t v) { return static_cast<uint32_t>(v); };
        check(xnn_define_max_pooling_2d(subgraph_, u32(win.top), u32(win.right), u32(win.bottom), u32(win.left),
                                        u32(win.kh), u32(win.kw), u32(win.sh), u32(win.sw), u32(win.dh),
                                        u32(win.dw), -noLimit, noLimit, in.id, out.id, 0));
    }

    void pad(const onnx::NodeProto &node)
    {
        const Value in = valueOf(node.input(0));
        const Attributes a(node);
        if (a.text("mode", "constant") != "constant")
            refuse("only constant padding is supported");
        std::vector<int64_t> pads;
        float fill = 0.0f;
        if (opset_ < 11) {
            pads = a.integers("pads", {});
            fill = a.real("value", 0.0f);
        } else {
            const onnx::TensorProto *p = constant(node, 1);
            if (!p)
                refuse("it has no pads");
            pads = integers(*p);
            if (const onnx::TensorProto *v = constant(node, 2)) {
                const auto values = floats(*v);
                if (values.size() != 1)
                    refuse("its fill is not one value");
                fill = values[0];
            }
        }
        const std::size_t rank = in.shape.size();
        if (pads.size() != 2 * rank || std::any_of(pads.begin(), pads.end(), [](int64_t p) { return p < 0 || p > 1 << 16; }))
            refuse("its pads do not give a non-negative amount for each side");
        std::vector<std::size_t> before(rank), after(rank), shape(rank);
        for (std::size_t i = 0; i < rank; ++i) {
            before[i] = static_cast<std::size_t>(pads[i]);
            after[i] = static_cast<std::size_t>(pads[i + rank]);
            shape[i] = in.shape[i] + before[i] + after[i];
        }
        const Value out = defineOutput(node, shape, in.image);
        if (in.image) {
            const auto toStored = [](const std::vector<std::size_t> &v) {
                return std::vector<std::size_t>{v[0], v[2], v[3], v[1]};
            };
            before = toStored(before);
            after = toStored(after);
        }
        check(xnn_define_static_constant_pad(subgraph_, before.data(), after.data(), fill, in.id, out.id, 0));
    }

    void globalAveragePool(const onnx::NodeProto &node)
    {
        const Value in = imageInput(node);
        const Value out = defineOutput(node, {in.shape[0], in.shape[1], 1, 1}, true);
        check(xnn_define_global_average_pooling_2d(subgraph_, -noLimit, noLimit, in.id, out.id, 0));
    }

    // A new shape over the same values, in the graph's order.
    void copyAs(const onnx::NodeProto &node, const Value &in, const std::vector<std::size_t> &shape, bool image)
    {
        if (product(shape) != product(in.shape))
            refuse("it changes the number of values from " + shapeText(in.shape) + " to " + shapeText(shape));
        const Value out = defineOutput(node, shape, image);
        const auto stored = out.storedShape();
        check(xnn_define_static_reshape(subgraph_, stored.size(), stored.data(), in.id, out.id, 0));
    }

    void flatten(const onnx::NodeProto &node)
    {
        const Value in = valueOf(node.input(0));
        const int64_t rank = static_cast<int64_t>(in.shape.size());
        int64_t axis = Attributes(node).integer("axis", 1);
        if (axis < 0)
            axis += rank;
        if (axis < 0 || axis > rank)
            refuse("its axis is out of range");
        if (!in.inGraphOrder())
            refuse("it would flatten an image of many channels and pixels");
        copyAs(node, in, {product(in.shape, 0, std::size_t(axis)), product(in.shape, std::size_t(axis))}, false);
    }

    void reshape(const onnx::NodeProto &node)
    {
        const Value in = valueOf(node.input(0));
        const onnx::TensorProto *s = constant(node, 1);
        if (!s)
            refuse("it has no shape");
        if (!in.inGraphOrder())
            refuse("it would reshape an image of many channels and pixels");
        const auto wanted = integers(*s);
        std::vector<std::size_t> shape;
        int inferred = -1;
        for (std::size_t i = 0; i < wanted.size(); ++i) {
            if (wanted[i] == 0 && i < in.shape.size())
                shape.push_back(in.shape[i]);
            else if (wanted[i] == -1 && inferred < 0) {
                inferred = static_cast<int>(i);
                shape.push_back(1);
            } else if (wanted[i] > 0 && wanted[i] <= 1 << 24)
                shape.push_back(static_cast<std::size_t>(wanted[i]));
            else
                refuse("its shape is not valid");
        }
        if (inferred >= 0) {
            const std::size_t known = product(shape);
            if (known == 0 || product(in.shape) % known != 0)
                refuse("its shape does not divide the values");
            shape[std::size_t(inferred)] = product(in.shape) / known;
        }
        copyAs(node, in, shape, false);
    }

    // Only the turn of an image to channels-last, which is how it is kept already.
    void transpose(const onnx::NodeProto &node)
    {
        const Value in = valueOf(node.input(0));
        const auto perm = Attributes(node).integers("perm", {});
        if (!in.image || perm != std::vector<int64_t>{0, 2, 3, 1})
            refuse("only the transpose of an image to [N, H, W, C] is supported");
        copyAs(node, in, in.storedShape(), false);
    }

    void identity(const onnx::NodeProto &node)
    {
        const Value in = valueOf(node.input(0));
        copyAs(node, in, in.shape, in.image);
    }

    void gemm(const onnx::NodeProto &node)
    {
        const Value in = valueOf(node.input(0));
        const Attributes a(node);
        if (in.shape.size() != 2 || in.image || a.integer("transA", 0) != 0)
            refuse("its first input is not a [M, K] matrix");
        onnx::TensorProto *bt = constant(node, 1);
        onnx::TensorProto *ct = constant(node, 2);
        if (!bt)
            refuse("it has no weights");
        const auto bd = dimsOf(*bt);
        const bool transB = a.integer("transB", 0) != 0;
        if (bd.size() != 2 || bd[transB ? 1 : 0] != in.shape[1])
            refuse("its weights " + shapeText(bd) + " do not fit " + shapeText(in.shape));
        const std::size_t k = in.shape[1], n = transB ? bd[0] : bd[1];
        const float alpha = a.real("alpha", 1.0f), beta = a.real("beta", 1.0f);
        float *weights = weightsOf(*bt, n * k);
        // XNNPACK wants [N][K].
        if (!transB) {
            const std::vector<float> kn(weights, weights + n * k);
            for (std::size_t row = 0; row < n; ++row)
                for (std::size_t col = 0; col < k; ++col)
                    weights[row * k + col] = kn[col * n + row];
        }
        if (alpha != 1.0f)
            std::for_each(weights, weights + n * k, [&](float &v) { v *= alpha; });
        float *bias = nullptr;
        if (ct) {
            if (dimsOf(*ct).size() == 2 && dimsOf(*ct)[0] != 1)
                refuse("its bias is not one value per output");
            bias = weightsOf(*ct, n);
            if (beta != 1.0f)
                std::for_each(bias, bias + n, [&](float &v) { v *= beta; });
        }
        const Value out = defineOutput(node, {in.shape[0], n}, false);
        const uint32_t filterId = defineStatic(weights, {n, k});
        const uint32_t biasId = defineStatic(bias ? bias : zeros(n), {n});
        check(xnn_define_fully_connected(subgraph_, -noLimit, noLimit, in.id, filterId, biasId, out.id, 0));
    }

    const onnx::GraphProto &graph_;
    xnn_subgraph_t subgraph_;
    std::vector<std::vector<float>> &weights_;
    int64_t opset_ = 0;
    const onnx::NodeProto *node_ = nullptr;
    std::unordered_map<std::string, onnx::TensorProto *> constants_;
    std::unordered_map<std::string, bool> rearranged_;
    std::unordered_map<std::string, uint32_t> outputIds_;
    std::unordered_map<std::string, Value> values_;
    std::unordered_map<std::string, bool> defined_;
};

} // namespace

bool defineOnnxSubgraph(onnx::ModelProto &model, xnn_subgraph_t subgraph, std::vector<std::vector<float>> &zeros,
                        OnnxSubgraph &made, std::string &reason)
{
    try {
        GraphBuilder builder(model, subgraph, zeros);
        made.inputShape = builder.defineInput().shape;
        builder.defineNodes();
        made.outputs.clear();
        for (const auto &output : model.graph().output())
            made.outputs.push_back({output.name(), builder.valueOf(output.name()).shape});
        return true;
    } catch (const Refused &e) {
        reason = e.what();
        return false;
    }
}

} // namespace vardo
