#include "recognition/leading_residual_blocks_kernels.h"

#include <cstring>

namespace vardo {

// Written with the compiler's vector types (leading_residual_blocks_kernels.inc) for two
// instruction sets: AVX-512 (x86-64-v4), with a pixel's 24 channels in one register of
// 16 and one of 8, and AVX2 with FMA (x86-64-v3), in three of 8. Elsewhere these layers
// stay on XNNPACK.
#if defined(__x86_64__) && defined(__GNUC__)

namespace {

constexpr int C = LeadingResidualBlocks::channels;
using Image = LeadingResidualBlocks::Image;
using Stem = LeadingResidualBlocks::Stem;
using Block = LeadingResidualBlocks::Block;

#define VARDO_INLINE inline __attribute__((always_inline))

// Vectors pass only between functions inlined into one version's kernels, so the warning
// that passing them differs between instruction sets concerns nothing here.
#pragma GCC diagnostic ignored "-Wpsabi"
typedef float Vec16 __attribute__((vector_size(64), aligned(4)));
typedef float Vec8 __attribute__((vector_size(32), aligned(4)));
#define VARDO_INLINE_MEMBER __attribute__((always_inline))

// A test build leaves the AVX-512 kernels out, to check the AVX2 ones on any processor.
#ifndef VARDO_LEADING_BLOCKS_WITHOUT_AVX512
#pragma GCC push_options
#pragma GCC target("arch=x86-64-v4")
namespace avx512 {

struct Pixel {
    Vec16 low;
    Vec8 high;

    static VARDO_INLINE_MEMBER Pixel load(const float *p)
    {
        return {*reinterpret_cast<const Vec16 *>(p), *reinterpret_cast<const Vec8 *>(p + 16)};
    }
    VARDO_INLINE_MEMBER void store(float *p) const
    {
        *reinterpret_cast<Vec16 *>(p) = low;
        *reinterpret_cast<Vec8 *>(p + 16) = high;
    }
    VARDO_INLINE_MEMBER void addScaled(float s, const Pixel &w)
    {
        low += s * w.low;
        high += s * w.high;
    }
    VARDO_INLINE_MEMBER void addProduct(const Pixel &a, const Pixel &b)
    {
        low += a.low * b.low;
        high += a.high * b.high;
    }
    VARDO_INLINE_MEMBER void add(const Pixel &o)
    {
        low += o.low;
        high += o.high;
    }
    VARDO_INLINE_MEMBER Pixel relu() const { return {low > 0.0f ? low : 0.0f, high > 0.0f ? high : 0.0f}; }
    static VARDO_INLINE_MEMBER Pixel max(const Pixel &a, const Pixel &b)
    {
        return {a.low > b.low ? a.low : b.low, a.high > b.high ? a.high : b.high};
    }
};
// Sixteen registers of pointwise sums.
constexpr int pixelsAtOnce = 8;

typedef int Lanes16 __attribute__((vector_size(64)));
typedef double Doubles8 __attribute__((vector_size(64), aligned(4)));

// The pointwise sums of P pixels. Output channels 16 to 23 fill only half a register, so
// they take two input channels at once: lane 2 j sums channel 16 + j over the even input
// channels, lane 2 j + 1 over the odd ones, and the two are added at the end.
template <int P>
VARDO_INLINE void pointwiseSums(const Block &b, const float (&depthwise)[P][C], Pixel (&sum)[P])
{
    Vec16 high[P];
    for (int p = 0; p < P; ++p) {
        sum[p].low = *reinterpret_cast<const Vec16 *>(b.pointwiseBias);
        high[p] = Vec16{};
    }
    for (int k = 0; k < C; k += 2) {
        const Vec16 even = *reinterpret_cast<const Vec16 *>(b.pointwise[k]);
        const Vec16 odd = *reinterpret_cast<const Vec16 *>(b.pointwise[k + 1]);
        const Vec16 pairWeights = *reinterpret_cast<const Vec16 *>(b.pointwiseHighPairs[k / 2]);
        for (int p = 0; p < P; ++p) {
            sum[p].low += depthwise[p][k] * even;
            sum[p].low += depthwise[p][k + 1] * odd;
            double pair;
            std::memcpy(&pair, &depthwise[p][k], sizeof pair);
            high[p] += (Vec16)(Doubles8{} + pair) * pairWeights;
        }
    }
    for (int p = 0; p < P; ++p) {
        const Vec16 both = high[p] + __builtin_shuffle(high[p], Lanes16{1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10, 13, 12, 15, 14});
        sum[p].high = *reinterpret_cast<const Vec8 *>(b.pointwiseBias + 16)
            + __builtin_shufflevector(both, both, 0, 2, 4, 6, 8, 10, 12, 14);
    }
}

#include "recognition/leading_residual_blocks_kernels.inc"

} // namespace avx512
#pragma GCC pop_options
#endif

#pragma GCC push_options
#pragma GCC target("arch=x86-64-v3")
namespace avx2 {

struct Pixel {
    Vec8 a;
    Vec8 b;
    Vec8 c;

