#include "replay/replay_frame_analysis.h"

namespace vardo {

void ScriptedFrameAnalysis::expect(FrameResults results, FaceCountUpdate countUpdate)
{
    pending_.push_back(Answer{false, std::move(results), countUpdate});
}

void ScriptedFrameAnalysis::expectImage()
{
    pending_.push_back(Answer{true, {}, {}});
}

FrameResults ScriptedFrameAnalysis::analyze(const cv::Mat &bgr, FaceCountUpdate &countUpdate)
{
    ++framesAnalysed_;
    if (pending_.empty())
        return {};
    Answer answer = std::move(pending_.front());
    pending_.pop_front();
    if (answer.fromImage)
        return imageAnalysis_ ? imageAnalysis_->analyze(bgr, countUpdate) : FrameResults{};
    countUpdate = answer.countUpdate;
    return std::move(answer.results);
}

} // namespace vardo
