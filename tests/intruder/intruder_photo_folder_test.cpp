#include "intruder/intruder_photo_folder.h"
#include "platform/fakes/memory_log.h"
#include "tests/support/child_process.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <sys/resource.h>
#include <sys/stat.h>

namespace vardo::test {
namespace {

// 2026-03-02 09:00:35.700 UTC.
constexpr double captureTime = 1772442035.7;

// A frame whose blue, green and red differ everywhere, so that swapped channels show.
cv::Mat colourFrame(int rows = 48, int cols = 64, std::uint8_t shade = 0)
{
    cv::Mat frame(rows, cols, CV_8UC3);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < cols; ++x)
            frame.at<cv::Vec3b>(y, x) = cv::Vec3b(static_cast<std::uint8_t>(x * 3 + shade),
                                                  static_cast<std::uint8_t>(y * 5), static_cast<std::uint8_t>(200 - x));
    return frame;
}

bool samePixels(const cv::Mat &a, const cv::Mat &b)
{
    return a.size() == b.size() && a.type() == b.type() && cv::norm(a, b, cv::NORM_INF) == 0;
}

mode_t modeOf(const QString &path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

void writeTimeZone(const char *zone)
{
    setenv("TZ", zone, 1);
    tzset();
}

class IntruderPhotoFolderTest : public ::testing::Test {
protected:
    ~IntruderPhotoFolderTest() override { writeTimeZone("UTC"); }

    QTemporaryDir data;
    QString folderPath = data.filePath(QStringLiteral("NerovaVardo/IntruderPhotos"));
    IntruderPhotoFolder folder{folderPath};
    MemoryLog log;
};

// The name is the local capture time; the photo is the frame, colours and all; nobody
// but the owner can list the folder or read the file, whatever the umask and whatever
// the folder and a replaced file allowed before.
TEST_F(IntruderPhotoFolderTest, PhotosAreNamedByLocalTimeAndPrivateToTheOwner)
{
    struct Case {
        const char *timeZone;
        const char *name;
        bool folderExistsOpen; // made 0755 beforehand, with a 0644 photo of the same name
    };
    const Case cases[] = {
        {"UTC", "intruder_2026-03-02_09-00-35.png", false},
        {"Europe/Berlin", "intruder_2026-03-02_10-00-35.png", true},
        {"America/New_York", "intruder_2026-03-02_04-00-35.png", true},
    };
    const mode_t oldMask = ::umask(0);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.timeZone);
        writeTimeZone(c.timeZone);
        QDir(folderPath).removeRecursively();
        const QString expected = folderPath + QLatin1Char('/') + QLatin1String(c.name);
        if (c.folderExistsOpen) {
            ASSERT_TRUE(QDir().mkpath(folderPath));
            ::chmod(QFile::encodeName(folderPath).constData(), 0755);
            ASSERT_TRUE(cv::imwrite(expected.toStdString(), colourFrame(48, 64, 9)));
            ::chmod(QFile::encodeName(expected).constData(), 0644);
        }
        const QString path = folder.filePathFor(captureTime);
        EXPECT_EQ(path, expected);
        const cv::Mat frame = colourFrame();
        ASSERT_TRUE(folder.save(frame, path, log));
        EXPECT_TRUE(samePixels(cv::imread(path.toStdString(), cv::IMREAD_UNCHANGED), frame));
        EXPECT_EQ(modeOf(folderPath), 0700u);
        EXPECT_EQ(modeOf(path), 0600u);
        EXPECT_EQ(QDir(folderPath).entryList(QDir::Files | QDir::Hidden), QStringList{QLatin1String(c.name)});
    }
    ::umask(oldMask);
    EXPECT_TRUE(log.lines().empty());
}

