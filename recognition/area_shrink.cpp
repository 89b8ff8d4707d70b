#include "recognition/area_shrink.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace vardo {

namespace {

// Output rows shrunk at a time: 32 rows of a 640-pixel frame are 240 kB of floats.
constexpr int bandRows = 32;

// Adds each share's row of `in` (rows of `width` values) into its row of `out`, whose
// first row is output line `first`.
template <typename Value>
void addRows(const Value *in, std::size_t inStride, float *out, std::size_t width,
             std::span<const AreaShrink::Share> shares, int first)
{
    for (const auto &s : shares) {
        const Value *from = in + static_cast<std::size_t>(s.from) * inStride;
        float *to = out + static_cast<std::size_t>(s.to - first) * width;
        const float weight = s.weight;
        for (std::size_t x = 0; x < width; ++x)
            to[x] += weight * static_cast<float>(from[x]);
    }
}

} // namespace

// Input line k spans [k, k + 1); output line i spans [i * scale, (i + 1) * scale) of the
// input. Each input line goes to the one or two outputs it overlaps, weighed by the
// overlap over scale, so that every output's weights sum to one.
std::vector<AreaShrink::Share> AreaShrink::sharesOf(int inputLength, int outputLength)
{
    std::vector<Share> shares;
    const double scale = static_cast<double>(inputLength) / outputLength;
    for (int i = 0; i < outputLength; ++i) {
        const double start = i * scale;
        const double end = std::min<double>((i + 1) * scale, inputLength);
        for (int k = static_cast<int>(std::floor(start)); k < end; ++k) {
            const double overlap = std::min<double>(k + 1, end) - std::max<double>(k, start);
            if (overlap > 1e-6)
                shares.push_back({k, i, static_cast<float>(overlap / scale)});
        }
    }
    return shares;
}

void AreaShrink::operator()(const cv::Mat &src, cv::Mat &dst)
{
    CV_Assert(src.depth() == CV_8U && dst.type() == src.type() && !dst.empty() && dst.cols <= src.cols
              && dst.rows <= src.rows);
    if (src.size() != from_ || dst.size() != to_) {
        from_ = src.size();
        to_ = dst.size();
        down_ = sharesOf(src.rows, dst.rows);
        across_ = sharesOf(src.cols, dst.cols);
    }
    const int channels = src.channels();
    const auto floats = CV_MAKETYPE(CV_32F, channels);

    // Band by band of output rows, so that the intermediates stay small and in the cache.
    auto share = down_.begin();
    for (int top = 0; top < dst.rows; top += bandRows) {
        const int rows = std::min(bandRows, dst.rows - top);
        // Down the columns: the band's rows x input columns.
        rows_.create(rows, src.cols, floats);
        rows_.setTo(cv::Scalar::all(0));
        auto bandEnd = share;
        while (bandEnd != down_.end() && bandEnd->to < top + rows)
            ++bandEnd;
        addRows(src.ptr<uchar>(), src.step1(), rows_.ptr<float>(), rows_.step1(), {share, bandEnd}, top);
        share = bandEnd;

        // Across them, as down the columns of the transposed band: output columns x rows.
        cv::transpose(rows_, turned_);
        columns_.create(dst.cols, rows, floats);
        columns_.setTo(cv::Scalar::all(0));
        addRows(turned_.ptr<float>(), turned_.step1(), columns_.ptr<float>(), columns_.step1(), across_, 0);

        cv::transpose(columns_, shrunk_);
        cv::Mat band = dst.rowRange(top, top + rows);
        shrunk_.convertTo(band, dst.type());
    }
}

} // namespace vardo
