// The recognition analysis as the engine runs it on the camera's frames: real frames
// through the real models.

#include "engine/frame_analysis_factory.h"
#include "test_images.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace vardo::test