    static VARDO_INLINE_MEMBER Pixel load(const float *p)
    {
        return {*reinterpret_cast<const Vec8 *>(p), *reinterpret_cast<const Vec8 *>(p + 8),
                *reinterpret_cast<const Vec8 *>(p + 16)};
    }
    VARDO_INLINE_MEMBER void store(float *p) const
    {
        *reinterpret_cast<Vec8 *>(p) = a;
        *reinterpret_cast<Vec8 *>(p + 8) = b;
        *reinterpret_cast<Vec8 *>(p + 16) = c;
    }
    VARDO_INLINE_MEMBER void addScaled(float s, const Pixel &w)
    {
        a += s * w.a;
        b += s * w.b;
        c += s * w.c;
    }
    VARDO_INLINE_MEMBER void addProduct(const Pixel &x, const Pixel &y)
    {
        a += x.a * y.a;
        b += x.b * y.b;
        c += x.c * y.c;
    }
    VARDO_INLINE_MEMBER void add(const Pixel &o)
    {
        a += o.a;
        b += o.b;
        c += o.c;
    }
    VARDO_INLINE_MEMBER Pixel relu() const
    {
        return {a > 0.0f ? a : 0.0f, b > 0.0f ? b : 0.0f, c > 0.0f ? c : 0.0f};
    }
    static VARDO_INLINE_MEMBER Pixel max(const Pixel &x, const Pixel &y)
    {
        return {x.a > y.a ? x.a : y.a, x.b > y.b ? x.b : y.b, x.c > y.c ? x.c : y.c};
    }
};
// Twelve of the sixteen registers for pointwise sums.
constexpr int pixelsAtOnce = 4;

template <int P>
VARDO_INLINE void pointwiseSums(const Block &b, const float (&depthwise)[P][C], Pixel (&sum)[P])
{
    for (int p = 0; p < P; ++p)
        sum[p] = Pixel::load(b.pointwiseBias);
    for (int k = 0; k < C; ++k) {
        const Pixel weights = Pixel::load(b.pointwise[k]);
        for (int p = 0; p < P; ++p)
            sum[p].addScaled(depthwise[p][k], weights);
    }
}

#include "recognition/leading_residual_blocks_kernels.inc"

} // namespace avx2
#pragma GCC pop_options

} // namespace

const LeadingResidualKernels *leadingResidualKernels()
{
    static const LeadingResidualKernels chosen = [] {
        LeadingResidualKernels k;
        __builtin_cpu_init();
#ifndef VARDO_LEADING_BLOCKS_WITHOUT_AVX512
        if (__builtin_cpu_supports("x86-64-v4")) {
            k.stemRow = avx512::stemRow;
            k.blockRow = avx512::blockRow;
            return k;
        }
#endif
        if (__builtin_cpu_supports("x86-64-v3")) {
            k.stemRow = avx2::stemRow;
            k.blockRow = avx2::blockRow;
        }
        return k;
    }();
    return chosen.stemRow ? &chosen : nullptr;
}

#else

const LeadingResidualKernels *leadingResidualKernels()
{
    return nullptr;
}

#endif

} // namespace vardo
