// Hands each analysed frame to face analysis on the processing queue and its results to
// the decision loop on the main thread.

#include "engine/vardo_service.h"

namespace vardo {

void VardoService::loadEmbeddingModel()
{
    if (modules_.frameAnalysis)
        modules_.frameAnalysis->loadEmbeddingModel();
    updateEmbeddingsWanted();
}

void VardoService::updateEmbeddingsWanted()
{
    using Need = FrameAnalysis::EmbeddingNeed;
    if (!modules_.frameAnalysis)
        return;
    Need need = Need::none;
    if (isEnrolling_ || (isOwnerEnrolled_ && isLocked_))
        need = Need::fresh;
    else if (isOwnerEnrolled_)
        need = Need::recentWillDo;
    modules_.frameAnalysis->setEmbeddingNeed(need);
}

void VardoService::analyzeFrame(const cv::Mat &pixels)
{
    FaceCountUpdate countUpdate;
    FrameResults results = modules_.frameAnalysis->analyze(pixels, countUpdate);
    results.frame = pixels;
    if (preview_.isWanted()) {
        std::vector<FaceObservation> faces = results.observations;
        onMain([this, faces = std::move(faces)] { preview_.publishFaces(faces); });
    }
    // For one frame the results are queued before the count update, so they run first.
    onMain([this, results = std::move(results)] { applyFrameResults(results); });
    if (countUpdate.due)
        onMain([this, count = countUpdate.faceCount] { applyFaceCountUpdate(count); });
}

} // namespace vardo
