#include "intruder/intruder_photo_folder.h"

#include "platform/log_sink.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QLocale>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>

namespace vardo {

namespace {

constexpr QFileDevice::Permissions ownerOnlyFolder =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
constexpr QFileDevice::Permissions ownerOnlyFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// A view of the frame's pixels, valid while the frame lives.
QImage imageOf(const cv::Mat &frame)
{
    if (frame.empty() || frame.depth() != CV_8U)
        return {};
    const auto step = static_cast<qsizetype>(frame.step);
    switch (frame.channels()) {
    case 3: return QImage(frame.data, frame.cols, frame.rows, step, QImage::Format_BGR888);
    case 1: return QImage(frame.data, frame.cols, frame.rows, step, QImage::Format_Grayscale8);
    default: return {};
    }
}

void say(LogSink &log, const QString &line)
{
    log.write(line.toStdString());
}

} // namespace

QString IntruderPhotoFolder::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/NerovaVardo/IntruderPhotos");
}

QString IntruderPhotoFolder::filePathFor(double date) const
{
    const auto msecs = static_cast<qint64>(std::floor(date * 1000.0));
    // Digits and separators are those of the name, whatever the interface language.
    const QString stamp = QLocale::c().toString(QDateTime::fromMSecsSinceEpoch(msecs), u"yyyy-MM-dd_HH-mm-ss");
    return path_ + QStringLiteral("/intruder_") + stamp + QStringLiteral(".png");
}

bool IntruderPhotoFolder::makeFolder(LogSink &log) const
{
    // Created private rather than made private afterwards; an existing folder is
    // tightened too.
    QDir().mkpath(QFileInfo(path_).absolutePath());
    if (!QFileInfo(path_).isDir())
        QDir().mkdir(path_, ownerOnlyFolder);
    if (!QFileInfo(path_).isDir() || !QFile::setPermissions(path_, ownerOnlyFolder)) {
        say(log, QStringLiteral("[Intruder] Cannot make the photo folder %1 private to its owner").arg(path_));
        return false;
    }
    return true;
}

bool IntruderPhotoFolder::save(const cv::Mat &frame, const QString &filePath, LogSink &log) const
{
    const auto failed = [&](const QString &why) {
        say(log, QStringLiteral("[Intruder] Photo not stored (%1): %2").arg(QFileInfo(filePath).fileName(), why));
        return false;
    };
    const QImage image = imageOf(frame);
    if (image.isNull())
        return failed(QStringLiteral("the frame is not an 8-bit colour or grey image"));
    if (!makeFolder(log))
        return failed(QStringLiteral("no folder to store it in"));
    // Written under a temporary name and renamed over the final one by commit(); the
    // permissions are set before, so no reader ever sees the photo with wider ones.
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly))
        return failed(file.errorString());
    if (!file.setPermissions(ownerOnlyFile)) {
        file.cancelWriting();
        return failed(file.errorString());
    }
    QImageWriter writer(&file, "png");
    if (!writer.write(image)) {
        file.cancelWriting();
        return failed(file.error() != QFileDevice::NoError ? file.errorString() : writer.errorString());
    }
    if (!file.commit())
        return failed(file.errorString());
    return true;
}

std::vector<IntruderPhoto> IntruderPhotoFolder::load(std::size_t limit, LogSink &log) const
{
    const QDir folder(path_);
    if (!folder.exists())
        return {};
    QFile::setPermissions(path_, ownerOnlyFolder);
    QStringList names = folder.entryList(QDir::Files | QDir::NoSymLinks | QDir::Hidden, QDir::Unsorted);
    // Exactly ".png": another spelling is not a file this folder's writer made.
    names.removeIf([](const QString &name) { return !name.endsWith(QLatin1String(".png"), Qt::CaseSensitive); });
    // The names sort as the capture times do: newest first.
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) { return a > b; });
    if (static_cast<std::size_t>(names.size()) > limit)
        names.resize(static_cast<qsizetype>(limit));

    std::vector<IntruderPhoto> photos;
    for (const QString &name : names) {
        const QString path = folder.filePath(name);
        QImageReader reader(path, "png");
        if (reader.read().isNull()) {
            say(log, QStringLiteral("[Intruder] Skipped unreadable photo %1: %2").arg(name, reader.errorString()));
            continue;
        }
        const QFileInfo info(path);
        const QDateTime born = info.birthTime();
        const QDateTime taken = born.isValid() ? born : info.lastModified();
        photos.push_back(IntruderPhoto{QUuid::createUuid(), path, taken.toMSecsSinceEpoch() / 1000.0, true});
    }
    return photos;
}

void IntruderPhotoFolder::clear(LogSink &log) const
{
    QDir folder(path_);
    if (folder.exists() && !folder.removeRecursively())
        say(log, QStringLiteral("[Intruder] Could not remove every photo from %1").arg(path_));
    makeFolder(log);
}

} // namespace vardo
