// Runs the texture and screen checks on real faces and on pictures of faces, through the
// application's own face detector, and prints how often each check fires.
//
//   liveness_measure [--confidence C] [--faces DIR] [--scenes DIR] [--verbose]
//
// --faces writes every detected face (the box with a fifth of a margin) as
// real_N.png / spoof_N.png for measuring other classifiers on the same faces;
// --scenes writes the composed frames. --confidence replaces the rectangle search's
// minimum confidence, for choosing it.

#include "liveness_scenes.h"

#include "liveness/screen_search.h"
#include "liveness/texture_check.h"
#include "platform/fakes/memory_log.h"
#include "recognition/frame_analyzer.h"

#include <opencv2/imgcodecs.hpp>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace vardo;
using namespace vardo::bench;

namespace {

struct Tally {
    int frames = 0, faces = 0, texturePass = 0, textureFail = 0, textureNone = 0, screen = 0, eitherCheck = 0;
};

void run(const char *label, const std::vector<Scene> &scenes, FrameAnalyzer &analyzer, const char *facesDir,
         const char *scenesDir, bool verbose, const RectangleSearch &search, Tally &tally)
{
    int written = 0;
    for (const Scene &scene : scenes) {
        ++tally.frames;
        if (scenesDir)
            cv::imwrite(std::string(scenesDir) + "/" + label + "_" + std::to_string(tally.frames) + ".jpg", scene.frame);
        const AnalysedFrame analysed = analyzer.analyze(scene.frame);
        const auto rectangles = findRectangles(scene.frame, search);
        for (const FaceObservation &face : analysed.observations) {
            ++tally.faces;
            const auto texture = readTexture(scene.frame, face.boundingBox);
            const auto screen = screenAroundFace(rectangles, face.boundingBox);
            if (!texture)
                ++tally.textureNone;
            else if (texture->passes)
                ++tally.texturePass;
            else
                ++tally.textureFail;
            tally.screen += screen ? 1 : 0;
            tally.eitherCheck += (texture && !texture->passes) || screen ? 1 : 0;
            if (verbose)
                std::printf("%s %-28s box %.2f,%.2f %.2fx%.2f texture %s var %.0f bright %.3f screen %s\n", label,
                            scene.name.c_str(), face.boundingBox.x, face.boundingBox.y, face.boundingBox.width,
                            face.boundingBox.height, !texture ? "none" : texture->passes ? "pass" : "FAIL",
                            texture ? texture->variance : 0.0, texture ? texture->brightRatio : 0.0,
                            screen ? "FOUND" : "-");
            if (facesDir) {
                const cv::Rect2d b = face.boundingBox;
                const double w = scene.frame.cols, h = scene.frame.rows;
                cv::Rect crop(cv::Point(static_cast<int>((b.x - 0.2 * b.width) * w),
                                        static_cast<int>((1.0 - b.y - 1.2 * b.height) * h)),
                              cv::Size(static_cast<int>(1.4 * b.width * w), static_cast<int>(1.4 * b.height * h)));
                crop &= cv::Rect(0, 0, scene.frame.cols, scene.frame.rows);
                if (!crop.empty())
                    cv::imwrite(std::string(facesDir) + "/" + label + "_" + std::to_string(written++) + ".png",
                                scene.frame(crop));
            }
        }
    }
    std::printf("%-6s frames %3d faces %3d | texture pass %3d fail %3d no verdict %3d (fail rate %.1f %% of verdicts)"
                " | screen found %3d (%.1f %%) | failed either %3d (%.1f %%)\n",
                label, tally.frames, tally.faces, tally.texturePass, tally.textureFail, tally.textureNone,
                100.0 * tally.textureFail / std::max(1, tally.texturePass + tally.textureFail), tally.screen,
                100.0 * tally.screen / std::max(1, tally.faces), tally.eitherCheck,
                100.0 * tally.eitherCheck / std::max(1, tally.faces));
}

} // namespace

int main(int argc, char **argv)
{
    const char *facesDir = nullptr, *scenesDir = nullptr;
    bool verbose = false;
    RectangleSearch search;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--faces") && i + 1 < argc)
            facesDir = argv[++i];
        else if (!std::strcmp(argv[i], "--scenes") && i + 1 < argc)
            scenesDir = argv[++i];
        else if (!std::strcmp(argv[i], "--confidence") && i + 1 < argc)
            search.minimumConfidence = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--verbose"))
            verbose = true;
    }
    MemoryLog log;
    FrameAnalyzer analyzer(log);
    analyzer.loadDetectionModels();
    if (!analyzer.detector().isLoaded()) {
        std::fprintf(stderr, "blazeface.onnx not found: run tools/models/build-models\n");
        return 1;
    }
    Tally real, spoof;
    run("real", realFaceScenes(VARDO_TESTDATA_DIR), analyzer, facesDir, scenesDir, verbose, search, real);
    run("spoof", spoofScenes(VARDO_TESTDATA_DIR), analyzer, facesDir, scenesDir, verbose, search, spoof);
    return 0;
}
