#include "app/integrity_manifest.h"

#include "recognition/blazeface_detector.h"
#include "recognition/face_embedding_model.h"
#include "recognition/face_landmarker.h"
#include "recognition/model_locator.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vardo {

namespace {

QString pathText(const std::optional<std::filesystem::path> &path)
{
    return path ? QString::fromStdString(path->string()) : QString();
}

bool isLowerHex(const QByteArray &text)
{
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

} // namespace

std::vector<InstalledFile> installedFiles(const QString &programPath)
{
    const std::filesystem::path landmarks = FaceLandmarker::modelFile();
    std::error_code error;
    const bool landmarksThere = std::filesystem::is_regular_file(landmarks, error);
    return {
        {QFileInfo(programPath).fileName(), QFileInfo(programPath).canonicalFilePath()},
        {QString::fromLatin1(BlazeFaceDetector::fileName), pathText(findModelFile(BlazeFaceDetector::fileName))},
        {QString::fromLatin1(FaceEmbeddingModel::fileName), pathText(findModelFile(FaceEmbeddingModel::fileName))},
        {QString::fromLatin1(FaceLandmarker::fileName),
         landmarksThere ? QString::fromStdString(landmarks.string()) : QString()},
    };
}

std::vector<InstalledFile> packagedFiles(const QString &prefix)
{
    const QDir root(QDir(prefix).absolutePath());
    const QString models = root.filePath(QStringLiteral("share/nerova-vardo/models/"));
    return {
        {QStringLiteral("nerova-vardo"), root.filePath(QStringLiteral("bin/nerova-vardo"))},
        {QString::fromLatin1(BlazeFaceDetector::fileName), models + QLatin1String(BlazeFaceDetector::fileName)},
        {QString::fromLatin1(FaceEmbeddingModel::fileName), models + QLatin1String(FaceEmbeddingModel::fileName)},
        {QString::fromLatin1(FaceLandmarker::fileName),
         QStringLiteral("/usr/share/dlib/") + QLatin1String(FaceLandmarker::fileName)},
    };
}

std::optional<std::vector<ManifestEntry>> parseManifest(const QByteArray &text)
{
    std::vector<ManifestEntry> entries;
    for (const QByteArray &line : text.split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        // sha256sum writes two spaces, or a space and '*' for binary mode.
        if (line.size() < 67 || line[64] != ' ' || (line[65] != ' ' && line[65] != '*'))
            return std::nullopt;
        const QByteArray sum = line.left(64);
        if (!isLowerHex(sum.toLower()))
            return std::nullopt;
        entries.push_back({sum.toLower(), QString::fromUtf8(line.mid(66))});
    }
    if (entries.empty())
        return std::nullopt;
    return entries;
}

QByteArray formatManifest(const std::vector<ManifestEntry> &entries)
{
    QByteArray text;
    for (const auto &entry : entries)
        text += entry.sha256 + "  " + entry.path.toUtf8() + '\n';
    return text;
}

std::optional<QByteArray> sha256OfFile(const QString &path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return std::nullopt;
    return hash.result().toHex();
}

QString recordedPath(const QString &path, const QString &manifestPath)
{
    if (QDir::isAbsolutePath(path))
        return path;
    return QDir::cleanPath(QFileInfo(manifestPath).absolutePath() + QStringLiteral("/../../") + path);
}

std::vector<QString> manifestCandidates(const QString &programPath)
{
    const QDir folder = QFileInfo(programPath).absoluteDir();
    return {
        folder.filePath(QLatin1String(manifestFileName)),
        QDir::cleanPath(folder.filePath(QStringLiteral("../share/nerova-vardo/")
                                        + QLatin1String(manifestFileName))),
    };
}

} // namespace vardo
