// The liveness checks at a locked screen: depth from the depth model, the texture of the
// face and a screen or phone outline around it. The decision loop starts them; their
// verdicts come back to the main thread as tasks of their own and count for later
// frames. At a locked screen a matching face counts as the owner only once it has shown
// itself live (livenessShown).

#include "engine/vardo_service.h"

#include "liveness/depth_liveness.h"
#include "liveness/depth_model.h"
#include "liveness/screen_search.h"
#include "liveness/texture_check.h"
#include "platform/clock.h"
#include "platform/log_sink.h"
#include "platform/task_queue.h"
#include "recognition/model_locator.h"

namespace vardo {

namespace {

// Where a user puts a depth model export (see README.md): any monocular relative-depth
// model with the depth model's input and output.
constexpr const char *depthModelFileName = "depth_anything_v2_small.onnx";

} // namespace

void VardoService::loadDepthModel()
{
    if (depthModel_)
        return;
    const auto file = findModelFile(depthModelFileName);
    if (!file) {
        platform_.log.write(std::string("[Depth] Model load failed: no ") + depthModelFileName
                            + " in the models folders");
        return;
    }
    auto loaded = DepthModel::load(*file);
    if (auto *reason = std::get_if<std::string>(&loaded)) {
        platform_.log.write("[Depth] Model load failed: " + *reason);
        return;
    }
    depthModel_ = std::move(std::get<std::unique_ptr<DepthModel>>(loaded));
    platform_.log.write("[Depth] Model loaded successfully");
}

void VardoService::startDepthCheck(const cv::Mat &frame, const FaceObservation &face)
{
    if (!depthModel_ || isCheckingDepth_)
        return;
    cv::Mat input = depthModelInput(frame, face.boundingBox);
    if (input.empty())
        return;
    isCheckingDepth_ = true;
    // One check at a time: the network is not safe to run twice at once. Its slot is
    // released only by its own last task, after the verdict.
    platform_.backgroundQueue.post([this, model = depthModel_, input = std::move(input), alive = alive_,
                                    &main = platform_.mainQueue, episode = lockEpisode_] {
        auto estimate = model->estimate(input);
        std::optional<DepthReading> reading;
        std::string problem;
        if (auto *error = std::get_if<std::string>(&estimate))
            problem = "[Depth] Error: " + *error;
        else if (const cv::Mat &map = std::get<cv::Mat>(estimate); map.empty())
            problem = "[Depth] No output";
        else
            reading = readDepthMap(map);
        auto onMain = [&main, alive](std::function<void()> task) {
            main.post([alive, task = std::move(task)] {
                if (!alive.expired())
                    task();
            });
        };
        onMain([this, reading, problem, episode] {
            if (!problem.empty())
                platform_.log.write(problem);
            if (!reading)
                return;
            platform_.log.write(depthLogLine(*reading));
            // A verdict about the face at an earlier lock says nothing about this one.
            if (reading->real && episode == lockEpisode_) {
                depthLivenessConfirmed_ = true;
                depthCheckTime_ = platform_.clock.now();
            }
        });
        onMain([this] { isCheckingDepth_ = false; });
    });
}

void VardoService::checkTexture(const cv::Rect2d &faceBox, const cv::Mat &frame)
{
    const auto reading = readTexture(frame, faceBox);
    if (!reading)
        return;
    onMain([this, reading = *reading, episode = lockEpisode_] {
        if (episode != lockEpisode_)
            return;
        const TextureStreak streak = afterTextureVerdict({consecutiveTexturePass_, textureCheckPassed_},
                                                         reading.passes, textureFramesNeeded);
        consecutiveTexturePass_ = streak.passesInARow;
        textureCheckPassed_ = streak.passed;
        if (!reading.passes)
            platform_.log.write(textureFailLogLine(reading));
    });
}

void VardoService::detectScreenAroundFace(const cv::Rect2d &faceBox, const cv::Mat &frame)
{
    if (frame.empty())
        return;
    // The camera may reuse its buffer while the search runs.
    platform_.backgroundQueue.post([this, frame = frame.clone(), faceBox, alive = alive_,
                                    &main = platform_.mainQueue, episode = lockEpisode_] {
        const auto finding = screenAroundFace(findRectangles(frame), faceBox);
        if (!finding)
            return;
        main.post([this, alive, finding = *finding, episode] {
            if (alive.expired() || episode != lockEpisode_)
                return;
            platform_.log.write(screenLogLine(finding));
            depthLivenessConfirmed_ = false;
            depthCheckTime_.reset();
            screenFoundTime_ = platform_.clock.now();
        });
    });
}

void VardoService::startLivenessCheckForEnrollment(const FrameResults &frame)
{
    if (depthModel_ && !depthLivenessConfirmed_ && !isCheckingDepth_ && !frame.observations.empty())
        startDepthCheck(frame.frame, frame.observations.front());
}

void VardoService::runLivenessChecks(const FrameResults &frame)
{
    if (frame.observations.empty())
        return;
    const FaceObservation &face = frame.observations.front();
    if (!isCheckingDepth_ && depthModel_)
        startDepthCheck(frame.frame, face);
    checkTexture(face.boundingBox, frame.frame);
    detectScreenAroundFace(face.boundingBox, frame.frame);
}

bool VardoService::livenessShown(double now) const
{
    const auto recent = [now](const std::optional<double> &time) {
        return time && now - *time <= depthValidityWindow;
    };
    if (!textureCheckPassed_ || recent(screenFoundTime_))
        return false;
    return !depthModel_ || (depthLivenessConfirmed_ && recent(depthCheckTime_));
}

} // namespace vardo
