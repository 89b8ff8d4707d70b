// What an intruder photo costs: the capture on the main thread (the lists and the log
// line), the PNG write on the processing queue (encoding, the temporary file, the sync to
// disk and the rename), and loading the history of 20 at start. The file size is a
// counter.
//
//   build/bench/engine/intruder_photo_bench

#include "bench/engine/webcam_frame.h"
#include "engine/vardo_service.h"
#include "intruder/intruder_photo_folder.h"
#include "platform/fakes/memory_log.h"
#include "replay/simulated_platform.h"

#include <benchmark/benchmark.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>

namespace {

using namespace vardo;
using Clock = std::chrono::steady_clock;

cv::Mat webcamFrame()
{
    return cv::imdecode(webcamJpegFrame(), cv::IMREAD_COLOR);
}

// The main thread's part: the processing queue is left to run outside the timing.
void BM_CaptureOnTheMainThread(benchmark::State &state)
{
    SimulatedPlatform platform(1772442000.0);
    platform.camera.devices = {{"/dev/video0", "bench", true}};
    platform.camera.front = platform.camera.devices.front();
    platform.camera.framePixels = webcamFrame();
    platform.defaults.setBool("vardo_enabled", true);
    platform.defaults.setBool("vardo_intruder_enabled", true);
    VardoService service(platform.services(), platform.modules());
    platform.time.runUntilIdle();
    platform.camera.deliverFrames(5);
    platform.time.runUntilIdle();
    if (!service.lastCapturedFrame()) {
        state.SkipWithError("no frame was kept");
        return;
    }
    for (auto _ : state) {
        const auto begin = Clock::now();
        service.captureIntruderPhoto();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - begin).count());
        platform.time.advanceBy(1.0);
    }
}

void BM_WritePhoto(benchmark::State &state)
{
    QTemporaryDir data;
    const IntruderPhotoFolder folder(data.filePath(QStringLiteral("IntruderPhotos")));
    const cv::Mat frame = webcamFrame();
    MemoryLog log;
    const QString path = folder.filePathFor(1772442000.0);
    for (auto _ : state)
        folder.save(frame, path, log);
    state.counters["file_kB"] = QFileInfo(path).size() / 1000.0;
}

void BM_LoadHistoryOfTwenty(benchmark::State &state)
{
    QTemporaryDir data;
    const IntruderPhotoFolder folder(data.filePath(QStringLiteral("IntruderPhotos")));
    const cv::Mat frame = webcamFrame();
    MemoryLog log;
    for (int i = 0; i < 25; ++i)
        folder.save(frame, folder.filePathFor(1772442000.0 + i), log);
    for (auto _ : state)
        benchmark::DoNotOptimize(folder.load(20, log));
}

BENCHMARK(BM_CaptureOnTheMainThread)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WritePhoto)->Iterations(30)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadHistoryOfTwenty)->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
