// Cost of analysing one camera frame, stage by stage, on a 640 x 480 frame with one face
// at desk distance (about 200 pixels), and the cost of loading the models. Wall-clock
// time. BM_WholeFrame is the figure that counts (its counters split it by stage as the
// analyser times itself); the single stages run warm, over and over, and come out lower
// than within a frame, where each stage finds the caches full of the others' data.
// BM_ClipSequence and BM_StillOwnerSequence analyse consecutive frames, where a face
// that has not moved may keep an earlier frame's embedding: reuse off and on, side by
// side, median and mean per analysed frame and the share of reused embeddings.
//
// Each analysis benchmark runs with one and with two threads (the "threads" argument):
// the face networks' XNNPACK thread pool and OpenCV's threads alike. Every thread count
// has its own analyser, loaded after the network pool was set to that count. "Time" is
// wall-clock, "CPU" the benchmark thread's own processor time, and the counter
// process_cpu_ms the whole process's per frame: with two threads it adds what the worker
// threads spend, waiting for work included.
//
// BM_DetectorNetwork runs the detector network alone with and without its first layers
// taken off XNNPACK. For the record, the *OpenCvDnn benchmarks run the same two ONNX files on OpenCV's DNN
// module, as the analysis did before XNNPACK, on the same input: BM_DetectionOpenCvDnn
// and BM_EmbeddingOpenCvDnn the network with its input preparation, and
// BM_WholeFrameOpenCvDnn those two with the real landmark and gate stages between them
// (the decoding of the detector's boxes, a few microseconds, left out).
//
// The benchmarks run on a thread of their own, as the analysis does in the application.
// Models are found as the application finds them (NEROVA_VARDO_MODEL_DIR,
// <build>/models, the installed ones). The machine may be shared: check `uptime` first,
// interleave the runs and compare medians, for example (one command line)
//
//   build/bench/recognition/recognition_bench
//       --benchmark_filter='BM_(Detection|Landmarks|Embedding|WholeFrame)'
//       --benchmark_repetitions=10 --benchmark_enable_random_interleaving=true
//       --benchmark_report_aggregates_only=true

#include "engine/frame_analysis_factory.h"
#include "platform/camera_frame.h"
#include "recognition/eye_openness.h"
#include "recognition/frame_analyzer.h"
#include "recognition/model_locator.h"
#include "recognition/face_crop.h"
#include "recognition/network_threads.h"
#include "recognition/quality_gates.h"
#include "recognition/xnnpack_network.h"

#include <benchmark/benchmark.h>
#include <opencv2/core/utility.hpp>
#include <opencv2/dnn.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>
#include <opencv2/videoio.hpp>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <string_view>
#include <thread>
#include <vector>

using namespace vardo;

namespace {

class DiscardLog final : public LogSink {
public:
    void write(std::string_view) override {}
};

DiscardLog quiet;

rusage processUsage()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage;
}

