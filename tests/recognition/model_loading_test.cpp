#include "platform/fakes/memory_log.h"
#include "test_images.h"

#include "recognition/face_embedding_model.h"
#include "recognition/face_landmarker.h"
#include "recognition/blazeface_detector.h"
#include "recognition/model_locator.h"
#include "platform/camera_frame.h"

#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

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
