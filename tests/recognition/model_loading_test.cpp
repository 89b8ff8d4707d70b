#include "platform/fakes/memory_log.h"
#include "test_images.h"

#include "recognition/face_embedding_model.h"
#include "recognition/face_landmarker.h"
#include "recognition/blazeface_detector.h"
#include "recognition/model_locator.h"
#include "recognition/xnnpack_network.h"
#include "platform/camera_frame.h"

#include <gtest/gtest.h>

#include <opencv2/dnn.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

using namespace vardo;
using namespace vardo::testing;
namespace fs = std::filesystem;

namespace {

// A private folder with a file of junk under the given name.
struct BrokenModelFolder {
    explicit BrokenModelFolder(const std::string &fileName)
        : dir(fs::temp_directory_path() / ("vardo-models-" + std::to_string(::getpid()) + "-" + fileName)),
          file(dir / fileName)
    {
        fs::create_directories(dir);
        std::ofstream(file) << "this is not a model\n";
    }
    ~BrokenModelFolder() { fs::remove_all(dir); }
    const fs::path dir, file;
};

FaceObservation centredFace()
{
    FaceObservation face;
    face.boundingBox = cv::Rect2d(0.35, 0.3, 0.3, 0.4);
    face.confidence = 0.95f;
    return face;
}

} // namespace

// A missing or broken model file is one log line and a model that gives nothing.
TEST(ModelLoading, MissingOrBrokenFilesAreReportedOnOneLine)
{
    const cv::Mat frame(480, 640, CV_8UC3, cv::Scalar::all(90));
    const auto expectOneLine = [](const MemoryLog &log, const std::string &start) {
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_EQ(log.lines()[0].rfind(start, 0), 0u) << log.lines()[0];
    };
    {
        MemoryLog log;
        EXPECT_TRUE(FaceEmbeddingModel().load(log));
        EXPECT_EQ(log.lines(), std::vector<std::string>{"[FaceID] Embedding model loaded successfully"});
    }
    BrokenModelFolder embedding("face_embedding.onnx"), detector("blazeface.onnx"),
        landmarks("shape_predictor_68_face_landmarks.dat");
    for (const fs::path &path : {fs::path("/nonexistent/face_embedding.onnx"), embedding.file}) {
        MemoryLog log;
        FaceEmbeddingModel model;
        EXPECT_FALSE(model.loadFile(path, log));
        EXPECT_FALSE(model.isLoaded());
        expectOneLine(log, "[FaceID] Failed to load embedding model: " + path.string());
        log.clear();
        EXPECT_FALSE(model.embed(frame, centredFace(), log));
        EXPECT_TRUE(log.lines().empty());
    }
    MemoryLog log;
    BlazeFaceDetector blazeFace;
    EXPECT_FALSE(blazeFace.loadFile(detector.file, log));
    expectOneLine(log, "[FaceID] Failed to load face detector: ");
    EXPECT_TRUE(blazeFace.detect(frame, 0.7f).empty());
    log.clear();
    EXPECT_FALSE(FaceLandmarker().loadFile(landmarks.file, log));
    expectOneLine(log, "[FaceID] Failed to load landmark model: ");
}

TEST(ModelLocation, TheEnvironmentOverrideIsSearchedFirstThenTheStandardFolders)
{
    ::unsetenv("NEROVA_VARDO_MODEL_DIR");
    auto dirs = modelSearchDirectories();
    ASSERT_GE(dirs.size(), 3u);
    EXPECT_EQ(dirs.front().filename(), "models");
    EXPECT_EQ(dirs.back(), fs::path("/usr/share/nerova-vardo/models"));
    EXPECT_EQ(dirs[dirs.size() - 2].parent_path().filename(), "NerovaVardo");

    BrokenModelFolder folder("face_embedding.onnx");
    ::setenv("NEROVA_VARDO_MODEL_DIR", folder.dir.c_str(), 1);
    dirs = modelSearchDirectories();
    const auto found = findModelFile("face_embedding.onnx");
    MemoryLog log;
    FaceEmbeddingModel model;
    const bool loaded = model.load(log);
    ::unsetenv("NEROVA_VARDO_MODEL_DIR");
    EXPECT_EQ(dirs.front(), folder.dir);
    EXPECT_EQ(found, folder.file);
    EXPECT_FALSE(loaded);
    EXPECT_TRUE(log.contains("[FaceID] Failed to load embedding model: " + folder.file.string()));
}

TEST(EmbeddingModel, GivesAUnitVectorOf512ValuesAndSkipsABorderCropTenPixelsWide)
{
    FaceEmbeddingModel &model = loadedAnalyzer().embeddingModel();
    MemoryLog log;
    const cv::Mat frame = cameraFrameOf(identityImages("John_Savage").front());
    const auto embedding = model.embed(frame, centredFace(), log);
    ASSERT_TRUE(embedding);
    ASSERT_EQ(embedding->size(), 512u);
    EXPECT_NEAR(embeddingSimilarity(*embedding, *embedding), 1.0f, 1e-5f);
    // With its margin a 100 px box from x = -110 leaves a crop ten pixels wide.
    FaceObservation face = centredFace();
    face.boundingBox = cv::Rect2d(-110.0 / 640.0, face.boundingBox.y, 100.0 / 640.0, face.boundingBox.height);
    EXPECT_FALSE(model.embed(frame, face, log));
    EXPECT_TRUE(log.lines().empty());
}

