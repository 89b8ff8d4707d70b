// The check of the installed files against the record made when they were built.

#include "app/integrity_status.h"
#include "platform/fakes/system_probe_fakes.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vardo {
namespace {

class IntegrityCheck : public ::testing::Test {
protected:
    QString write(const QString &name, const QByteArray &content)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    }
    static QByteArray sumOf(const QByteArray &content)
    {
        return QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex();
    }

    QTemporaryDir dir;
    FakePackageOrigin packages;
};

TEST_F(IntegrityCheck, VerdictFollowsTheWorstFile)
{
    const QString program = write("nerova-vardo", "program");
    const QString model = write("face_embedding.onnx", "model");
    const std::vector<InstalledFile> files = {{"nerova-vardo", program}, {"face_embedding.onnx", model}};
    const QByteArray recordedProgram = sumOf("program") + "  " + program.toUtf8() + "\n";
    const QByteArray recordedModel = sumOf("model") + "  " + model.toUtf8() + "\n";
    const QByteArray otherModel = sumOf("another model") + "  " + model.toUtf8() + "\n";

    struct Case {
        const char *what;
        std::optional<QByteArray> record; // nothing: no record at all
        IntegrityVerdict verdict;
        FileCheck program, model;
    } cases[] = {
        {"both recorded and unchanged", recordedProgram + recordedModel, IntegrityVerdict::verified,
         FileCheck::matches, FileCheck::matches},
        {"the model was replaced", recordedProgram + otherModel, IntegrityVerdict::modified, FileCheck::matches,
         FileCheck::changed},
        {"the model is not in the record", recordedProgram, IntegrityVerdict::unverified, FileCheck::matches,
         FileCheck::unrecorded},
        {"no record", std::nullopt, IntegrityVerdict::unverified, FileCheck::unrecorded, FileCheck::unrecorded},
        {"a record that is no record", QByteArray("not a list of sums\n"), IntegrityVerdict::unverified,
         FileCheck::unrecorded, FileCheck::unrecorded},
        // sha256sum's binary-mode marker reads the same.
        {"binary-mode lines", sumOf("program") + " *" + program.toUtf8() + "\n" + recordedModel,
         IntegrityVerdict::verified, FileCheck::matches, FileCheck::matches},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(dir.filePath("integrity.sha256"));
        if (c.record)
            write("integrity.sha256", *c.record);
        const IntegrityReport report = checkIntegrity(files, {dir.filePath("integrity.sha256")}, packages);
        EXPECT_EQ(report.verdict, c.verdict);
        ASSERT_EQ(report.files.size(), 2u);
        EXPECT_EQ(report.files[0].check, c.program);
        EXPECT_EQ(report.files[1].check, c.model);
    }
}

TEST_F(IntegrityCheck, AFileGoneSinceTheRecordIsModifiedAndThePackageIsNamed)
{
    const QString program = write("nerova-vardo", "program");
    const QString model = dir.filePath("blazeface.onnx");
    const QString record = write("integrity.sha256", sumOf("program") + "  " + program.toUtf8() + "\n"
                                                         + sumOf("model") + "  " + model.toUtf8() + "\n");
    packages.owners[program.toStdString()] = PackageInfo{"nerova-vardo", "0.1.0-1"};
    const IntegrityReport report = checkIntegrity({{"nerova-vardo", program}, {"blazeface.onnx", model}}, {record}, packages);
    EXPECT_EQ(report.verdict, IntegrityVerdict::modified);
    EXPECT_EQ(report.files[1].check, FileCheck::missing);
    EXPECT_EQ(report.files[0].package.value_or(PackageInfo{}).name, "nerova-vardo");
}

TEST_F(IntegrityCheck, AnInstallationsRecordCountsFromItsPrefix)
{
    QDir(dir.path()).mkpath("usr/bin");
    QDir(dir.path()).mkpath("usr/share/nerova-vardo");
    const QString program = write("usr/bin/nerova-vardo", "installed program");
    const QString record = write("usr/share/nerova-vardo/integrity.sha256",
                                 sumOf("installed program") + "  bin/nerova-vardo\n");
    const IntegrityReport report = checkIntegrity({{"nerova-vardo", program}}, {record}, packages);
    EXPECT_EQ(report.verdict, IntegrityVerdict::verified);
    EXPECT_EQ(report.manifestPath, record);
}

} // namespace
} // namespace vardo
