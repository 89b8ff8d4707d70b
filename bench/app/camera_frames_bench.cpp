// What one camera frame costs the camera adapters, per frame, 640×480: a webcam's YUYV
// converted and its Motion-JPEG decoded (the frames the engine retrieves, about six a
// second), and the recorded clip of `--camera` read (every frame, 30 a second) and
// converted (the retrieved ones), each beside OpenCV's own reader for the same work.
// Picture files (folders given as the camera, the `faces` command) read through Qt beside
// OpenCV's reader.
//
//   build/bench/app/camera_frames_bench

#include "platform/camera_file_video.h"
#include "platform/camera_v4l2_decoder.h"
#include "platform/image_file.h"

#include <benchmark/benchmark.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <linux/videodev2.h>

namespace {

using namespace vardo;

const std::string photo = VARDO_TESTDATA_DIR "/identities/Barack_Obama/obama-480p.jpg";
const std::string clip = VARDO_TESTDATA_DIR "/video/short_hamilton_clip.mp4";

cv::Mat webcamPicture()
{
    cv::Mat picture = cv::imread(photo);
    if (picture.empty())
        picture = cv::Mat(480, 640, CV_8UC3, cv::Scalar(90, 100, 110));
    cv::resize(picture, picture, cv::Size(640, 480));
    return picture;
}

void BM_YuyvFrame(benchmark::State &state)
{
    cv::Mat yuyv(480, 640, CV_8UC2);
    cv::randu(yuyv, 16, 235);
    V4l2PictureDecoder decoder({V4L2_PIX_FMT_YUYV, 640, 480}, 1280);
    cv::Mat bgr;
    for (auto _ : state)
        benchmark::DoNotOptimize(decoder.decode(yuyv.data, yuyv.total() * 2, bgr));
}

void BM_MjpegFrame_TurboJpeg(benchmark::State &state)
{
    std::vector<std::uint8_t> jpeg;
    cv::imencode(".jpg", webcamPicture(), jpeg);
    V4l2PictureDecoder decoder({V4L2_PIX_FMT_MJPEG, 640, 480}, 0);
    cv::Mat bgr;
    for (auto _ : state)
        benchmark::DoNotOptimize(decoder.decode(jpeg.data(), jpeg.size(), bgr));
}

void BM_MjpegFrame_OpenCvImdecode(benchmark::State &state)
{
    std::vector<std::uint8_t> jpeg;
    cv::imencode(".jpg", webcamPicture(), jpeg);
    for (auto _ : state)
        benchmark::DoNotOptimize(cv::imdecode(jpeg, cv::IMREAD_COLOR));
}

// Every frame is read; one in five is converted, as the engine retrieves them.
void BM_ClipFrame_Ffmpeg(benchmark::State &state)
{
    VideoFileDecoder video;
    if (!video.open(clip)) {
        state.SkipWithError("the clip cannot be opened");
        return;
    }
    cv::Mat bgr;
    std::int64_t frames = 0;
    for (auto _ : state) {
        if (!video.next() && !(video.rewind() && video.next()))
            state.SkipWithError("the clip stopped");
        if (++frames % 5 == 0)
            video.retrieve(bgr);
    }
}

void BM_ClipFrame_OpenCvVideoCapture(benchmark::State &state)
{
    cv::VideoCapture video(clip);
    cv::Mat bgr;
    std::int64_t frames = 0;
    for (auto _ : state) {
        if (!video.grab() && !(video.open(clip) && video.grab()))
            state.SkipWithError("the clip stopped");
        if (++frames % 5 == 0)
            video.retrieve(bgr);
    }
}

void BM_PictureFile_Qt(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(readImageFile(photo));
}

void BM_PictureFile_OpenCvImread(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(cv::imread(photo, cv::IMREAD_COLOR));
}

BENCHMARK(BM_YuyvFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MjpegFrame_TurboJpeg)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MjpegFrame_OpenCvImdecode)->Unit(benchmark::kMicrosecond);
// OpenCV decodes on threads of its own: the processor time of the whole process counts.
BENCHMARK(BM_ClipFrame_Ffmpeg)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ClipFrame_OpenCvVideoCapture)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PictureFile_Qt)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PictureFile_OpenCvImread)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