TEST(DetectorLoading, WithoutTheNetworkTheHogDetectorFindsTheFace)
{
    BrokenModelFolder folder("blazeface.onnx");
    ::setenv("NEROVA_VARDO_MODEL_DIR", folder.dir.c_str(), 1);
    MemoryLog log;
    FrameAnalyzer analyzer(log);
    analyzer.loadDetectionModels();
    ::unsetenv("NEROVA_VARDO_MODEL_DIR");
    EXPECT_TRUE(log.contains("[FaceID] Failed to load face detector: "));
    EXPECT_TRUE(log.contains("[FaceID] Using the HOG face detector instead"));

    cv::Mat chip = cv::imread(identityImages("John_Schneider").front().string());
    cv::resize(chip, chip, cv::Size(220, 220));
    const AnalysedFrame analysis = analyzer.analyze(cameraFrameFromImage(chip));
    ASSERT_EQ(analysis.faceCount(), 1);
    EXPECT_TRUE(analysis.observations[0].leftEye);
}

// The runner gives what OpenCV's DNN module computes from the same file, on real faces at
// each network's own input, and refuses a detector file it cannot run on one log line.
TEST(XnnpackNetwork, ComputesWhatOpenCvComputesAndRefusesWhatItCannotRun)
{
    const auto detectorFile = findModelFile(BlazeFaceDetector::fileName);
    const auto embeddingFile = findModelFile(FaceEmbeddingModel::fileName);
    ASSERT_TRUE(detectorFile && embeddingFile);
    const struct {
        fs::path file;
        float offset, scale; // the input as the application prepares it
    } networks[] = {{*detectorFile, 127.5f, 1.0f / 127.5f}, {*embeddingFile, 0.0f, 1.0f}};
    const fs::path faces[] = {identityImages("John_Savage").front(), identityImages("Barack_Obama").front(),
                              testData("groups/dogs.jpg")};
    for (const auto &n : networks) {
        XnnpackNetwork network;
        std::string reason;
        ASSERT_TRUE(network.load(n.file, reason)) << reason;
        cv::dnn::Net reference = cv::dnn::readNetFromONNX(n.file.string());
        std::vector<cv::String> names;
        for (const auto &output : network.outputs())
            names.push_back(output.name);
        for (const fs::path &face : faces) {
            cv::Mat image = cv::imread(face.string());
            ASSERT_FALSE(image.empty()) << face;
            cv::resize(image, image, network.inputSize(), 0, 0, cv::INTER_AREA);
            cv::Mat input = network.input();
            writeRgbInput(image, input, n.offset, n.scale);
            ASSERT_TRUE(network.run());
            reference.setInput(cv::dnn::blobFromImage(image, n.scale, cv::Size(), cv::Scalar::all(n.offset), true,
                                                      false, CV_32F));
            std::vector<cv::Mat> expected;
            reference.forward(expected, names);
            ASSERT_EQ(expected.size(), network.outputs().size());
            for (std::size_t i = 0; i < expected.size(); ++i) {
                const auto &got = network.outputs()[i].values;
                ASSERT_EQ(expected[i].total(), got.size()) << names[i];
                const cv::Mat gotMat(expected[i].dims, expected[i].size.p, CV_32F, const_cast<float *>(got.data()));
                const double largest = cv::norm(expected[i], cv::NORM_INF);
                EXPECT_LE(cv::norm(gotMat, expected[i], cv::NORM_INF), 1e-5 * (1.0 + largest))
                    << n.file.filename() << " " << names[i] << " on " << face.filename();
            }
        }
    }

    const auto read = [](const fs::path &file) {
        std::ifstream in(file, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    const std::string bytes = read(*detectorFile);
    const auto replaced = [](std::string text, const std::string &from, const std::string &to) {
        for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
        return text;
    };
    const struct {
        const char *what;
        std::string bytes;
        std::string reason;
    } refused[] = {
        {"cut short", bytes.substr(0, bytes.size() / 2), ""},
        {"an unknown operation", replaced(bytes, "Relu", "Relx"), "unsupported operation Relx"},
        {"another network", read(*embeddingFile), "its outputs fit neither"},
    };
    const cv::Mat frame = cameraFrameOf(identityImages("John_Savage").front());
    for (const auto &r : refused) {
        BrokenModelFolder folder("blazeface.onnx");
        std::ofstream(folder.file, std::ios::binary | std::ios::trunc) << r.bytes;
        MemoryLog log;
        BlazeFaceDetector detector;
        EXPECT_FALSE(detector.loadFile(folder.file, log)) << r.what;
        ASSERT_EQ(log.lines().size(), 1u) << r.what;
        EXPECT_EQ(log.lines()[0].rfind("[FaceID] Failed to load face detector: " + folder.file.string(), 0), 0u);
        EXPECT_NE(log.lines()[0].find(r.reason), std::string::npos) << log.lines()[0];
        EXPECT_TRUE(detector.detect(frame, 0.5f).empty()) << r.what;
    }
}
