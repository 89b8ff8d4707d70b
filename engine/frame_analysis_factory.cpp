#include "engine/frame_analysis_factory.h"

#include "recognition/frame_analyzer.h"

namespace vardo {

namespace {

class RecognitionFrameAnalysis final : public FrameAnalysis {
public:
    explicit RecognitionFrameAnalysis(LogSink &log) : analyzer_(log) { analyzer_.loadDetectionModels(); }

    void loadEmbeddingModel() override { analyzer_.loadEmbeddingModel(); }

    FrameResults analyze(const cv::Mat &bgr, FaceCountUpdate &countUpdate) override
    {
        AnalysedFrame analysed = analyzer_.analyze(bgr, embeddingsWanted());
        countUpdate.due = analysed.isFaceCountUpdateDue();
        countUpdate.faceCount = analysed.rectangleCount;
        FrameResults results;
        results.faceCount = analysed.faceCount();
        results.allEmbeddings = std::move(analysed.allEmbeddings);
        results.openEyeEmbeddings = std::move(analysed.openEyeEmbeddings);
        results.observations = std::move(analysed.observations);
        results.frame = bgr;
        return results;
    }

private:
    FrameAnalyzer analyzer_;
};

} // namespace

std::unique_ptr<FrameAnalysis> createFrameAnalysis(LogSink &log)
{
    return std::make_unique<RecognitionFrameAnalysis>(log);
}

} // namespace vardo
