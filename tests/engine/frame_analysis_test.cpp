// The recognition analysis as the engine runs it on the camera's frames: real frames
// through the real models.

#include "engine/frame_analysis_factory.h"
#include "test_images.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace vardo::test {
namespace {

using vardo::testing::cameraFrameOf;
using vardo::testing::identityImages;
using vardo::testing::testData;

// An empty room is searched less often, but nobody may go unseen for longer than one
// analysed frame, and a face lost for one frame must not slow the search down.
TEST(FrameAnalysisOfTheCamera, SomeoneComingIntoAnEmptyRoomIsSeenAtMostOneFrameLate)
{
    MemoryLog log;
    const std::unique_ptr<FrameAnalysis> analysis = createFrameAnalysis(log);
    const cv::Mat nobody = cameraFrameOf(testData("groups/dogs.jpg"));
    const cv::Mat someone = cameraFrameOf(identityImages("John_Savage").front());
    const auto faces = [&](const cv::Mat &frame) {
        FaceCountUpdate update;
        return analysis->analyze(frame, update).faceCount;
    };
    for (int emptyFrames = 1; emptyFrames <= 6; ++emptyFrames) {
        SCOPED_TRACE(std::to_string(emptyFrames) + " empty frames");
        for (int i = 0; i < emptyFrames; ++i)
            ASSERT_EQ(faces(nobody), 0);
        const bool seenAtOnce = faces(someone) == 1;
        EXPECT_TRUE(seenAtOnce || emptyFrames >= 2); // a single lost frame never waits
        for (int i = 0; i < 4; ++i)
            ASSERT_EQ(faces(someone), 1) << "frame " << i + 1 << " after the arrival";
    }
}

// A 640 x 480 camera frame with these faces (200-pixel portraits, top-left corners
// given) and sensor noise of its own.
cv::Mat scene(const std::vector<std::pair<cv::Mat, cv::Point>> &faces, int noise)
{
    cv::Mat frame(480, 640, CV_8UC3, cv::Scalar::all(128));
    for (const auto &[face, at] : faces)
        face.copyTo(frame(cv::Rect(at, face.size())));
    cv::Mat grain(frame.size(), CV_8UC3);
    cv::RNG(static_cast<std::uint64_t>(noise)).fill(grain, cv::RNG::NORMAL, 0, 3);
    cv::add(frame, grain, frame); // saturating: brighter only, as much as a sensor's flicker
    return frame;
}

cv::Mat portrait(const std::string &person)
{
    cv::Mat chip = cv::imread(identityImages(person).front().string());
    cv::resize(chip, chip, cv::Size(200, 200), 0, 0, cv::INTER_CUBIC);
    return chip;
}

// While the unlocked screen is watched, a face that has plainly not moved keeps the
// embedding of an earlier frame; a face that moved or joined, an embedding older than
// five frames, enrolment and the locked screen get one made on the frame itself.
TEST(FrameAnalysisOfTheCamera, AStillFaceKeepsItsEarlierEmbeddingOnlyWhileThatIsSafe)
{
    using Need = FrameAnalysis::EmbeddingNeed;
    enum Made { fresh, reused, none };
    MemoryLog log;
    const std::unique_ptr<FrameAnalysis> analysis = createFrameAnalysis(log);
    analysis->loadEmbeddingModel();
    const cv::Mat salley = portrait("John_Salley");
    const cv::Mat first = scene({{salley, {220, 140}}}, 1);
    const cv::Mat still = scene({{salley, {222, 139}}}, 2);
    const cv::Mat moved = scene({{salley, {250, 140}}}, 3);
    const cv::Mat joined = scene({{salley, {222, 139}}, {portrait("John_Savage"), {10, 140}}}, 4);
    const cv::Mat nobody = scene({}, 5);
    const struct {
        const char *name;
        Need need;
        std::vector<const cv::Mat *> frames; // the last one is judged
        Made expected;
    } cases[] = {
        {"still", Need::recentWillDo, {&first, &still}, reused},
        {"still for five frames", Need::recentWillDo, {&first, &still, &still, &still, &still, &still}, reused},
        {"still for six frames", Need::recentWillDo, {&first, &still, &still, &still, &still, &still, &still}, fresh},
        {"moved", Need::recentWillDo, {&first, &moved}, fresh},
        {"someone joined", Need::recentWillDo, {&first, &joined}, fresh},
        {"enrolling or locked", Need::fresh, {&first, &still}, fresh},
        {"nobody to match", Need::none, {&first, &still}, none},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FaceCountUpdate update;
        analysis->setEmbeddingNeed(Need::fresh);
        analysis->analyze(nobody, update); // forget the case before
        analysis->setEmbeddingNeed(c.need);
        FrameResults results;
        for (const cv::Mat *frame : c.frames)
            results = analysis->analyze(*frame, update);
        ASSERT_EQ(results.faceCount, c.frames.back() == &joined ? 2 : 1);
        if (c.expected == none) {
            EXPECT_TRUE(results.allEmbeddings.empty());
            continue;
        }
        ASSERT_FALSE(results.openEyeEmbeddings.empty());
        ASSERT_EQ(results.openEyeEmbeddingReused.size(), results.openEyeEmbeddings.size());
        for (const bool wasReused : results.openEyeEmbeddingReused)
            EXPECT_EQ(wasReused, c.expected == reused);
    }
}

} // namespace
} // namespace vardo::test
