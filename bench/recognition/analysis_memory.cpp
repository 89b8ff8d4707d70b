// analysis_memory: what the recognition models take in memory, and whether the analysis
// keeps its footprint over a long watch. Prints the process's resident memory after each
// model loads, then pushes frames of the recorded clip (looped, every frame analysed with
// embeddings, as fast as they go) through the real pipeline on a thread of its own, as
// the processing queue runs it, and prints the resident memory every 1800 frames: at six
// analysed frames a second, 21 600 frames (the default) are an hour of watching.
//
//   analysis_memory [FRAMES]

#include "platform/camera_frame.h"
#include "recognition/frame_analyzer.h"

#include <opencv2/videoio.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>

namespace {

class DiscardLog final : public vardo::LogSink {
public:
    void write(std::string_view) override {}
};

// Resident and proportional set sizes in MiB, from /proc/self/smaps_rollup.
std::pair<double, double> residentMiB()
{
    std::ifstream in("/proc/self/smaps_rollup");
    std::string key;
    double rss = 0, pss = 0, kib = 0;
    std::string unit;
    while (in >> key) {
        if (key == "Rss:" && in >> kib >> unit)
            rss = kib / 1024;
        else if (key == "Pss:" && in >> kib >> unit)
            pss = kib / 1024;
        else
            in.ignore(1 << 20, '\n');
    }
    return {rss, pss};
}

double last = 0;

void report(const char *what)
{
    const auto [rss, pss] = residentMiB();
    std::printf("%-44s RSS %6.1f MiB (%+6.1f)  PSS %6.1f MiB\n", what, rss, rss - last, pss);
    std::fflush(stdout);
    last = rss;
}

} // namespace

int main(int argc, char **argv)
{
    const long frames = argc > 1 ? std::atol(argv[1]) : 21600;
    const std::string clip = VARDO_TESTDATA_DIR "/video/short_hamilton_clip.mp4";
    std::thread processingQueue([&] {
        report("start");
        DiscardLog quiet;
        vardo::FrameAnalyzer analyzer(quiet);
        report("analyser made, nothing loaded");
        if (!analyzer.detector().load(quiet)) {
            std::fprintf(stderr, "analysis_memory: face detector missing\n");
            std::exit(1);
        }
        report("face detector loaded");
        if (!analyzer.landmarker().load(quiet)) {
            std::fprintf(stderr, "analysis_memory: landmark model missing\n");
            std::exit(1);
        }
        report("landmark model loaded");
        if (!analyzer.loadEmbeddingModel()) {
            std::fprintf(stderr, "analysis_memory: embedding model missing\n");
            std::exit(1);
        }
        report("embedding model loaded");

        cv::VideoCapture video(clip);
        cv::Mat raw;
        long faces = 0;
        const auto begin = std::chrono::steady_clock::now();
        for (long frame = 1; frame <= frames; ++frame) {
            if (!video.read(raw)) {
                video.open(clip);
                if (!video.read(raw)) {
                    std::fprintf(stderr, "analysis_memory: cannot read %s\n", clip.c_str());
                    std::exit(1);
                }
            }
            faces += static_cast<long>(analyzer.analyze(vardo::cameraFrameFromImage(raw)).allEmbeddings.size());
            if (frame == 1)
                report("first frame analysed");
            else if (frame % 1800 == 0) {
                const double minutes = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count() / 60;
                const std::string what = std::to_string(frame) + " frames (" + std::to_string(frame / 360)
                    + " min of watching, " + std::to_string(static_cast<int>(minutes)) + " min here)";
                report(what.c_str());
            }
        }
        std::printf("%ld embeddings made\n", faces);
    });
    processingQueue.join();
    return 0;
}
