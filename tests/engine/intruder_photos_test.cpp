#include "engine_harness.h"

#include "intruder/intruder_photo_folder.h"

#include <QDir>
#include <QFileInfo>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

namespace vardo::test {
namespace {

class IntruderPhotos : public EngineTest {
protected:
    IntruderPhotos() { platform.defaults.setBool("vardo_intruder_enabled", true); }

    // What the camera sees from now on: a picture unlike any other frame of the test.
    cv::Mat cameraSees(int shade)
    {
        platform.camera.framePixels = cv::Mat(480, 640, CV_8UC3, cv::Scalar(shade, 255 - shade, 60));
        return platform.camera.framePixels;
    }
    static bool fileHolds(const QString &path, const cv::Mat &frame)
    {
        const cv::Mat stored = cv::imread(path.toStdString(), cv::IMREAD_COLOR);
        return !stored.empty() && stored.size() == frame.size() && cv::norm(stored, frame, cv::NORM_INF) == 0;
    }
    QUrl sourceOf(IntruderPhotoListModel *model, int row)
    {
        return model->data(model->index(row), IntruderPhotoListModel::sourceRole).toUrl();
    }
    QStringList storedNames() const
    {
        return QDir(platform.intruderPhotoFolder.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};

// The road of a stranger: photographed at the fifteenth frame of a face at the locked
// screen (threshold 3), once; the owner unlocks and is shown the photo; it is in the
// history, newest first, also after a restart, which forgets only the session's photos.
TEST_F(IntruderPhotos, AStrangerAtTheLockedScreenIsPhotographedAndKeptAcrossARestart)
{
    // Yesterday's twenty photos.
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(platform.intruderPhotoFolder.save(cv::Mat(8, 8, CV_8UC3, cv::Scalar::all(i)),
                                                      platform.intruderPhotoFolder.filePathFor(startTime - 86400 + i), platform.log));
    VardoService &s = locked();
    ASSERT_EQ(s.intruderHistory().size(), 20u);
    const QString oldest = s.intruderHistory().back().path;

    const cv::Mat face = cameraSees(30);
    for (int frame = 1; frame <= 14; ++frame)
        showThroughCamera(stranger());
    EXPECT_TRUE(s.intruderPhotos().empty());
    at(20.0);
    analysis.expect(stranger());
    platform.camera.deliverFrames(5);
    platform.time.runUntilIdle(); // the fifteenth frame
    ASSERT_EQ(s.intruderPhotos().size(), 1u);
    EXPECT_TRUE(logged("[Intruder] Captured intruder photo (1 session, 20 history)"));
    const IntruderPhoto photo = s.intruderPhotos()[0];
    EXPECT_EQ(QFileInfo(photo.path).fileName(), "intruder_2026-03-02_09-00-20.png");
    EXPECT_TRUE(fileHolds(photo.path, face));
    EXPECT_EQ(s.intruderHistory().size(), 20u);
    EXPECT_EQ(s.intruderHistory().front().id, photo.id);
    EXPECT_NE(s.intruderHistory().back().path, oldest);
    EXPECT_TRUE(QFileInfo::exists(oldest)); // out of the history, still on disk
    EXPECT_TRUE(sourceOf(s.intruderPhotoModel(), 0).isLocalFile());

    cameraSees(90);
    for (int frame = 16; frame <= 29; ++frame)
        showThroughCamera(stranger());
    EXPECT_EQ(s.intruderPhotos().size(), 1u);
    EXPECT_EQ(s.intruderFrameCount(), 29);
    EXPECT_FALSE(s.showIntruderAlert());

    // The owner's own face, which passes the liveness checks at the lock.
    platform.camera.framePixels = owner().frame.clone();
    for (int frame = 0; frame < 6; ++frame)
        showThroughCamera(owner());
    EXPECT_FALSE(s.isLocked());
    EXPECT_TRUE(s.showIntruderAlert());

    start();
    VardoService &again = *service;
    EXPECT_TRUE(again.intruderPhotos().empty());
    EXPECT_FALSE(again.showIntruderAlert());
    ASSERT_EQ(again.intruderHistory().size(), 20u);
    EXPECT_EQ(again.intruderHistory().front().path, photo.path);
    EXPECT_TRUE(sourceOf(again.intruderHistoryModel(), 0).isLocalFile());
}

// Nothing to show until the file is written; two photos of one second share the file,
// which holds the later, and each keeps its own entry and source. Clearing the history
// leaves the session's photos and the alert, without files to show.
TEST_F(IntruderPhotos, TwoPhotosInOneSecondShareTheLaterFile)
{
    VardoService &s = locked();
    s.captureIntruderPhoto();
    EXPECT_TRUE(logged("[Intruder] No frame available for capture"));
    EXPECT_TRUE(s.intruderHistory().empty());

    cameraSees(10);
    showThroughCamera(stranger());
    s.captureIntruderPhoto();
    EXPECT_TRUE(sourceOf(s.intruderPhotoModel(), 0).isEmpty()); // not written yet
    const cv::Mat later = cameraSees(200);
    showThroughCamera(stranger());
    s.captureIntruderPhoto();
    settle();
    ASSERT_EQ(s.intruderPhotos().size(), 2u);
    ASSERT_EQ(s.intruderHistory().size(), 2u);
    EXPECT_EQ(s.intruderPhotos()[0].path, s.intruderPhotos()[1].path);
    EXPECT_TRUE(fileHolds(s.intruderPhotos()[0].path, later));
    EXPECT_EQ(storedNames(), QStringList{"intruder_2026-03-02_09-00-10.png"});
    const QUrl first = sourceOf(s.intruderPhotoModel(), 0), second = sourceOf(s.intruderPhotoModel(), 1);
    EXPECT_TRUE(first.isLocalFile() && second.isLocalFile());
    EXPECT_NE(first, second);

    s.manualUnlock();
    ASSERT_TRUE(s.showIntruderAlert());
    s.clearIntruderHistory();
    settle();
    EXPECT_TRUE(s.intruderHistory().empty());
    EXPECT_TRUE(storedNames().isEmpty());
    EXPECT_EQ(s.intruderPhotos().size(), 2u);
    EXPECT_TRUE(sourceOf(s.intruderPhotoModel(), 0).isEmpty());
    EXPECT_TRUE(s.showIntruderAlert());

    s.dismissIntruderAlert();
    EXPECT_TRUE(s.intruderPhotos().empty());
    EXPECT_FALSE(s.showIntruderAlert());
}

} // namespace
} // namespace vardo::test
