// vardo-integrity-manifest: records the SHA-256 sums of an application's program and of
// the model files it loads, for the integrity check of the security sheet.
//
// usage: vardo-integrity-manifest --program PATH --output FILE
//          after linking: the program as built and the models it finds from there
//        vardo-integrity-manifest --installed DIR --output FILE
//          at installation: the files installed under DIR (the prefix, wherever it is
//          staged), recorded by their paths relative to it; dlib's landmark model, which
//          another package installs, by its absolute path

#include "app/integrity_manifest.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <iostream>
#include <map>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    std::map<QString, QString> options;
    for (qsizetype i = 1; i + 1 < args.size(); i += 2)
        options[args[i]] = args[i + 1];
    const bool built = options.count("--program") == 1;
    const bool installed = options.count("--installed") == 1;
    const QString output = options["--output"];
    if (built == installed || output.isEmpty() || args.size() != 5) {
        std::cerr << "usage: vardo-integrity-manifest --program PATH --output FILE\n"
                     "       vardo-integrity-manifest --installed DIR --output FILE\n";
        return 2;
    }

    const QString prefix = options["--installed"];
    const std::vector<vardo::InstalledFile> files =
        built ? vardo::installedFiles(options["--program"]) : vardo::packagedFiles(prefix);
    std::vector<vardo::ManifestEntry> entries;
    for (const auto &file : files) {
        const auto sum = vardo::sha256OfFile(file.path);
        if (!sum) {
            // A model not built yet is simply not recorded; the sheet says so.
            std::cerr << "vardo-integrity-manifest: " << file.name.toStdString() << " not found, not recorded\n";
            continue;
        }
        const bool underPrefix = installed && file.path.startsWith(QDir(prefix).absolutePath() + QLatin1Char('/'));
        entries.push_back({*sum, underPrefix ? QDir(prefix).relativeFilePath(file.path) : file.path});
    }
    const QString target = output;
    QDir().mkpath(QFileInfo(target).absolutePath());
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(vardo::formatManifest(entries)) < 0 || !file.commit()) {
        std::cerr << "vardo-integrity-manifest: cannot write " << target.toStdString() << "\n";
        return 1;
    }
    return 0;
}
