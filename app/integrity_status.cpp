#include "app/integrity_status.h"

#include "platform/task_queue.h"

#include <QFile>
#include <QFileInfo>

#include <map>

namespace vardo {

const char *fileCheckName(FileCheck check)
{
    switch (check) {
    case FileCheck::matches: return "matches";
    case FileCheck::changed: return "changed";
    case FileCheck::missing: return "missing";
    case FileCheck::unrecorded: return "unrecorded";
    }
    return "unrecorded";
}

const char *integrityVerdictName(IntegrityVerdict verdict)
{
    switch (verdict) {
    case IntegrityVerdict::verified: return "verified";
    case IntegrityVerdict::modified: return "modified";
    case IntegrityVerdict::unverified: return "unverified";
    }
    return "unverified";
}

IntegrityReport checkIntegrity(const std::vector<InstalledFile> &files, const std::vector<QString> &candidates,
                               PackageOrigin &packages)
{
    IntegrityReport report;
    std::map<QString, QByteArray> recorded;
    for (const QString &candidate : candidates) {
        QFile file(candidate);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        // A record that cannot be read as one counts as none: nothing is vouched for.
        if (const auto entries = parseManifest(file.readAll())) {
            report.manifestPath = candidate;
            for (const auto &entry : *entries)
                recorded[recordedPath(entry.path, candidate)] = entry.sha256;
        }
        break;
    }

    bool anyBad = false;
    bool allMatch = !report.manifestPath.isEmpty();
    for (const InstalledFile &installed : files) {
        CheckedFile checked{installed, FileCheck::unrecorded, std::nullopt};
        const auto entry = recorded.find(installed.path);
        const auto sum = sha256OfFile(installed.path);
        if (entry == recorded.end())
            checked.check = sum ? FileCheck::unrecorded : FileCheck::missing;
        else if (!sum)
            checked.check = FileCheck::missing;
        else
            checked.check = *sum == entry->second ? FileCheck::matches : FileCheck::changed;
        if (!installed.path.isEmpty())
            checked.package = packages.packageOwning(installed.path.toStdString());
        anyBad = anyBad || (entry != recorded.end() && checked.check != FileCheck::matches);
        allMatch = allMatch && checked.check == FileCheck::matches;
        report.files.push_back(std::move(checked));
    }
    report.verdict = anyBad ? IntegrityVerdict::modified
        : allMatch          ? IntegrityVerdict::verified
                            : IntegrityVerdict::unverified;
    return report;
}

IntegrityStatus::IntegrityStatus(QString programPath, PackageOrigin &packages, TaskQueue &background, TaskQueue &main,
                                 QObject *parent)
    : QObject(parent), programPath_(QFileInfo(programPath).canonicalFilePath()), packages_(packages),
      background_(background), main_(main)
{
    if (programPath_.isEmpty())
        programPath_ = programPath;
}

IntegrityStatus::~IntegrityStatus() = default;

QString IntegrityStatus::state() const
{
    if (checking_)
        return QStringLiteral("checking");
    if (!report_)
        return QStringLiteral("unchecked");
    return QLatin1String(integrityVerdictName(report_->verdict));
}

QVariantList IntegrityStatus::files() const
{
    QVariantList list;
    if (!report_)
        return list;
    for (const auto &checked : report_->files) {
        QString package;
        if (checked.package)
            package = QString::fromStdString(checked.package->name + " " + checked.package->version).trimmed();
        list.append(QVariantMap{
            {QStringLiteral("name"), checked.file.name},
            {QStringLiteral("path"), checked.file.path},
            {QStringLiteral("check"), QLatin1String(fileCheckName(checked.check))},
            {QStringLiteral("package"), package},
        });
    }
    return list;
}

QString IntegrityStatus::programPackage() const
{
    if (!report_ || report_->files.empty() || !report_->files.front().package)
        return {};
    const PackageInfo &p = *report_->files.front().package;
    return QString::fromStdString(p.name + " " + p.version).trimmed();
}

QString IntegrityStatus::manifestPath() const
{
    return report_ ? report_->manifestPath : QString();
}

void IntegrityStatus::check()
{
    if (checking_)
        return;
    checking_ = true;
    emit changed();
    // Hashing some hundred megabytes of models takes a moment: off the main thread.
    background_.post([this, alive = std::weak_ptr<int>(lifetime_), program = programPath_] {
        if (alive.expired())
            return;
        IntegrityReport report = checkIntegrity(installedFiles(program), manifestCandidates(program), packages_);
        main_.post([this, alive, report = std::move(report)]() mutable {
            if (alive.expired())
                return;
            report_ = std::move(report);
            checking_ = false;
            emit changed();
            emit checked();
        });
    });
}

void IntegrityStatus::checkOnce()
{
    if (!report_ && !checking_)
        check();
}

} // namespace vardo
