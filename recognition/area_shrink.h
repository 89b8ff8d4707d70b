#pragma once

#include <opencv2/core.hpp>

#include <vector>

namespace vardo {

// Shrinks 8-bit images by area averaging, as cv::resize with INTER_AREA does (each output
// pixel the mean of the input it covers, pixels on its edges weighed by the part
// covered), to within one level. OpenCV runs a factor that is not whole through a table
// of single values: 1 ms for a camera frame to the face detector's input. Here whole
// rows are weighed and added, a loop the compiler vectorises: down the columns, then
// down the columns of the transposed result, a band of output rows at a time so that
// the intermediates stay in the cache. A third of the time. The buffers are kept from
// one call to the next. Not thread-safe: one instance per thread.
class AreaShrink {
public:
    // Writes src (8-bit, any channel count) shrunk to dst's size into dst, which must be
    // of src's type and no larger than src either way.
    void operator()(const cv::Mat &src, cv::Mat &dst);

    // For one axis: an input line adds `weight` of itself to an output line.
    struct Share {
        int from = 0;
        int to = 0;
        float weight = 0.0f;
    };

private:
    static std::vector<Share> sharesOf(int inputLength, int outputLength);

    // Kept from one call to the next, as the sizes rarely change.
    cv::Size from_;
    cv::Size to_;
    std::vector<Share> down_;   // rows into rows
    std::vector<Share> across_; // columns into columns
    // One band of output rows on its way, in floats:
    cv::Mat rows_;    // shrunk down: the band's rows x input columns
    cv::Mat turned_;  // transposed: input columns x the band's rows
    cv::Mat columns_; // shrunk across as well: output columns x the band's rows
    cv::Mat shrunk_;  // turned back
};

} // namespace vardo
