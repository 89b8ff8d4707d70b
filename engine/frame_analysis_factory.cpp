#include "engine/frame_analysis_factory.h"

#include "recognition/frame_analyzer.h"

namespace vardo {

namespace {

// Which camera frames of an empty scene are searched for faces. Once two searched
// frames in a row showed nobody, only every second frame is searched, and the one in
// between reports the empty scene again: someone coming into view is seen at most one
// analysed frame (a sixth of a second) late. While anyone is in view, however small or
// briefly lost, every frame is searched, so the face counts of the shoulder guard and
// the owner's recognition are what they were.
class EmptySceneSchedule {
public:
    bool searchThisFrame()
    {
        skippedLast_ = emptySearches_ >= 2 && !skippedLast_;
        return !skippedLast_;
    }
    void searched(bool sawAnyone) { emptySearches_ = sawAnyone ? 0 : emptySearches_ + 1; }

private:
    int emptySearches_ = 0;
    bool skippedLast_ = false;
};

class RecognitionFrameAnalysis final : public FrameAnalysis {
public:
    explicit RecognitionFrameAnalysis(LogSink &log) : analyzer_(log) { analyzer_.loadDetectionModels(); }

    void loadEmbeddingModel() override { analyzer_.loadEmbeddingModel(); }

    FrameResults analyze(const cv::Mat &bgr, FaceCountUpdate &countUpdate) override
    {
        FrameResults results;
        results.frame = bgr;
        if (!schedule_.searchThisFrame())
            return results;
        analyzer_.embeddingReuse().setAllowed(embeddingNeed() == EmbeddingNeed::recentWillDo);
        AnalysedFrame analysed = analyzer_.analyze(bgr, embeddingsWanted());
        schedule_.searched(analysed.rectangleCount > 0 || analysed.faceCount() > 0);
        countUpdate.due = analysed.isFaceCountUpdateDue();
        countUpdate.faceCount = analysed.rectangleCount;
        results.faceCount = analysed.faceCount();
        results.allEmbeddings = std::move(analysed.allEmbeddings);
        results.openEyeEmbeddings = std::move(analysed.openEyeEmbeddings);
        for (const auto &outcome : analysed.outcomes)
            if (outcome.hasEmbedding && outcome.eyesOpen)
                results.openEyeEmbeddingReused.push_back(outcome.embeddingReused);
        results.observations = std::move(analysed.observations);
        return results;
    }

private:
    FrameAnalyzer analyzer_;
    EmptySceneSchedule schedule_;
};

} // namespace

std::unique_ptr<FrameAnalysis> createFrameAnalysis(LogSink &log)
{
    return std::make_unique<RecognitionFrameAnalysis>(log);
}

} // namespace vardo
