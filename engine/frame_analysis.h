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
    std::vector<FaceObservation> observations;
    cv::Mat frame;
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

    // Whether anyone will read the embeddings: only matching (an enrolled owner) and
    // enrolment do, and the embedding is the dearest step of a frame. Without them faces
    // are still found, counted and gated. Set on the main thread, read on the
    // processing queue: a frame analysed just before a change is simply one frame late.
    void setEmbeddingsWanted(bool wanted) { embeddingsWanted_.store(wanted, std::memory_order_relaxed); }
    bool embeddingsWanted() const { return embeddingsWanted_.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> embeddingsWanted_{true};
};

} // namespace vardo
