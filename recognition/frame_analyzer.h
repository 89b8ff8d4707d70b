#pragma once

#include "platform/log_sink.h"
#include "recognition/blazeface_detector.h"
#include "recognition/embedding.h"
#include "recognition/embedding_reuse.h"
#include "recognition/face_embedding_model.h"
#include "recognition/face_landmarker.h"
#include "recognition/face_observation.h"
#include "recognition/hog_face_detector.h"
#include "recognition/quality_gates.h"

#include <opencv2/core.hpp>

#include <optional>
#include <vector>

namespace vardo {

// What one analysed camera frame shows.
struct AnalysedFrame {
    // Faces of the landmark detector, in detector order, whether or not they passed the
    // quality gates.
    std::vector<FaceObservation> observations;
    // One embedding per face that passed every gate, in detector order.
    std::vector<Embedding> allEmbeddings;
    // The embeddings of those faces judged eyes-open (or without eye outlines).
    std::vector<Embedding> openEyeEmbeddings;
    // The second, rectangle count: every face the detector is sure of, however small.
    int rectangleCount = 0;

    // Per observation, the same order: how it fared.
    struct FaceOutcome {
        bool eyesOpen = true;
        std::optional<FaceGate> gate; // empty when the embedding model is not loaded
        bool hasEmbedding = false;
        bool embeddingReused = false; // taken from an earlier frame, not computed on this one
    };
    std::vector<FaceOutcome> outcomes;

    int faceCount() const { return static_cast<int>(observations.size()); }
    // The rectangle count is passed on when it saw faces the landmark detector did not.
    bool isFaceCountUpdateDue() const
    {
        return (observations.empty() && rectangleCount > 0) || faceCount() < rectangleCount;
    }
};

// Where one analysis spent its time, in milliseconds.
struct FrameAnalysisTiming {
    double detection = 0.0;
    double landmarks = 0.0;
    double gates = 0.0;
    double embedding = 0.0;
    double total = 0.0;
};

// Turns a camera frame into an AnalysedFrame: one run of the face detector serves both
// counts; faces covering more than 2 % of the frame are outlined (the landmark
// detector's faces), judged eyes-open or not, gated and embedded (or, when the caller
// allows it, given the embedding of the same unmoved face of the frame before: see
// EmbeddingReuse). Plain and synchronous; not thread-safe: run one instance on one
// thread (the processing queue).
class FrameAnalyzer {
public:
    // A detection is a face at this probability and above (true faces score about 0.8
    // and more, the best false ones near 0.6).
    static constexpr float minimumFaceScore = 0.7f;
    // Smaller faces are left to the rectangle count, so that someone watching from
    // further away adds to it and can raise the shoulder guard.
    static constexpr double minimumLandmarkFaceArea = 0.02;

    explicit FrameAnalyzer(LogSink &log);

    // The face detector and the landmark model. Without the detector network the HOG
    // detector is used (slower, faces from about 80 pixels), after a log line.
    void loadDetectionModels();
    // The embedding model, with its "[FaceID] ..." load line.
    bool loadEmbeddingModel();

    FaceEmbeddingModel &embeddingModel() { return embeddingModel_; }
    BlazeFaceDetector &detector() { return detector_; }
    FaceLandmarker &landmarker() { return landmarker_; }
    EmbeddingReuse &embeddingReuse() { return reuse_; }

    // Analyses one BGR frame (8-bit, 3 channels). An empty or unusable frame yields an
    // empty analysis. Without embeddings the faces are still outlined and gated.
    AnalysedFrame analyze(const cv::Mat &bgrFrame, bool withEmbeddings = true);

    const FrameAnalysisTiming &lastTiming() const { return timing_; }

private:
    LogSink &log_;
    BlazeFaceDetector detector_;
    HogFaceDetector hogDetector_;
    FaceLandmarker landmarker_;
    FaceEmbeddingModel embeddingModel_;
    EmbeddingReuse reuse_;
    FrameAnalysisTiming timing_;
    // The grey frame the HOG detector searches, kept for the next one rather than
    // allocated anew (on a main thread a fresh frame's worth of memory costs more in page
    // faults than the conversion). The landmarks read the colour frame.
    cv::Mat gray_;
};

} // namespace vardo
