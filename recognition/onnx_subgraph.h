#pragma once

#include <onnx/onnx_pb.h>
#include <xnnpack.h>

#include <cstddef>
#include <string>
#include <vector>

namespace vardo {

// What defineOnnxSubgraph made of a graph: shapes as the graph gives them.
struct OnnxSubgraph {
    std::vector<std::size_t> inputShape; // [1, channels, height, width]
    struct Output {
        std::string name;
        std::vector<std::size_t> shape;
    };
    std::vector<Output> outputs; // in the graph's order
};

// Defines an ONNX image network (one float input of [1, channels, height, width]) in an
// XNNPACK subgraph made with 1 + outputs external IDs: the input, channels-last, as
// external value 0 and the graph's outputs as 1, 2, ... It knows exactly the operations of
// the face detector and the face embedding networks (Conv, Relu, Clip, Add, MaxPool, Pad,
// GlobalAveragePool, Flatten, Reshape, Transpose to channels-last, Gemm, Identity) and
// refuses a graph with anything else, giving a one-line reason. Filters are rearranged
// inside the model, where XNNPACK reads them while it makes the runtime; zero biases for
// layers without one go to `zeros`. Both must last until the runtime is made.
bool defineOnnxSubgraph(onnx::ModelProto &model, xnn_subgraph_t subgraph, std::vector<std::vector<float>> &zeros,
                        OnnxSubgraph &made, std::string &reason);

} // namespace vardo
