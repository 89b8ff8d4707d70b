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
class BrokenModelFolder {
public:
    explicit BrokenModelFolder(const std::string &fileName)
    {
        dir_ = fs::temp_directory_path() / ("vardo-models-" + std::to_string(::getpid()) + "-" + fileName);
        fs::create_directories(dir_);
        std::ofstream(dir_ / fileName) << "this is not a model\n";
        file_ = dir_ / fileName;
    }
    ~BrokenModelFolder() { fs::remove_all(dir_); }
    const fs::path &dir() const { return dir_; }
    const fs::path &file() const { return file_; }

private:
    fs::path dir_;
    fs::path file_;
};

bool startsWith(const std::string &text, const std::string &prefix)
{
    return text.rfind(prefix, 0) == 0;
}

FaceObservation centredFace()
{
    FaceObservation face;
    face.boundingBox = cv::Rect2d(0.35, 0.3, 0.3, 0.4);
    face.confidence = 0.95f;
    return face;
}

} // namespace

TEST(EmbeddingModelLoading, TheInstalledModelLoads)
{
    MemoryLog log;
    FaceEmbeddingModel model;
    EXPECT_TRUE(model.load(log));
    EXPECT_TRUE(model.isLoaded());
    EXPECT_EQ(log.lines(), std::vector<std::string>{"[FaceID] Embedding model loaded successfully"});
}

TEST(EmbeddingModelLoading, MissingFileLeavesAModelThatGivesNothing)
{
    MemoryLog log;
    FaceEmbeddingModel model;
    EXPECT_FALSE(model.loadFile("/nonexistent/face_embedding.onnx", log));
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_TRUE(startsWith(log.lines()[0], "[FaceID] Failed to load embedding model: /nonexistent/face_embedding.onnx"));
    log.clear();
    const cv::Mat frame(480, 640, CV_8UC3, cv::Scalar::all(100));
    EXPECT_FALSE(model.embed(frame, centredFace(), log));
    EXPECT_TRUE(log.lines().empty());
}

TEST(EmbeddingModelLoading, BrokenFileIsReportedOnOneLine)
{
    BrokenModelFolder folder("face_embedding.onnx");
    MemoryLog log;
    FaceEmbeddingModel model;
    EXPECT_FALSE(model.loadFile(folder.file(), log));
    EXPECT_FALSE(model.isLoaded());
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_TRUE(startsWith(log.lines()[0], "[FaceID] Failed to load embedding model: "));
    EXPECT_EQ(log.lines()[0].find('\n'), std::string::npos);
}

TEST(ModelLocation, TheEnvironmentOverrideIsSearchedFirst)
{
    BrokenModelFolder folder("face_embedding.onnx");
    ::setenv("NEROVA_VARDO_MODEL_DIR", folder.dir().c_str(), 1);
    const auto dirs = modelSearchDirectories();
    const auto found = findModelFile("face_embedding.onnx");
    MemoryLog log;
    FaceEmbeddingModel model;
    const bool loaded = model.load(log);
    ::unsetenv("NEROVA_VARDO_MODEL_DIR");

    ASSERT_FALSE(dirs.empty());
    EXPECT_EQ(dirs.front(), folder.dir());
    EXPECT_EQ(found, folder.file());
    EXPECT_FALSE(loaded);
    EXPECT_TRUE(log.contains("[FaceID] Failed to load embedding model: " + folder.file().string()));
}

TEST(ModelLocation, StandardFoldersInOrder)
{
    ::unsetenv("NEROVA_VARDO_MODEL_DIR");
    const auto dirs = modelSearchDirectories();
    ASSERT_GE(dirs.size(), 3u);
    EXPECT_EQ(dirs.front().filename(), "models");
    EXPECT_EQ(dirs.back(), fs::path("/usr/share/nerova-vardo/models"));
    EXPECT_EQ(dirs[dirs.size() - 2].parent_path().filename(), "NerovaVardo");
}

TEST(EmbeddingModel, BorderCropTenPixelsWideIsSkippedSilently)
{
    FaceEmbeddingModel &model = loadedAnalyzer().embeddingModel();
    const cv::Mat frame = cameraFrameOf(identityImages("John_Salley").front());
    MemoryLog log;
    FaceObservation face = centredFace();
    // 100 px wide box from x = -110: with its margin the crop ends at x = 10.
    face.boundingBox.x = -110.0 / 640.0;
    face.boundingBox.width = 100.0 / 640.0;
    EXPECT_FALSE(model.embed(frame, face, log));
    face.boundingBox.x = -109.0 / 640.0;
    EXPECT_TRUE(model.embed(frame, face, log));
    EXPECT_TRUE(log.lines().empty());
}

TEST(EmbeddingModel, GivesAUnitVectorOf512Values)
{
    FaceEmbeddingModel &model = loadedAnalyzer().embeddingModel();
    MemoryLog log;
    const auto embedding = model.embed(cameraFrameOf(identityImages("John_Savage").front()), centredFace(), log);
    ASSERT_TRUE(embedding);
    ASSERT_EQ(embedding->size(), 512u);
    EXPECT_NEAR(embeddingSimilarity(*embedding, *embedding), 1.0f, 1e-5f);
}

TEST(DetectorLoading, BrokenDetectorFileIsReported)
{
    BrokenModelFolder folder("blazeface.onnx");
    MemoryLog log;
    BlazeFaceDetector detector;
    EXPECT_FALSE(detector.loadFile(folder.file(), log));
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_TRUE(startsWith(log.lines()[0], "[FaceID] Failed to load face detector: "));
    EXPECT_TRUE(detector.detect(cv::Mat(480, 640, CV_8UC3, cv::Scalar::all(90)), 0.7f).empty());
}

TEST(DetectorLoading, WithoutTheNetworkTheHogDetectorFindsTheFace)
{
    BrokenModelFolder folder("blazeface.onnx");
    ::setenv("NEROVA_VARDO_MODEL_DIR", folder.dir().c_str(), 1);
    MemoryLog log;
    FrameAnalyzer analyzer(log);
    analyzer.loadDetectionModels();
    ::unsetenv("NEROVA_VARDO_MODEL_DIR");
    EXPECT_TRUE(log.contains("[FaceID] Failed to load face detector: "));
    EXPECT_TRUE(log.contains("[FaceID] Using the HOG face detector instead"));

    cv::Mat chip = cv::imread(identityImages("John_Schneider").front().string());
    cv::resize(chip, chip, cv::Size(220, 220));
    const AnalysedFrame analysis = analyzer.analyze(cameraFrameFromImage(chip));
    EXPECT_EQ(analysis.faceCount(), 1);
    EXPECT_EQ(analysis.rectangleCount, 1);
    ASSERT_EQ(analysis.observations.size(), 1u);
    EXPECT_TRUE(analysis.observations[0].leftEye);
}

TEST(LandmarkLoading, BrokenFileIsReported)
{
    BrokenModelFolder folder("shape_predictor_68_face_landmarks.dat");
    MemoryLog log;
    FaceLandmarker landmarker;
    EXPECT_FALSE(landmarker.loadFile(folder.file(), log));
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_TRUE(startsWith(log.lines()[0], "[FaceID] Failed to load landmark model: "));
}
