// vardo-integrity-manifest: records the SHA-256 sums of an application's program and of
// the model files it loads, for the integrity check of the security sheet. The build
// runs it after linking nerova-vardo; an installation runs it again over the installed
// files.
//
// usage: vardo-integrity-manifest --program PATH --output FILE

#include "app/integrity_manifest.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <iostream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QString program, output;
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--program"))
            program = args[i + 1];
        else if (args[i] == QLatin1String("--output"))
            output = args[i + 1];
    }
    if (program.isEmpty() || output.isEmpty() || args.size() != 5) {
        std::cerr << "usage: vardo-integrity-manifest --program PATH --output FILE\n";
        return 2;
    }

    std::vector<vardo::ManifestEntry> entries;
    for (const auto &file : vardo::installedFiles(program)) {
        const auto sum = vardo::sha256OfFile(file.path);
        if (!sum) {
            // A model not built yet is simply not recorded; the sheet says so.
            std::cerr << "vardo-integrity-manifest: " << file.name.toStdString() << " not found, not recorded\n";
            continue;
        }
        entries.push_back({*sum, file.path});
    }
    QDir().mkpath(QFileInfo(output).absolutePath());
    QSaveFile file(output);
    if (!file.open(QIODevice::WriteOnly) || file.write(vardo::formatManifest(entries)) < 0 || !file.commit()) {
        std::cerr << "vardo-integrity-manifest: cannot write " << output.toStdString() << "\n";
        return 1;
    }
    return 0;
}
