#include "platform/fakes/memory_log.h"
#include "test_images.h"

#include "platform/camera_frame.h"
#include "recognition/eye_openness.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <fstream>
#include <sstream>

using namespace vardo;
using namespace vardo::testing;

namespace {

double meanX(const std::vector<cv::Point2d> &points)
{
    double sum = 0.0;
    for (const auto &p : points)
        sum += p.x;
    return sum / static_cast<double>(points.size());
}

struct AnnotatedPhoto {
    std::string file;
    int faces = 0;
};

std::vector<AnnotatedPhoto> annotatedGroupPhotos()
{
    std::ifstream tsv(testData("groups/faces.tsv"));
    std::vector<AnnotatedPhoto> photos;
    std::string line;
    std::getline(tsv, line); // header
    while (std::getline(tsv, line)) {
        std::istringstream fields(line);
        AnnotatedPhoto photo;
        if (fields >> photo.file >> photo.faces)
            photos.push_back(photo);
    }
    return photos;
}

// Photos in which he smiles with his eyes narrowed to slits or half closed: not open
// eyes, and too close to the line to call either way.
bool eyesNarrowed(const std::filesystem::path &image)
{
    for (const char *name : {"000325_00925954.jpg", "000288_00925786.jpg", "000307_00925823.jpg", "000329_00925859.jpg"})
        if (image.filename() == name)
            return true;
    return false;
}

} // namespace

TEST(FrameAnalyzer, OneFaceWithOpenEyesGivesOneEmbeddingOfEachKind)
{
    FrameAnalyzer &analyzer = loadedAnalyzer();
    const cv::Mat frame = cameraFrameOf(identityImages("John_Salley").front());
    const AnalysedFrame analysis = analyzer.analyze(frame);
    ASSERT_EQ(analysis.faceCount(), 1);
    EXPECT_FALSE(analysis.isFaceCountUpdateDue());
    ASSERT_EQ(analysis.openEyeEmbeddings.size(), 1u);
    EXPECT_EQ(analysis.allEmbeddings, analysis.openEyeEmbeddings);
    EXPECT_EQ(analysis.allEmbeddings[0].size(), 512u);
    EXPECT_EQ(analysis.outcomes.at(0).gate, FaceGate::ok);

    // Nobody to match or enrol: the same face, gated as before, but no embedding.
    const AnalysedFrame unread = analyzer.analyze(frame, false);
    ASSERT_EQ(unread.faceCount(), 1);
    EXPECT_EQ(unread.outcomes.at(0).gate, FaceGate::ok);
    EXPECT_TRUE(unread.allEmbeddings.empty() && unread.openEyeEmbeddings.empty());
}

// Boxes and eye points are fractions of the frame with the origin at the bottom left, and
// the left eye is the subject's own, on the image's right.
TEST(FrameAnalyzer, GeometryIsNormalisedFromTheBottomLeftWithTheSubjectsLeftEye)
{
    cv::Mat frame(480, 640, CV_8UC3, cv::Scalar::all(128));
    const cv::Mat chip = cv::imread(identityImages("John_Schneider")[1].string());
    chip.copyTo(frame(cv::Rect(40, 30, chip.cols, chip.rows))); // the top-left quarter
    const AnalysedFrame analysis = loadedAnalyzer().analyze(frame);
    ASSERT_EQ(analysis.faceCount(), 1);
    const FaceObservation &face = analysis.observations[0];
    const cv::Rect2d &box = face.boundingBox;
    EXPECT_LT(box.x + box.width, 0.5);
    EXPECT_GT(box.y, 0.5);
    EXPECT_LT(box.y + box.height, 1.0);
    EXPECT_GT(box.width, 0.1);
    ASSERT_TRUE(face.leftEye && face.rightEye);
    ASSERT_EQ(face.leftEye->size(), 6u);
    EXPECT_GT(meanX(*face.leftEye), meanX(*face.rightEye));
    for (const auto &p : *face.leftEye)
        EXPECT_GT(p.y, box.y + box.height * 0.5); // in the upper half of the box
}

