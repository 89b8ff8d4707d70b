#include "recognition/frame_analyzer.h"

#include "recognition/eye_openness.h"

#include <opencv2/imgproc.hpp>

#include <chrono>

namespace vardo {

namespace {

class Stopwatch {
public:
    double lap()
    {
        const auto now = std::chrono::steady_clock::now();
        const double ms = std::chrono::duration<double, std::milli>(now - last_).count();
        last_ = now;
        return ms;
    }

private:
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

} // namespace

FrameAnalyzer::FrameAnalyzer(LogSink &log)
    : log_(log)
{
}

void FrameAnalyzer::loadDetectionModels()
{
    if (!detector_.load(log_))
        log_.write("[FaceID] Using the HOG face detector instead");
    landmarker_.load(log_);
}

bool FrameAnalyzer::loadEmbeddingModel()
{
    return embeddingModel_.load(log_);
}

AnalysedFrame FrameAnalyzer::analyze(const cv::Mat &bgrFrame, bool withEmbeddings)
{
    timing_ = {};
    AnalysedFrame result;
    if (bgrFrame.empty() || bgrFrame.type() != CV_8UC3)
        return result;

    Stopwatch total;
    Stopwatch stage;
    std::vector<DetectedFace> detections;
    FaceLandmarker::BoxAdjustment adjustment = FaceLandmarker::blazeFaceBoxes;
    if (detector_.isLoaded()) {
        detections = detector_.detect(bgrFrame, minimumFaceScore);
    } else {
        cv::cvtColor(bgrFrame, gray_, cv::COLOR_BGR2GRAY);
        detections = hogDetector_.detect(gray_);
        std::erase_if(detections, [](const DetectedFace &f) { return f.score < minimumFaceScore; });
        adjustment = FaceLandmarker::hogBoxes;
    }
    result.rectangleCount = static_cast<int>(detections.size());
    timing_.detection = stage.lap();

    const double frameArea = static_cast<double>(bgrFrame.cols) * bgrFrame.rows;
    for (const auto &detection : detections) {
        if (detection.box.area() / frameArea <= minimumLandmarkFaceArea)
            continue;
        result.observations.push_back(landmarker_.observe(bgrFrame, detection, adjustment));
    }
    timing_.landmarks = stage.lap();
    reuse_.startFrame(bgrFrame.size(), result.observations.size());

    for (const auto &face : result.observations) {
        AnalysedFrame::FaceOutcome outcome;
        outcome.eyesOpen = isEyesOpen(face);
        if (embeddingModel_.isLoaded()) {
            outcome.gate = checkQualityGates(face, log_);
            timing_.gates += stage.lap();
            if (*outcome.gate == FaceGate::ok && withEmbeddings) {
                auto embedding = reuse_.embeddingFor(face, outcome.eyesOpen, outcome.embeddingReused,
                                                     [&] { return embeddingModel_.embed(bgrFrame, face, log_); });
                if (embedding) {
                    outcome.hasEmbedding = true;
                    result.allEmbeddings.push_back(*embedding);
                    if (outcome.eyesOpen)
                        result.openEyeEmbeddings.push_back(std::move(*embedding));
                }
                timing_.embedding += stage.lap();
            }
        }
        result.outcomes.push_back(outcome);
    }
    timing_.total = total.lap();
    return result;
}

} // namespace vardo
