#include "platform/package_origin.h"

#include <QProcess>
#include <QStandardPaths>

namespace vardo {

namespace {

constexpr int answerTimeoutMs = 5000;

// The tool's standard output, or nothing when it is missing, fails or takes too long.
std::optional<QString> run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(answerTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

} // namespace

std::optional<PackageInfo> DpkgPackageOrigin::packageOwning(const std::string &path)
{
    const QString dpkgQuery = QStandardPaths::findExecutable(QStringLiteral("dpkg-query"));
    if (dpkgQuery.isEmpty())
        return std::nullopt;
    // "libdlib-data: /usr/share/dlib/shape_predictor_68_face_landmarks.dat"; a diversion
    // or several owners print more lines, the first owner is enough.
    const auto owners = run(dpkgQuery, {QStringLiteral("--search"), QString::fromStdString(path)});
    if (!owners)
        return std::nullopt;
    const QString first = owners->section(QLatin1Char('\n'), 0, 0);
    const qsizetype colon = first.indexOf(QStringLiteral(": "));
    if (colon <= 0 || first.startsWith(QStringLiteral("diversion ")))
        return std::nullopt;
    const QString name = first.left(colon).section(QLatin1Char(','), 0, 0).trimmed();
    const auto version = run(dpkgQuery, {QStringLiteral("--show"), QStringLiteral("--showformat=${Version}"), name});
    return PackageInfo{name.toStdString(), version.value_or(QString()).toStdString()};
}

} // namespace vardo
