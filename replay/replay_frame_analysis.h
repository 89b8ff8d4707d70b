#pragma once

#include "engine/frame_analysis.h"

#include <deque>

namespace vardo {

// Face analysis that reports what it is told to: each analysed frame takes the next
// queued answer. An answer queued with expectImage() is worked out by a real analysis
// from the frame's own pixels. Used by the headless replay and the engine's tests, so
// that scripted frames travel the real road: camera, processing queue, main queue.
class ScriptedFrameAnalysis final : public FrameAnalysis {
public:
    // The analysis for expectImage() answers; must outlive this object.
    void setImageAnalysis(FrameAnalysis *analysis) { imageAnalysis_ = analysis; }

    void expect(FrameResults results, FaceCountUpdate countUpdate = {});
    void expectImage();
    // Drops answers no analysed frame came for (the camera was not running).
    void clear() { pending_.clear(); }
    std::size_t pendingCount() const { return pending_.size(); }
    int framesAnalysed() const { return framesAnalysed_; }

    // Scripted answers need no model.
    void loadEmbeddingModel() override {}
    // A frame nobody announced shows no faces.
    FrameResults analyze(const cv::Mat &bgr, FaceCountUpdate &countUpdate) override;

private:
    struct Answer {
        bool fromImage = false;
        FrameResults results;
        FaceCountUpdate countUpdate;
    };
    std::deque<Answer> pending_;
    FrameAnalysis *imageAnalysis_ = nullptr;
    int framesAnalysed_ = 0;
};

} // namespace vardo
