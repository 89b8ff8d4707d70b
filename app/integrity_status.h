#pragma once

#include "app/integrity_manifest.h"
#include "platform/package_origin.h"

#include <QObject>
#include <QString>
#include <QVariantList>

#include <memory>
#include <optional>
#include <vector>

namespace vardo {

class TaskQueue;

// Whether the installed application is the one that was built: every file of
// installedFiles() is hashed and compared with the record made at build or install
// time, and the package database says where each comes from.
enum class FileCheck { matches, changed, missing, unrecorded };
const char *fileCheckName(FileCheck check);

struct CheckedFile {
    InstalledFile file;
    FileCheck check = FileCheck::unrecorded;
    std::optional<PackageInfo> package;
};

enum class IntegrityVerdict {
    verified,   // a record was found and every file matches it
    modified,   // a recorded file differs or is gone
    unverified, // no record, or files the record does not hold
};
const char *integrityVerdictName(IntegrityVerdict verdict);

struct IntegrityReport {
    QString manifestPath; // empty when none was found
    std::vector<CheckedFile> files;
    IntegrityVerdict verdict = IntegrityVerdict::unverified;
};

// Reads the first record of `candidates` that exists and checks `files` against it.
IntegrityReport checkIntegrity(const std::vector<InstalledFile> &files, const std::vector<QString> &candidates,
                               PackageOrigin &packages);

// The check for the interface (QML singleton `Integrity`). It runs on the background
// queue when first asked for and again on request; its result is published on the main
// thread.
class IntegrityStatus final : public QObject {
    Q_OBJECT
    // "unchecked", "checking", "verified", "modified", "unverified"
    Q_PROPERTY(QString state READ state NOTIFY changed)
    // One map per file: name, path, check ("matches", "changed", "missing",
    // "unrecorded"), package ("name version" or empty).
    Q_PROPERTY(QVariantList files READ files NOTIFY changed)
    Q_PROPERTY(QString programPath READ programPath CONSTANT)
    // The package the program came from ("nerova-vardo 0.1.0"); empty for a build of
    // one's own.
    Q_PROPERTY(QString programPackage READ programPackage NOTIFY changed)
    Q_PROPERTY(QString manifestPath READ manifestPath NOTIFY changed)

public:
    IntegrityStatus(QString programPath, PackageOrigin &packages, TaskQueue &background, TaskQueue &main,
                    QObject *parent = nullptr);
    ~IntegrityStatus() override;

    QString state() const;
    QVariantList files() const;
    QString programPath() const { return programPath_; }
    QString programPackage() const;
    QString manifestPath() const;
    const std::optional<IntegrityReport> &report() const { return report_; }
    bool isChecking() const { return checking_; }

    // Starts a check unless one is running.
    Q_INVOKABLE void check();
    // Starts the first check; later calls do nothing.
    Q_INVOKABLE void checkOnce();

signals:
    void changed();
    void checked();

private:
    QString programPath_;
    PackageOrigin &packages_;
    TaskQueue &background_;
    TaskQueue &main_;
    std::optional<IntegrityReport> report_;
    bool checking_ = false;
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
};

} // namespace vardo
