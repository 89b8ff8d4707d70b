#pragma once

#include "recognition/leading_residual_blocks.h"

namespace vardo {

// The arithmetic of LeadingResidualBlocks, for this processor's vector unit: one output
// row of the stem convolution, and one of a residual block, each written to `out` with a
// pixel's channels together.
struct LeadingResidualKernels {
    void (*stemRow)(const LeadingResidualBlocks::Stem &stem, const LeadingResidualBlocks::Image &in, float *out,
                    int row, int cols) = nullptr;
    void (*blockRow)(const LeadingResidualBlocks::Block &block, const LeadingResidualBlocks::Image &in, float *out,
                     int row) = nullptr;
};

// The kernels for AVX-512, or for AVX2 with FMA; null on a processor with neither (or a
// build for another architecture), where the layers stay on XNNPACK.
const LeadingResidualKernels *leadingResidualKernels();

} // namespace vardo
