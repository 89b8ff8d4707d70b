#include "recognition/packed_shape_predictor.h"

#include <dlib/serialize.h>

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace vardo {

namespace {

constexpr std::size_t hugePageSize = 2 * 1024 * 1024;
// Bounds that no real model comes near (the 68-point one has 15 cascades and 16 M leaf
// values), so that a damaged file cannot ask for absurd amounts of memory.
constexpr unsigned long maximumCascades = 1000;
constexpr std::size_t maximumLeafFloats = std::size_t(1) << 28;
// Trees walked before their leaves are added: enough to keep several cache misses in
// flight at once.
constexpr std::size_t treesAtOnce = 8; // the sum below is written out for eight
constexpr std::size_t cacheLineFloats = 64 / sizeof(float);

} // namespace

void PackedShapePredictor::FreeLeaves::operator()(float *p) const
{
    std::free(p);
}

PackedShapePredictor::PackedShapePredictor() = default;
PackedShapePredictor::~PackedShapePredictor() = default;
PackedShapePredictor::PackedShapePredictor(PackedShapePredictor &&) noexcept = default;
PackedShapePredictor &PackedShapePredictor::operator=(PackedShapePredictor &&) noexcept = default;

void PackedShapePredictor::load(const std::filesystem::path &file)
{
    *this = PackedShapePredictor();

    // dlib::shape_predictor's serialised layout: version, initial shape, the forests (a
    // vector of cascades, each a vector of trees), the feature pixels' anchor points and
    // offsets. The trees are read one at a time into one reused tree and packed straight
    // away: reading them all first would build some 120 000 small heap blocks (70 MB)
    // only to free them again, and the heap they leave behind slowed the networks that
    // ran afterwards by a quarter.
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw dlib::serialization_error("cannot open " + file.string());
    int version = 0;
    dlib::deserialize(version, in);
    if (version != 1)
        throw dlib::serialization_error("not a dlib shape predictor of version 1");
    dlib::matrix<float, 0, 1> initialShape;
    dlib::deserialize(initialShape, in);
    const std::size_t values = static_cast<std::size_t>(initialShape.size());
    if (values == 0 || values % 2 != 0)
        throw dlib::serialization_error("the shape predictor's initial shape is empty or odd");

    unsigned long cascades = 0;
    dlib::deserialize(cascades, in);
    if (cascades == 0 || cascades > maximumCascades)
        throw dlib::serialization_error("the shape predictor has no usable cascades");
    std::size_t trees = 0;
    std::size_t splitsPerTree = 0;
    std::vector<Split> splits;
    std::unique_ptr<float[], FreeLeaves> leaves;
    float *out = nullptr;
    std::vector<std::uint32_t> largestFeature(cascades, 0);
    dlib::impl::regression_tree tree;
    for (unsigned long cascade = 0; cascade < cascades; ++cascade) {
        unsigned long count = 0;
        dlib::deserialize(count, in);
        if (count == 0 || (cascade > 0 && count != trees))
            throw dlib::serialization_error("the shape predictor's cascades differ in size");
        trees = count;
        for (unsigned long t = 0; t < trees; ++t) {
            deserialize(tree, in); // dlib::impl's own, found by argument-dependent lookup
            if (!leaves) {
                splitsPerTree = tree.splits.size();
                const std::size_t leafFloats = cascades * trees * (splitsPerTree + 1) * values;
                if (splitsPerTree == 0 || leafFloats > maximumLeafFloats)
                    throw dlib::serialization_error("the shape predictor's trees are empty or too large");
                const std::size_t bytes = (leafFloats * sizeof(float) + hugePageSize - 1) / hugePageSize * hugePageSize;
                leaves.reset(static_cast<float *>(std::aligned_alloc(hugePageSize, bytes)));
                if (!leaves)
                    throw std::bad_alloc();
                // Only advice: without transparent huge pages the leaves are on small pages.
                ::madvise(leaves.get(), bytes, MADV_HUGEPAGE);
                out = leaves.get();
                splits.reserve(cascades * trees * splitsPerTree);
            }
            if (tree.splits.size() != splitsPerTree || tree.leaf_values.size() != splitsPerTree + 1)
                throw dlib::serialization_error("the shape predictor's trees are not all of one depth");
            for (const auto &split : tree.splits) {
                if (split.idx1 > UINT32_MAX || split.idx2 > UINT32_MAX)
                    throw dlib::serialization_error("a tree reads a feature pixel that does not exist");
                const auto first = static_cast<std::uint32_t>(split.idx1);
                const auto second = static_cast<std::uint32_t>(split.idx2);
                largestFeature[cascade] = std::max({largestFeature[cascade], first, second});
                splits.push_back({first, second, split.thresh});
            }
            for (const auto &leaf : tree.leaf_values) {
                if (static_cast<std::size_t>(leaf.size()) != values)
                    throw dlib::serialization_error("a leaf does not hold a whole shape");
                std::memcpy(out, &leaf(0), values * sizeof(float));
                out += values;
            }
        }
    }

    std::vector<std::vector<unsigned long>> anchorIndices;
    std::vector<std::vector<dlib::vector<float, 2>>> anchorDeltas;
    dlib::deserialize(anchorIndices, in);
    dlib::deserialize(anchorDeltas, in);
    if (anchorIndices.size() != cascades || anchorDeltas.size() != cascades)
        throw dlib::serialization_error("the shape predictor's feature pixels do not match its cascades");
    for (unsigned long c = 0; c < cascades; ++c) {
        if (anchorIndices[c].size() != anchorDeltas[c].size() || largestFeature[c] >= anchorDeltas[c].size())
            throw dlib::serialization_error("a tree reads a feature pixel that does not exist");
        if (std::any_of(anchorIndices[c].begin(), anchorIndices[c].end(),
                        [&](unsigned long a) { return a >= values / 2; }))
            throw dlib::serialization_error("a feature pixel is anchored to a point that does not exist");
    }

    initialShape_ = std::move(initialShape);
    anchorIndices_ = std::move(anchorIndices);
    anchorDeltas_ = std::move(anchorDeltas);
    splits_ = std::move(splits);
    leaves_ = std::move(leaves);
    treesPerCascade_ = trees;
    splitsPerTree_ = splitsPerTree;
    partCount_ = static_cast<unsigned long>(values / 2);
}

// Walks up to treesAtOnce trees of a cascade from `first` on (splits and leaves point at
// the cascade's first tree); their leaves go to `leaf`. How many trees were walked.
std::size_t PackedShapePredictor::walk(const std::vector<float> &pixels, const Split *split, const float *treeLeaves,
                                       std::size_t first, const float **leaf) const
{
    const std::size_t values = static_cast<std::size_t>(initialShape_.size());
    const std::size_t treeStride = (splitsPerTree_ + 1) * values;
    const std::size_t count = std::min(treesAtOnce, treesPerCascade_ - first);
    split += first * splitsPerTree_;
    treeLeaves += first * treeStride;
    for (std::size_t t = 0; t < count; ++t, split += splitsPerTree_, treeLeaves += treeStride) {
        // dlib's walk: node i's children are 2i + 1 (taken when the difference exceeds
        // the threshold) and 2i + 2.
        std::size_t node = 0;
        while (node < splitsPerTree_) {
            const Split &s = split[node];
            node = 2 * node + 2 - static_cast<std::size_t>(pixels[s.first] - pixels[s.second] > s.threshold);
        }
        leaf[t] = treeLeaves + (node - splitsPerTree_) * values;
    }
    return count;
}

void PackedShapePredictor::readFeaturePixels(const cv::Mat &image, const dlib::rectangle &box,
                                             const dlib::matrix<float, 0, 1> &shape, std::size_t cascade,
                                             std::vector<float> &pixels) const
{
    const dlib::matrix<float, 2, 2> tform =
        dlib::matrix_cast<float>(dlib::impl::find_tform_between_shapes(initialShape_, shape).get_m());
    const dlib::point_transform_affine toImage = dlib::impl::unnormalizing_tform(box);
    const dlib::rectangle area(0, 0, image.cols - 1, image.rows - 1);
    const bool colour = image.channels() == 3;
    const auto &anchors = anchorIndices_[cascade];
    const auto &deltas = anchorDeltas_[cascade];
    pixels.resize(deltas.size());
    for (std::size_t i = 0; i < deltas.size(); ++i) {
        const dlib::point p = toImage(tform * deltas[i] + dlib::impl::location(shape, anchors[i]));
        if (!area.contains(p)) {
            pixels[i] = 0;
            continue;
        }
        const unsigned char *row = image.ptr<unsigned char>(static_cast<int>(p.y()));
        pixels[i] = colour ? grayOf(row + 3 * p.x()) : row[p.x()];
    }
}

std::vector<dlib::point> PackedShapePredictor::operator()(const cv::Mat &image, const dlib::rectangle &box) const
{
    if (empty() || (image.type() != CV_8UC1 && image.type() != CV_8UC3))
        return {};
    const std::size_t values = static_cast<std::size_t>(initialShape_.size());
    const std::size_t treeStride = (splitsPerTree_ + 1) * values;

    dlib::matrix<float, 0, 1> shape = initialShape_;
    std::vector<float> pixels;
    const Split *split = splits_.data();
    const float *treeLeaves = leaves_.get();
    for (std::size_t cascade = 0; cascade < anchorIndices_.size(); ++cascade) {
        readFeaturePixels(image, box, shape, cascade, pixels);
        float *sum = &shape(0);
        // The trees of the next group are walked, and their leaves asked of memory, before
        // this group's leaves are added: the fetch overlaps the adding, where the leaves
        // would otherwise come in cold from the networks' run one cache miss at a time.
        const float *leaves[2][treesAtOnce];
        std::size_t counts[2] = {walk(pixels, split, treeLeaves, 0, leaves[0]), 0};
        for (std::size_t tree = 0, group = 0; tree < treesPerCascade_; tree += treesAtOnce, group ^= 1) {
            const std::size_t count = counts[group];
            const float *const *leaf = leaves[group];
            if (tree + treesAtOnce < treesPerCascade_) {
                counts[group ^ 1] = walk(pixels, split, treeLeaves, tree + treesAtOnce, leaves[group ^ 1]);
                for (std::size_t t = 0; t < counts[group ^ 1]; ++t) {
                    const float *next = leaves[group ^ 1][t];
                    for (std::size_t k = 0; k < values; k += cacheLineFloats)
                        __builtin_prefetch(next + k);
                    __builtin_prefetch(next + values - 1);
                }
            }
            // Added tree after tree, as dlib does, so that the rounding is the same.
            if (count == treesAtOnce) {
                for (std::size_t k = 0; k < values; ++k)
                    sum[k] = sum[k] + leaf[0][k] + leaf[1][k] + leaf[2][k] + leaf[3][k] + leaf[4][k] + leaf[5][k]
                             + leaf[6][k] + leaf[7][k];
            } else {
                for (std::size_t t = 0; t < count; ++t)
                    for (std::size_t k = 0; k < values; ++k)
                        sum[k] += leaf[t][k];
            }
        }
        split += treesPerCascade_ * splitsPerTree_;
        treeLeaves += treesPerCascade_ * treeStride;
    }

    const dlib::point_transform_affine toImage = dlib::impl::unnormalizing_tform(box);
    std::vector<dlib::point> parts(partCount_);
    for (unsigned long i = 0; i < partCount_; ++i)
        parts[i] = toImage(dlib::impl::location(shape, i));
    return parts;
}

} // namespace vardo
