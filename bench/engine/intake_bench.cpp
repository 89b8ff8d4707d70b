// What one camera frame costs the intake: a dropped frame (four in five) against the
// analysed one, on a 640×480 MJPEG-like source (each analysed frame is decoded from JPEG,
// as a USB webcam delivers it). Face analysis is left out; it has its own benchmark.
//
//   build/bench/engine/intake_bench

#include "bench/engine/webcam_frame.h"
#include "replay/simulated_platform.h"
#include "engine/vardo_service.h"

#include <benchmark/benchmark.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <chrono>

namespace {

using namespace vardo;

// Runs whole cycles of five frames and reports the time of the chosen kind of frame. The
// iteration count is fixed: a dropped frame costs so little that the default "run until
// enough time has passed" would decode hundreds of thousands of analysed frames.
void intakeCycle(benchmark::State &state, bool reportAnalysed, bool intruderPhotos)
{
    SimulatedPlatform platform(1772442000.0);
    platform.camera.devices = {{"/dev/video0", "bench", true}};
    platform.camera.front = platform.camera.devices.front();
    const auto jpeg = webcamJpegFrame();
    platform.camera.decode = [&jpeg](cv::Mat &bgr) {
        bgr = cv::imdecode(jpeg, cv::IMREAD_COLOR);
        return !bgr.empty();
    };
    platform.defaults.setBool("vardo_enabled", true);
    platform.defaults.setBool("vardo_intruder_enabled", intruderPhotos);
    VardoService service(platform.services(), platform.modules());
    platform.time.runUntilIdle();

    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        double dropped = 0.0, analysed = 0.0;
        for (int i = 0; i < 5; ++i) {
            const auto begin = Clock::now();
            platform.camera.deliverFrames(1);
            platform.time.runUntilIdle();
            const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
            (service.frameCounter() % 5 == 0 ? analysed : dropped) += seconds;
        }
        state.SetIterationTime(reportAnalysed ? analysed : dropped / 4.0);
    }
    state.counters["decodes_per_5_frames"] =
        benchmark::Counter(platform.camera.pixelRetrievals / double(state.iterations()));
}

void BM_DroppedFrame(benchmark::State &state) { intakeCycle(state, false, false); }
void BM_AnalysedFrame(benchmark::State &state) { intakeCycle(state, true, false); }
void BM_AnalysedFrameKeptForIntruderPhotos(benchmark::State &state) { intakeCycle(state, true, true); }

BENCHMARK(BM_DroppedFrame)->UseManualTime()->Iterations(300)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AnalysedFrame)->UseManualTime()->Iterations(300)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AnalysedFrameKeptForIntruderPhotos)->UseManualTime()->Iterations(300)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
