#include "recognition/embedding_reuse.h"

namespace vardo {

namespace {

double overlap(const cv::Rect2d &a, const cv::Rect2d &b)
{
    const double common = (a & b).area();
    const double both = a.area() + b.area() - common;
    return both > 0.0 ? common / both : 0.0;
}

} // namespace

void EmbeddingReuse::startFrame(cv::Size frameSize, std::size_t faceCount)
{
    earlier_ = std::move(current_);
    current_.clear();
    if (!allowed_ || frameSize != frameSize_ || faceCount != faceCount_)
        earlier_.clear();
    frameSize_ = frameSize;
    faceCount_ = faceCount;
}

EmbeddingReuse::Kept *EmbeddingReuse::earlierFor(const FaceObservation &face, bool eyesOpen)
{
    Kept *best = nullptr;
    double bestOverlap = minimumOverlap;
    for (Kept &kept : earlier_) {
        if (kept.taken || kept.age >= maximumAge || (eyesOpen && !kept.eyesOpen))
            continue;
        const double o = overlap(kept.computedFrom, face.boundingBox);
        if (o >= bestOverlap) {
            best = &kept;
            bestOverlap = o;
        }
    }
    return best;
}

std::optional<Embedding> EmbeddingReuse::embeddingFor(const FaceObservation &face, bool eyesOpen, bool &reused,
                                                      const std::function<std::optional<Embedding>()> &computeFresh)
{
    reused = false;
    if (Kept *kept = earlierFor(face, eyesOpen)) {
        kept->taken = true;
        reused = true;
        Kept next = *kept;
        next.taken = false;
        ++next.age;
        current_.push_back(next);
        return kept->embedding;
    }
    std::optional<Embedding> fresh = computeFresh();
    if (fresh)
        current_.push_back({face.boundingBox, eyesOpen, *fresh, 0, false});
    return fresh;
}

} // namespace vardo
