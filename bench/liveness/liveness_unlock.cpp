// The whole engine at a locked screen, on virtual time, with the application's own face
// analysis: the owner's photos filling the camera's view (the owner in person, as near as
// the test data comes) and the same photos shown on a phone, a monitor or as a print.
// For each, whether ten seconds of frames open the lock, and how many analysed frames
// after the first matching one it took.
//
//   liveness_unlock

#include "liveness_scenes.h"

#include "engine/frame_analysis_factory.h"
#include "engine/vardo_service.h"
#include "platform/fakes/memory_log.h"
#include "recognition/frame_analyzer.h"
#include "replay/simulated_platform.h"

#include <opencv2/imgcodecs.hpp>

#include <cstdio>
#include <string>

using namespace vardo;
using namespace vardo::bench;

namespace {

constexpr double start = 1772442000.0;
constexpr int framesShown = 60; // ten seconds of analysed frames

// Analysed frames from the first matching one to the unlock; -1 when it never opened,
// -2 when no frame matched at all.
int framesToUnlock(FrameAnalysis &analysis, const std::vector<Embedding> &enrolled, const cv::Mat &frame)
{
    SimulatedPlatform platform(start);
    const CameraDevice camera{"/dev/video0", "Bench Camera", true};
    platform.camera.devices = {camera};
    platform.camera.front = camera;
    platform.defaults.setBool("vardo_enabled", true);
    platform.defaults.setBool("vardo_onboarding_done", true);
    VardoService service(platform.services(), platform.modules(&analysis));
    platform.time.runUntilIdle();
    service.seedEnrolledSet(enrolled);
    platform.camera.framePixels = cv::Mat(480, 640, CV_8UC3, cv::Scalar(90, 100, 110));
    platform.camera.deliverFrames(5);
    platform.time.advanceBy(11.0);
    if (!service.isLocked())
        return -3;
    platform.camera.framePixels = frame;
    int firstMatch = 0;
    for (int i = 1; i <= framesShown; ++i) {
        platform.camera.deliverFrames(5);
        platform.time.advanceBy(1.0 / 6.0);
        // The balanced level's threshold, the default.
        if (!firstMatch && service.lastMatchConfidence() >= 0.55)
            firstMatch = i;
        if (!service.isLocked())
            return firstMatch ? i - firstMatch + 1 : i;
    }
    return firstMatch ? -1 : -2;
}

} // namespace

int main()
{
    MemoryLog log;
    FrameAnalyzer analyzer(log);
    analyzer.loadDetectionModels();
    if (!analyzer.detector().isLoaded() || !analyzer.loadEmbeddingModel()) {
        std::fprintf(stderr, "the face models are missing: run tools/models/build-models\n");
        return 1;
    }
    const std::string testdata = VARDO_TESTDATA_DIR;
    const auto analysis = createFrameAnalysis(log);
    analysis->loadEmbeddingModel();
    const std::vector<Scene> real = realFaceScenes(testdata);
    const std::vector<Scene> spoofs = spoofScenes(testdata);
    int ownerOpened = 0, ownerMatched = 0, spoofsOpened = 0, spoofsMatched = 0, spoofsShown = 0;
    for (const std::string person : {"Barack_Obama", "Joe_Biden", "John_Savage", "John_Salley", "John_Schneider"}) {
        // The owner enrolled from all of their frames filling the view.
        std::vector<Embedding> enrolled;
        std::vector<const Scene *> owner;
        for (const Scene &scene : real)
            if (scene.name.rfind(person + "/", 0) == 0) {
                const AnalysedFrame analysed = analyzer.analyze(scene.frame);
                // A frame without an eyes-open face can never be recognised, live or not.
                if (analysed.openEyeEmbeddings.empty()) {
                    std::printf("owner  %-42s no eyes-open face\n", scene.name.c_str());
                    continue;
                }
                owner.push_back(&scene);
                enrolled.insert(enrolled.end(), analysed.openEyeEmbeddings.begin(), analysed.openEyeEmbeddings.end());
            }
        std::printf("%s: %zu embeddings enrolled\n", person.c_str(), enrolled.size());
        if (enrolled.empty())
            continue; // none of the frames gives an eyes-open face: nobody to recognise
        for (const Scene *scene : owner) {
            const int frames = framesToUnlock(*analysis, enrolled, scene->frame);
            ownerMatched += frames != -2;
            ownerOpened += frames > 0;
            std::printf("owner  %-42s %s\n", scene->name.c_str(),
                        frames > 0 ? ("opened on frame " + std::to_string(frames) + " from the first match").c_str()
                        : frames == -2 ? "never matched" : "STAYED LOCKED");
        }
        for (const Scene &scene : spoofs) {
            if (scene.name.find(":" + person + "/") == std::string::npos)
                continue;
            const int frames = framesToUnlock(*analysis, enrolled, scene.frame);
            ++spoofsShown;
            spoofsOpened += frames > 0;
            spoofsMatched += frames != -2;
            std::printf("spoof  %-42s %s\n", scene.name.c_str(),
                        frames > 0 ? "OPENED" : frames == -2 ? "never matched" : "stayed locked");
        }
    }
    std::printf("owner: %d frames matched, %d opened the lock\n", ownerMatched, ownerOpened);
    std::printf("spoofs: %d shown, %d matched the owner, %d opened the lock\n", spoofsShown, spoofsMatched, spoofsOpened);
    return 0;
}
