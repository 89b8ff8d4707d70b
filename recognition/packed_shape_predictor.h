#pragma once

#include <dlib/geometry/rectangle.h>
#include <dlib/image_processing/shape_predictor.h>
#include <opencv2/core.hpp>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

namespace vardo {

// dlib's shape predictor (a cascade of regression-tree forests, as in
// "shape_predictor_68_face_landmarks.dat") with its trees packed into flat arrays.
// dlib keeps every leaf of its 7500 trees in a heap block of its own and walks them one
// tree at a time; between two camera frames the face-embedding network pushes all of
// that out of the caches, and the walk then waits on one cache miss after another
// (about 5 ms per face, against 1 ms here). Here the leaves lie in one block (on huge
// pages where the kernel gives them), the trees are walked without branches and eight
// at a time, and the next eight trees' leaves are fetched while these eight are added
// (1.0 ms -> 0.7 ms a face after the networks have run). The sums are formed in dlib's
// order: the points are the same as dlib's, to the bit.
//
// It reads a colour frame as well as a grey one: of a colour frame it turns into grey only
// the 500 pixels a cascade compares, exactly as cv::cvtColor would, instead of the whole
// frame (whose conversion OpenCV hands to a worker thread, which then spins idle for a
// while after every frame).
class PackedShapePredictor {
public:
    PackedShapePredictor();
    ~PackedShapePredictor();
    PackedShapePredictor(PackedShapePredictor &&) noexcept;
    PackedShapePredictor &operator=(PackedShapePredictor &&) noexcept;

    // Reads a file written by dlib::serialize(shape_predictor). Throws
    // dlib::serialization_error (or std::exception) for a file it cannot use; the
    // predictor is then empty.
    void load(const std::filesystem::path &file);

    bool empty() const { return partCount_ == 0; }
    unsigned long partCount() const { return partCount_; }

    // The points dlib::shape_predictor finds for this face box in this image (8-bit grey,
    // or 8-bit BGR, read as cv::cvtColor's COLOR_BGR2GRAY would turn it grey); none for
    // an image of any other kind.
    std::vector<dlib::point> operator()(const cv::Mat &image, const dlib::rectangle &box) const;

    // The grey value cv::cvtColor(COLOR_BGR2GRAY) gives a BGR pixel: fixed-point weights
    // 0.114, 0.587, 0.299 in 15 bits, rounded.
    static unsigned char grayOf(const unsigned char *bgr)
    {
        return static_cast<unsigned char>((3735 * bgr[0] + 19235 * bgr[1] + 9798 * bgr[2] + (1 << 14)) >> 15);
    }

private:
    struct Split {
        std::uint32_t first;  // the two feature pixels compared ...
        std::uint32_t second;
        float threshold;      // ... go left when first - second exceeds this
    };
    std::size_t walk(const std::vector<float> &pixels, const Split *split, const float *treeLeaves, std::size_t first,
                     const float **leaf) const;
    // dlib's extract_feature_pixel_values for one cascade, the same points and values.
    void readFeaturePixels(const cv::Mat &image, const dlib::rectangle &box, const dlib::matrix<float, 0, 1> &shape,
                           std::size_t cascade, std::vector<float> &pixels) const;
    struct FreeLeaves {
        void operator()(float *p) const;
    };

    dlib::matrix<float, 0, 1> initialShape_;
    std::vector<std::vector<unsigned long>> anchorIndices_;
    std::vector<std::vector<dlib::vector<float, 2>>> anchorDeltas_;
    std::vector<Split> splits_;                  // cascade by cascade, tree by tree
    std::unique_ptr<float[], FreeLeaves> leaves_; // the same order, each leaf a whole shape
    std::size_t treesPerCascade_ = 0;
    std::size_t splitsPerTree_ = 0;
    unsigned long partCount_ = 0;
};

} // namespace vardo
