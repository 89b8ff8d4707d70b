#pragma once

#include <opencv2/core.hpp>

#include <vector>

struct pthreadpool;
namespace onnx {
class ModelProto;
}

namespace vardo {

// The first layers of a BlazeFace-shaped network, run here rather than on XNNPACK: a
// strided convolution into 24 channels with ReLU, then residual blocks (a depthwise 3 x 3
// convolution, a pointwise one from 24 channels to 24, added to the block's input or to
// its 2 x 2 maximum, ReLU) for as long as they keep 24 channels.
//
// Why: these layers are cheap in arithmetic but run over the largest images, and XNNPACK
// runs each of their 60 operations over the whole image before the next, with kernels 16
// channels wide that fill their second pass over a pixel's 24 channels only half. At the
// detector's 160 x 112 and 80 x 56 they took 6.4 of its 7.1 ms. Here a block is one pass
// over its image, eight pixels at a time (four with AVX2): the depthwise sums go to a
// small buffer, the pointwise ones stay in registers until they are added to the input
// and clipped. The sums are the network's own, so the results differ from XNNPACK's only
// in rounding.
class LeadingResidualBlocks {
public:
    static constexpr int channels = 24;

    // Whether this build and processor run these layers (x86-64 with AVX-512, or with AVX2
    // and FMA); where not, takeFrom takes nothing and XNNPACK runs the whole network.
    static bool runsOnThisProcessor();

    // Takes the layers it runs off the front of the model's graph, whose input becomes the
    // image those layers make ([1, 24, height, width], as ONNX gives shapes). When the
    // graph does not start with the convolution and at least one such block, takes
    // nothing and returns false.
    bool takeFrom(onnx::ModelProto &model);
    bool isEmpty() const { return blocks_.empty(); }
    void clear();

    // The network's own input, which these layers read: its size and channels, and the
    // image to fill before run().
    cv::Size inputSize() const { return cv::Size(input_.cols, input_.rows); }
    int inputChannels() const { return input_.channels; }
    cv::Mat input();

    // Runs the layers on the input and writes the last one's image to `out`, channels
    // last, row after row (XNNPACK's input for the rest of the network). The rows of each
    // layer are shared out over the pool's threads; a null pool runs them on the caller's.
    void run(float *out, pthreadpool *threads);

    // The images the layers read and write, and the layers themselves, as the kernels
    // (leading_residual_blocks_kernels.h) take them.
    struct Image {
        int rows = 0;
        int cols = 0;
        int channels = 0;
        int border = 0; // zero pixels kept around the image, for the layers' padding
        std::vector<float> values;

        // Pixel (row, col), its channels together; row and col may reach into the border.
        float *at(int row, int col)
        {
            return values.data()
                + (static_cast<std::ptrdiff_t>(row + border) * (cols + 2 * border) + col + border) * channels;
        }
        const float *at(int row, int col) const { return const_cast<Image *>(this)->at(row, col); }
    };
    struct Stem {
        int kernel = 0;
        int stride = 1;
        int padTop = 0;
        int padLeft = 0;
        std::vector<float> weights; // [kernel row][kernel column][input channel][output channel]
        float bias[channels] = {};
    };
    struct Block {
        int stride = 1;       // 2 halves the image, and the block's input is then pooled 2 x 2
        int padTop = 0;
        int padLeft = 0;
        int rows = 0;         // of the block's output
        int cols = 0;
        float depthwise[9][channels] = {};
        float depthwiseBias[channels] = {};
        float pointwise[channels][channels] = {}; // [input channel][output channel]
        float pointwiseBias[channels] = {};
        // The pointwise weights of output channels 16 to 23 for two input channels at
        // once: [pair k / 2][2 j + k % 2] is the weight from input channel k to output 16 + j.
        float pointwiseHighPairs[channels / 2][16] = {};
    };

private:
    Image input_;
    Stem stem_;
    int stemRows_ = 0;
    int stemCols_ = 0;
    std::vector<Block> blocks_;
    Image between_[2]; // each layer's image but the last, in turn
};

} // namespace vardo
