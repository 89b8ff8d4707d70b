#pragma once

#include "recognition/embedding.h"
#include "recognition/face_observation.h"

#include <opencv2/core/mat.hpp>

#include <QtGlobal>

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
};

} // namespace vardo
