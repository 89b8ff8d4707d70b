// What the onboarding's camera preview costs: one second of a 30 fps webcam through the
// intake (each decoded frame from JPEG, as a USB webcam delivers it; face analysis left
// out, it has its own benchmark), with the preview closed and open, and painting one
// preview picture as the view does. The time per iteration is the processor time that one
// second of camera takes, so 10 ms reads as 1 % of a core.
//
//   build/bench/engine/preview_bench

#include "bench/engine/webcam_frame.h"
#include "engine/camera_preview.h"
#include "engine/vardo_service.h"
#include "replay/simulated_platform.h"

#include <benchmark/benchmark.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <QImage>
#include <QPainter>

#include <chrono>

namespace {

using namespace vardo;

void oneSecondOfCamera(benchmark::State &state, bool previewOpen)
{
    SimulatedPlatform platform(1772442000.0);
    platform.camera.devices = {{"/dev/video0", "bench", true}};
    platform.camera.front = platform.camera.devices.front();
    const auto jpeg = webcamJpegFrame();
    platform.camera.decode = [&jpeg](cv::Mat &bgr) {
        bgr = cv::imdecode(jpeg, cv::IMREAD_COLOR);
        return !bgr.empty();
    };
    // The onboarding's camera: running, protection still off.
    VardoService service(platform.services(), platform.modules());
    platform.time.runUntilIdle();
    service.ensureCameraRunning();
    platform.time.runUntilIdle();
    if (previewOpen)
        service.cameraPreview()->addViewer();

    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        const auto begin = Clock::now();
        for (int i = 0; i < 30; ++i) {
            platform.time.advanceBy(1.0 / 30.0);
            platform.camera.deliverFrames(1);
            platform.time.runUntilIdle();
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - begin).count());
    }
    state.counters["decodes_per_second"] = benchmark::Counter(platform.camera.pixelRetrievals / double(state.iterations()));
    state.counters["pictures_per_second"] =
        benchmark::Counter(service.cameraPreview()->frameNumber() / double(state.iterations()));
}

void BM_CameraSecondPreviewClosed(benchmark::State &state) { oneSecondOfCamera(state, false); }
void BM_CameraSecondPreviewOpen(benchmark::State &state) { oneSecondOfCamera(state, true); }

// The view's paint of one picture: the mirrored 320×240 picture scaled into the
// onboarding's 304×228 frame, smoothly, into the item's image.
void BM_PaintPreviewPicture(benchmark::State &state)
{
    const cv::Mat picture = CameraPreview::makePicture(cv::imdecode(webcamJpegFrame(), cv::IMREAD_COLOR));
    const QImage source(picture.data, picture.cols, picture.rows, static_cast<qsizetype>(picture.step),
                        QImage::Format_BGR888);
    QImage target(304, 228, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&target);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(0, 0, 304, 228), source);
        benchmark::DoNotOptimize(target.constBits());
    }
}

BENCHMARK(BM_CameraSecondPreviewClosed)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CameraSecondPreviewOpen)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintPreviewPicture)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