// Both axes in one unit: measured in fractions of the frame's sides instead, a landscape
// frame reads 4/3 too wide open and a portrait one 3/4 too closed. Open eyes average
// 0.25 to 0.30 in the eye-aspect-ratio literature.
TEST(FrameAnalyzer, OpenEyesOfRealFacesAreOpenWhateverTheFramesShape)
{
    const auto meanRatio = [](const FaceObservation &face) {
        return (eyeAspectRatio(*face.leftEye, face.frameAspect) + eyeAspectRatio(*face.rightEye, face.frameAspect)) / 2;
    };
    double sumLandscape = 0.0, sumPortrait = 0.0;
    int faces = 0;
    for (const std::string person : {"John_Salley", "John_Savage", "John_Schneider"}) {
        for (const auto &image : identityImages(person)) {
            if (eyesNarrowed(image))
                continue;
            SCOPED_TRACE(image);
            const AnalysedFrame camera = loadedAnalyzer().analyze(cameraFrameOf(image));
            ASSERT_EQ(camera.faceCount(), 1);
            EXPECT_TRUE(camera.outcomes[0].eyesOpen);
            const cv::Mat chip = cv::imread(image.string());
            cv::Mat landscape(480, 640, CV_8UC3, cv::Scalar::all(128));
            cv::Mat portrait(640, 480, CV_8UC3, cv::Scalar::all(128));
            chip.copyTo(landscape(cv::Rect(245, 165, chip.cols, chip.rows)));
            chip.copyTo(portrait(cv::Rect(165, 245, chip.cols, chip.rows)));
            const AnalysedFrame wide = loadedAnalyzer().analyze(landscape);
            const AnalysedFrame tall = loadedAnalyzer().analyze(portrait);
            ASSERT_EQ(wide.faceCount(), 1);
            ASSERT_EQ(tall.faceCount(), 1);
            // Single faces differ by the landmarks' jitter; the means may not.
            sumLandscape += meanRatio(wide.observations[0]);
            sumPortrait += meanRatio(tall.observations[0]);
            ++faces;
        }
    }
    ASSERT_EQ(faces, 29);
    const double landscapeMean = sumLandscape / faces, portraitMean = sumPortrait / faces;
    EXPECT_NEAR(landscapeMean, portraitMean, 0.02);
    EXPECT_GE(landscapeMean, 0.25);
    EXPECT_LE(landscapeMean, 0.30);
}

TEST(FrameAnalyzer, GroupPhotosAreCountedByTheRectangleCount)
{
    int annotated = 0;
    int counted = 0;
    for (const auto &photo : annotatedGroupPhotos()) {
        const AnalysedFrame analysis = loadedAnalyzer().analyze(cameraFrameOf(testData("groups/" + photo.file)));
        annotated += photo.faces;
        counted += std::min(photo.faces, analysis.rectangleCount);
        EXPECT_LE(analysis.rectangleCount, photo.faces + 1) << photo.file;
        EXPECT_LE(analysis.faceCount(), analysis.rectangleCount) << photo.file;
    }
    ASSERT_GT(annotated, 30);
    EXPECT_GE(counted, 0.85 * annotated) << counted << " of " << annotated;

    // A close group: every face embedded.
    AnalysedFrame analysis = loadedAnalyzer().analyze(cameraFrameOf(testData("groups/2008_002506.jpg")));
    EXPECT_EQ(analysis.allEmbeddings.size(), 3u);
    EXPECT_EQ(analysis.rectangleCount, 3);
    // Six people around a table, too far to be recognised, are still counted.
    analysis = loadedAnalyzer().analyze(cameraFrameOf(testData("groups/2008_002470.jpg")));
    EXPECT_GE(analysis.rectangleCount, 5);
    EXPECT_LT(analysis.faceCount(), analysis.rectangleCount);
    EXPECT_TRUE(analysis.isFaceCountUpdateDue());
    for (const cv::Mat &nobody : {cameraFrameOf(testData("groups/dogs.jpg")), cv::Mat()}) {
        analysis = loadedAnalyzer().analyze(nobody);
        EXPECT_EQ(analysis.faceCount(), 0);
        EXPECT_EQ(analysis.rectangleCount, 0);
        EXPECT_FALSE(analysis.isFaceCountUpdateDue());
    }
}

TEST(FrameAnalyzer, WithoutEmbeddingModelFacesAreCountedSilently)
{
    MemoryLog log;
    FrameAnalyzer analyzer(log);
    analyzer.loadDetectionModels();
    const AnalysedFrame analysis = analyzer.analyze(cameraFrameOf(testData("groups/2008_002506.jpg")));
    EXPECT_EQ(analysis.faceCount(), 3);
    EXPECT_TRUE(analysis.allEmbeddings.empty());
    EXPECT_TRUE(log.lines().empty());
}
