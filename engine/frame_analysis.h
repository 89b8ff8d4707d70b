#pragma once

#include "recognition/embedding.h"
#include "recognition/face_observation.h"

#include <opencv2/core/mat.hpp>

#include <QtGlobal>

#include <atomic>
#include <vector>

namespace vardo {

// What one analysed frame shows, handed from the processing queue to the decision loop.
struct FrameResults {
    qint64 faceCount = 0;                     // faces the landmark detector found, gated or not
    std::vector<Embedding> allEmbeddings;     // one per face that passed the quality gates
    std::vector<Embedding> openEyeEmbeddings; // those of them with open eyes, same order
    std::vector<bool> openEyeEmbeddingReused; // per open-eye embedding: an earlier frame's
    std::vector<FaceObservation> observations;
    cv::Mat frame;

    bool isReusedOpenEyeEmbedding(std::ptrdiff_t index) const
    {
        return index >= 0 && static_cast<std::size_t>(index) < openEyeEmbeddingReused.size()
            && openEyeEmbeddingReused[static_cast<std::size_t>(index)];
    }
};

// The second, cheaper count of the same frame, sent only when it sees more faces.
struct FaceCountUpdate {
    bool due = false;
    qint64 faceCount = 0;
};

// Turns one camera frame into faces and embeddings. Runs on the processing queue.
class FrameAnalysis {
public:
    virtual ~FrameAnalysis() = default;
    // Loads the embedding model once, at start-up, and logs the outcome. Without it
    // faces are still found and counted, but none yields an embedding.
    virtual void loadEmbeddingModel() = 0;
    virtual FrameResults analyze(const cv::Mat &bgr, FaceCountUpdate &countUpdate) = 0;

    // What the embeddings are for. Only matching (an enrolled owner) and enrolment read
    // them, and the embedding is the dearest step of a frame: without a reader faces are
    // still found, counted and gated, but none is embedded. A watched, unlocked screen
    // only needs to know whether the owner is still there, so a face that has not moved
    // may keep its embedding of an earlier frame (about a second at most); enrolment and
    // unlocking get faces embedded on the frame itself.
    //
    // Set on the main thread, read on the processing queue: a frame analysed just after
    // a change still follows the old need. After a lock that is at most one frame with
    // an embedding of the same, unmoved face from the second before; unlocking needs
    // three matching frames in a row and, at the locked screen, liveness, so one such
    // frame cannot let anyone in.
    enum class EmbeddingNeed { none, recentWillDo, fresh };
    void setEmbeddingNeed(EmbeddingNeed need) { embeddingNeed_.store(need, std::memory_order_relaxed); }
    EmbeddingNeed embeddingNeed() const { return embeddingNeed_.load(std::memory_order_relaxed); }
    bool embeddingsWanted() const { return embeddingNeed() != EmbeddingNeed::none; }

private:
    std::atomic<EmbeddingNeed> embeddingNeed_{EmbeddingNeed::fresh};
};

} // namespace vardo