double cpuMs(const rusage &usage)
{
    const auto ms = [](const timeval &t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Sets the OpenCV thread count of the benchmark's argument and, at the end, the process's
// processor time and page faults per iteration (a fault means memory allocated afresh
// and touched for the first time: buffers that should have been kept).
class ThreadsAndProcessCpu {
public:
    explicit ThreadsAndProcessCpu(benchmark::State &state) : state_(state)
    {
        cv::setNumThreads(static_cast<int>(state.range(0)));
        start_ = processUsage();
    }
    ~ThreadsAndProcessCpu()
    {
        if (state_.iterations() == 0)
            return;
        const rusage end = processUsage();
        const auto perIteration = [&](double value) {
            return benchmark::Counter(value / static_cast<double>(state_.iterations()));
        };
        state_.counters["process_cpu_ms"] = perIteration(cpuMs(end) - cpuMs(start_));
        state_.counters["page_faults"] = perIteration(static_cast<double>(end.ru_minflt - start_.ru_minflt));
    }

private:
    benchmark::State &state_;
    rusage start_{};
};

const cv::Mat &deskFrame()
{
    static const cv::Mat frame = [] {
        cv::Mat chip = cv::imread(VARDO_TESTDATA_DIR "/identities/John_Salley/000179_02159509.jpg");
        if (chip.empty()) {
            std::cerr << "recognition_bench: test image missing\n";
            std::exit(1);
        }
        cv::resize(chip, chip, cv::Size(220, 220), 0, 0, cv::INTER_CUBIC);
        return cameraFrameFromImage(chip);
    }();
    return frame;
}

// For the HOG and Haar detectors, which search grey frames.
const cv::Mat &deskFrameGray()
{
    static const cv::Mat gray = [] {
        cv::Mat g;
        cv::cvtColor(deskFrame(), g, cv::COLOR_BGR2GRAY);
        return g;
    }();
    return gray;
}

// One analyser per thread count, its networks loaded on a pool of that many threads.
FrameAnalyzer &analyzer(int threads = 2)
{
    static std::map<int, std::unique_ptr<FrameAnalyzer>> made;
    auto &a = made[threads];
    if (!a) {
        setNetworkThreadCount(static_cast<std::size_t>(threads));
        a = std::make_unique<FrameAnalyzer>(quiet);
        a->loadDetectionModels();
        a->loadEmbeddingModel();
        if (!a->detector().isLoaded() || !a->embeddingModel().isLoaded()) {
            std::cerr << "recognition_bench: models missing; run tools/models/build-models\n";
            std::exit(1);
        }
    }
    return *a;
}

int threadsOf(const benchmark::State &state)
{
    return static_cast<int>(state.range(0));
}

DetectedFace deskFace()
{
    const auto faces = analyzer().detector().detect(deskFrame(), FrameAnalyzer::minimumFaceScore);
    if (faces.size() != 1) {
        std::cerr << "recognition_bench: expected one face in the bench frame, found " << faces.size() << '\n';
        std::exit(1);
    }
    return faces.front();
}

// The same networks on OpenCV's DNN module, prepared as the analysis prepared them.
class OpenCvDnnNetworks {
public:
    OpenCvDnnNetworks()
    {
        const auto detector = findModelFile(BlazeFaceDetector::fileName);
        const auto embedding = findModelFile(FaceEmbeddingModel::fileName);
        if (!detector || !embedding) {
            std::cerr << "recognition_bench: models missing; run tools/models/build-models\n";
            std::exit(1);
        }
        detector_ = cv::dnn::readNetFromONNX(detector->string());
        detectorOutputs_ = detector_.getUnconnectedOutLayersNames();
        embedding_ = cv::dnn::readNetFromONNX(embedding->string());
    }

    void detect(const cv::Mat &bgrFrame, cv::Size inputSize)
    {
        const double scale = std::min(static_cast<double>(inputSize.width) / bgrFrame.cols,
                                      static_cast<double>(inputSize.height) / bgrFrame.rows);
        const cv::Size fitted(static_cast<int>(std::lround(bgrFrame.cols * scale)),
                              static_cast<int>(std::lround(bgrFrame.rows * scale)));
        if (letterboxed_.size() != inputSize) {
            letterboxed_.create(inputSize, CV_8UC3);
            letterboxed_.setTo(cv::Scalar::all(128));
        }
        cv::resize(bgrFrame, letterboxed_(cv::Rect(cv::Point(0, 0), fitted)), fitted, 0, 0, cv::INTER_AREA);
        cv::dnn::blobFromImage(letterboxed_, detectorBlob_, 1.0 / 127.5, cv::Size(), cv::Scalar::all(127.5), true,
                               false, CV_32F);
        detector_.setInput(detectorBlob_);
        detector_.forward(detectorResults_, detectorOutputs_);
    }

    void embed(const cv::Mat &bgrFrame, const FaceObservation &face)
    {
        const auto rect = embeddingCropRect(face, bgrFrame.size());
        if (!rect)
            return;
        cv::dnn::blobFromImage(embeddingCropImage(bgrFrame, *rect), embeddingBlob_, 1.0,
                               cv::Size(embeddingInputSize, embeddingInputSize), cv::Scalar(), true, false, CV_32F);
        embedding_.setInput(embeddingBlob_);
        embeddingResult_ = embedding_.forward();
    }

private:
    cv::dnn::Net detector_, embedding_;
    std::vector<cv::String> detectorOutputs_;
    cv::Mat letterboxed_, detectorBlob_, embeddingBlob_, embeddingResult_;
    std::vector<cv::Mat> detectorResults_;
};

OpenCvDnnNetworks &openCvDnn()
{
    static OpenCvDnnNetworks networks;
    return networks;
}

void BM_Detection(benchmark::State &state)
{
    BlazeFaceDetector &detector = analyzer(threadsOf(state)).detector();
    ThreadsAndProcessCpu threads(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(detector.detect(deskFrame(), FrameAnalyzer::minimumFaceScore));
    state.SetLabel("BlazeFace, input " + std::to_string(detector.inputSize().width) + "x"
                   + std::to_string(detector.inputSize().height));
}

// The detector network alone on the desk frame, its first layers run by
// LeadingResidualBlocks ("front" 1, as the application runs it) or all on XNNPACK (0).
void BM_DetectorNetwork(benchmark::State &state)
{
    static std::map<std::pair<int, bool>, std::unique_ptr<XnnpackNetwork>> networks;
    const bool front = state.range(1) != 0;
    auto &network = networks[{threadsOf(state), front}];
    if (!network) {
        setNetworkThreadCount(static_cast<std::size_t>(threadsOf(state)));
        network = std::make_unique<XnnpackNetwork>();
        std::string reason;
        const auto file = findModelFile(BlazeFaceDetector::fileName);
        if (!file || !network->load(*file, reason, sharedNetworkThreadPool(), !front)) {
            std::cerr << "recognition_bench: cannot load the detector: " << reason << '\n';
            std::exit(1);
        }
        setNetworkThreadCount(1);
        cv::Mat fitted;
        cv::resize(deskFrame(), fitted, network->inputSize(), 0, 0, cv::INTER_AREA);
        cv::Mat input = network->input();
        writeRgbInput(fitted, input, 127.5f, 1.0f / 127.5f);
    }
    ThreadsAndProcessCpu threads(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(network->run());
}

// On the colour frame, as the analyser runs them.
void BM_Landmarks(benchmark::State &state)
{
    const DetectedFace face = deskFace();
    const FaceLandmarker &landmarker = analyzer(threadsOf(state)).landmarker();
    ThreadsAndProcessCpu threads(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(landmarker.observe(deskFrame(), face, FaceLandmarker::blazeFaceBoxes));
}

void BM_EyesAndGates(benchmark::State &state)
{
    const FaceObservation face =
        analyzer().landmarker().observe(deskFrame(), deskFace(), FaceLandmarker::blazeFaceBoxes);
    ThreadsAndProcessCpu threads(state);
    for (auto _ : state) {
        benchmark::DoNotOptimize(isEyesOpen(face));
        benchmark::DoNotOptimize(checkQualityGates(face, quiet));
    }
}

void BM_Embedding(benchmark::State &state)
{
    const FaceObservation face =
        analyzer().landmarker().observe(deskFrame(), deskFace(), FaceLandmarker::blazeFaceBoxes);
    FaceEmbeddingModel &model = analyzer(threadsOf(state)).embeddingModel();
    ThreadsAndProcessCpu threads(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(model.embed(deskFrame(), face, quiet));
}

// The whole analysis; the rectangle count comes out of the same detection run. The
// counters are the analyser's own stage times (milliseconds per frame) within it.
void BM_WholeFrame(benchmark::State &state)
{
    FrameAnalysisTiming sum;
    FrameAnalyzer &a = analyzer(threadsOf(state));
    ThreadsAndProcessCpu threads(state);
    for (auto _ : state) {
        benchmark::DoNotOptimize(a.analyze(deskFrame()));
        const FrameAnalysisTiming &t = a.lastTiming();
        sum.detection += t.detection;
        sum.landmarks += t.landmarks;
        sum.gates += t.gates;
        sum.embedding += t.embedding;
    }
    const auto perFrame = [&](double ms) { return benchmark::Counter(ms / static_cast<double>(state.iterations())); };
    state.counters["detection_ms"] = perFrame(sum.detection);
    state.counters["landmarks_ms"] = perFrame(sum.landmarks);
    state.counters["gates_ms"] = perFrame(sum.gates);
    state.counters["embedding_ms"] = perFrame(sum.embedding);
}

// The camera's view of an empty room as the engine analyses it, frame after frame (a
// room empty for a while is searched every second frame).
void BM_EmptyRoom(benchmark::State &state)
{
    static const cv::Mat room = [] {
        const cv::Mat dogs = cv::imread(VARDO_TESTDATA_DIR "/groups/dogs.jpg");
        if (dogs.empty()) {
            std::cerr << "recognition_bench: test image missing\n";
            std::exit(1);
        }
        return cameraFrameFromImage(dogs);
    }();
    static std::map<int, std::unique_ptr<FrameAnalysis>> analyses;
    auto &analysis = analyses[threadsOf(state)];
    if (!analysis) {
        setNetworkThreadCount(static_cast<std::size_t>(threadsOf(state)));
        analysis = createFrameAnalysis(quiet);
    }
    ThreadsAndProcessCpu threads(state);
    for (auto _ : state) {
        FaceCountUpdate update;
        benchmark::DoNotOptimize(analysis->analyze(room, update));
    }
}

// Consecutive analysed frames, each analysed once per pass in order, with the reuse of a
// still face's embedding on or off (the "reuse" argument). Per analysed frame: the median
// and mean wall-clock time, the share of embedded faces whose embedding was taken from
// an earlier frame, and the embedded faces.
void analyseSequence(benchmark::State &state, const std::vector<cv::Mat> &frames)
{
    FrameAnalyzer &a = analyzer(threadsOf(state));
    a.embeddingReuse().setAllowed(state.range(1) != 0);
    std::vector<double> ms;
    long embedded = 0;
    long reused = 0;
    ThreadsAndProcessCpu threads(state);
    for (auto _ : state) {
        for (const cv::Mat &frame : frames) {
            const auto begin = std::chrono::steady_clock::now();
            const AnalysedFrame analysed = a.analyze(frame);
            ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count());
            for (const auto &outcome : analysed.outcomes) {
                embedded += outcome.hasEmbedding;
                reused += outcome.embeddingReused;
            }
        }
    }
    a.embeddingReuse().setAllowed(false);
    const double count = static_cast<double>(ms.size());
    double sum = 0.0;
    for (const double m : ms)
        sum += m;
    std::nth_element(ms.begin(), ms.begin() + static_cast<long>(ms.size() / 2), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["mean_ms"] = sum / count;
    state.counters["reused_share"] = embedded > 0 ? static_cast<double>(reused) / static_cast<double>(embedded) : 0.0;
    state.counters["faces_embedded"] = static_cast<double>(embedded) / count;
    state.SetLabel(std::to_string(frames.size()) + " frames a pass");
}

// The recorded clip as the camera intake passes it on: every fifth frame.
void BM_ClipSequence(benchmark::State &state)
{
    static const std::vector<cv::Mat> frames = [] {
        std::vector<cv::Mat> kept;
        cv::VideoCapture clip(VARDO_TESTDATA_DIR "/video/short_hamilton_clip.mp4");
        cv::Mat raw;
        for (int n = 0; clip.read(raw); ++n)
            if (n % 5 == 0)
                kept.push_back(cameraFrameFromImage(raw));
        if (kept.empty()) {
            std::cerr << "recognition_bench: cannot read the clip\n";
            std::exit(1);
        }
        return kept;
    }();
    analyseSequence(state, frames);
}

// The owner sitting still at the desk: the bench frame, moved by a pixel or two and
// with fresh sensor noise on every frame, for five seconds of analysed frames.
void BM_StillOwnerSequence(benchmark::State &state)
{
    static const std::vector<cv::Mat> frames = [] {
        std::vector<cv::Mat> made;
        cv::RNG rng(15);
        for (int n = 0; n < 30; ++n) {
            const cv::Mat shift = (cv::Mat_<double>(2, 3) << 1, 0, rng.uniform(-2, 3), 0, 1, rng.uniform(-2, 3));
            cv::Mat frame;
            cv::warpAffine(deskFrame(), frame, shift, deskFrame().size(), cv::INTER_LINEAR, cv::BORDER_REPLICATE);
            cv::Mat grain(frame.size(), CV_8UC3);
            rng.fill(grain, cv::RNG::NORMAL, 0, 3);
            cv::add(frame, grain, frame);
            made.push_back(frame);
        }
        return made;
    }();
    analyseSequence(state, frames);
}

void BM_DetectionOpenCvDnn(benchmark::State &state)
{
    const cv::Size inputSize = analyzer().detector().inputSize();
    openCvDnn().detect(deskFrame(), inputSize);
    ThreadsAndProcessCpu threads(state);
    for (auto _ : state)
        openCvDnn().detect(deskFrame(), inputSize);
}

void BM_EmbeddingOpenCvDnn(benchmark::State &state)
{
    const FaceObservation face =
        analyzer().landmarker().observe(deskFrame(), deskFace(), FaceLandmarker::blazeFaceBoxes);
    openCvDnn().embed(deskFrame(), face);
    ThreadsAndProcessCpu threads(state);
    for (auto _ : state)
        openCvDnn().embed(deskFrame(), face);
}

// Detection, landmarks, gates and embedding as the analyser runs them, with both networks
// on OpenCV's DNN module.
void BM_WholeFrameOpenCvDnn(benchmark::State &state)
{
    FrameAnalyzer &a = analyzer();
    const cv::Size inputSize = a.detector().inputSize();
    const DetectedFace face = deskFace();
    ThreadsAndProcessCpu threads(state);
    for (auto _ : state) {
        openCvDnn().detect(deskFrame(), inputSize);
        const FaceObservation observed = a.landmarker().observe(deskFrame(), face, FaceLandmarker::blazeFaceBoxes);
        benchmark::DoNotOptimize(isEyesOpen(observed));
        benchmark::DoNotOptimize(checkQualityGates(observed, quiet));
        openCvDnn().embed(deskFrame(), observed);
    }
}

// The alternatives measured for the detectors.
void BM_HogDetectionFullFrame(benchmark::State &state)
{
    HogFaceDetector hog;
    for (auto _ : state)
        benchmark::DoNotOptimize(hog.detect(deskFrameGray()));
}

void BM_HaarCascadeFullFrame(benchmark::State &state)
{
    cv::CascadeClassifier cascade("/usr/share/opencv4/haarcascades/haarcascade_frontalface_default.xml");
    if (cascade.empty()) {
        state.SkipWithError("opencv-data's Haar cascade missing");
        return;
    }
    std::vector<cv::Rect> faces;
    for (auto _ : state) {
        cv::Mat equalized;
        cv::equalizeHist(deskFrameGray(), equalized);
        cascade.detectMultiScale(equalized, faces, 1.1, 3, 0, cv::Size(20, 20));
        benchmark::DoNotOptimize(faces);
    }
}

void BM_LoadEmbeddingModel(benchmark::State &state)
{
    for (auto _ : state) {
        FaceEmbeddingModel model;
        benchmark::DoNotOptimize(model.load(quiet));
    }
}

void BM_LoadDetector(benchmark::State &state)
{
    for (auto _ : state) {
        BlazeFaceDetector detector;
        benchmark::DoNotOptimize(detector.load(quiet));
    }
}

void BM_LoadLandmarkModel(benchmark::State &state)
{
    for (auto _ : state) {
        FaceLandmarker landmarker;
        benchmark::DoNotOptimize(landmarker.load(quiet));
    }
}

} // namespace

BENCHMARK(BM_Detection)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DetectorNetwork)->ArgNames({"threads", "front"})->ArgsProduct({{1, 2}, {0, 1}})
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Landmarks)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EyesAndGates)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_Embedding)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WholeFrame)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DetectionOpenCvDnn)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EmbeddingOpenCvDnn)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WholeFrameOpenCvDnn)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ClipSequence)->ArgNames({"threads", "reuse"})->ArgsProduct({{1, 2}, {0, 1}})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_StillOwnerSequence)->ArgNames({"threads", "reuse"})->ArgsProduct({{1, 2}, {0, 1}})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_EmptyRoom)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HogDetectionFullFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HaarCascadeFullFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadEmbeddingModel)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_LoadDetector)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_LoadLandmarkModel)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    // On a thread of its own (and so with that thread's heap), as the application's
    // processing queue runs the analysis.
    std::thread processingQueue([] { benchmark::RunSpecifiedBenchmarks(); });
    processingQueue.join();
    benchmark::Shutdown();
    return 0;
}