// A process that dies while it writes a photo, or whose write is refused (the disk is
// full), leaves nothing under a photo's name but what was there before, complete.
TEST_F(IntruderPhotoFolderTest, AnInterruptedWriteLeavesNoHalfPhoto)
{
    struct Case {
        const char *what;
        bool killed; // the write kills the process (SIGXFSZ) rather than failing
        bool replacing;
    };
    const Case cases[] = {
        {"killed while replacing a photo", true, true},
        {"killed while writing a new photo", true, false},
        {"write refused", false, true},
    };
    const cv::Mat before = colourFrame(48, 64, 40);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QDir(folderPath).removeRecursively();
        const QString path = folder.filePathFor(captureTime);
        if (c.replacing)
            ASSERT_TRUE(folder.save(before, path, log));
        const ProcessResult child =
            runProcess({"/proc/self/exe", "--gtest_filter=IntruderPhotoWrite.Step"}, {},
                       {std::string(childStepVariable) + "=1", "TZ=UTC", "PHOTO_FOLDER=" + folderPath.toStdString(),
                        std::string("PHOTO_WRITE_KILLS=") + (c.killed ? "1" : "0")});
        if (c.killed)
            EXPECT_EQ(child.exitCode, -1) << child.output << child.errors;
        else
            EXPECT_NE(child.output.find("[  PASSED  ] 1 test."), std::string::npos) << child.output << child.errors;

        const auto photos = folder.load(20, log);
        if (c.replacing) {
            ASSERT_EQ(photos.size(), 1u);
            EXPECT_EQ(photos[0].path, path);
            EXPECT_TRUE(samePixels(cv::imread(path.toStdString(), cv::IMREAD_UNCHANGED), before));
        } else {
            EXPECT_TRUE(photos.empty());
            EXPECT_FALSE(QFileInfo::exists(path));
        }
        EXPECT_FALSE(log.contains("Skipped"));
    }
}

// The child's part: a photo far larger than the process may write.
TEST(IntruderPhotoWrite, Step)
{
    if (!isChildProcessStep())
        GTEST_SKIP() << "a step of AnInterruptedWriteLeavesNoHalfPhoto";
    MemoryLog log;
    const IntruderPhotoFolder shared(QString::fromLocal8Bit(std::getenv("PHOTO_FOLDER")));
    cv::Mat noise(480, 640, CV_8UC3);
    cv::randu(noise, 0, 256); // does not compress: about 900 KB of PNG
    const rlimit limit{64 * 1024, 64 * 1024};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    if (std::string(std::getenv("PHOTO_WRITE_KILLS")) == "0")
        std::signal(SIGXFSZ, SIG_IGN); // the write fails with EFBIG instead
    EXPECT_FALSE(shared.save(noise, shared.filePathFor(captureTime), log));
    EXPECT_TRUE(log.contains("[Intruder] Photo not stored (intruder_2026-03-02_09-00-35.png): "));
}

// Loading takes the 20 greatest ".png" names, newest first, and leaves out what is
// not a readable image, saying so; another spelling of the extension is not a photo.
TEST_F(IntruderPhotoFolderTest, LoadingTakesTheNewestTwentyReadablePhotos)
{
    writeTimeZone("UTC");
    const cv::Mat frame = colourFrame(8, 8);
    QStringList written;
    for (int minute = 0; minute < 25; ++minute) {
        const QString path = folder.filePathFor(captureTime + minute * 60.0);
        ASSERT_TRUE(folder.save(frame, path, log));
        written.prepend(path);
    }
    // Newer by name than all of them, but not photos of this folder.
    QFile::copy(written[0], folderPath + QStringLiteral("/intruder_2026-03-09_00-00-00.PNG"));
    QFile::copy(written[0], folderPath + QStringLiteral("/notes.txt"));
    // The third newest, cut off half-way.
    const QString broken = written[2];
    QFile::resize(broken, QFileInfo(broken).size() / 2);

    const auto photos = folder.load(20, log);
    QStringList loaded;
    for (const IntruderPhoto &photo : photos) {
        loaded << photo.path;
        EXPECT_TRUE(photo.isSaved);
    }
    QStringList expected = written.mid(0, 20);
    expected.removeOne(broken);
    EXPECT_EQ(loaded, expected);
    EXPECT_EQ(log.lines().size(), 1u);
    EXPECT_TRUE(log.contains("[Intruder] Skipped unreadable photo " + QFileInfo(broken).fileName().toStdString() + ": "));
    EXPECT_NE(photos.at(0).id, photos.at(1).id);
}

} // namespace
} // namespace vardo::test
