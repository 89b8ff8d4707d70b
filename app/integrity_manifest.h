#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace vardo {

// The files the running application consists of and loads for recognition, by the
// names the interface shows: the program itself, then the model files.
struct InstalledFile {
    QString name; // "nerova-vardo", "blazeface.onnx", ...
    QString path; // absolute; empty when the application cannot find the file
};
std::vector<InstalledFile> installedFiles(const QString &programPath);
// The same files as an installation under `prefix` places them (the program in bin/, the
// models in share/nerova-vardo/models), with dlib's landmark model from its Debian
// package.
std::vector<InstalledFile> packagedFiles(const QString &prefix);

// A record of SHA-256 sums made when the application is built or installed, in the
// format of sha256sum ("<64 hex digits>  <path>" per line), so that `sha256sum --check`
// reads it as well. The build's record beside the program holds absolute paths; an
// installation's record in <prefix>/share/nerova-vardo holds paths relative to the prefix
// for what it installed (check it with `cd /usr && sha256sum -c share/...`), so that it
// stays true wherever the files were staged on their way into a package.
struct ManifestEntry {
    QByteArray sha256; // lower-case hex
    QString path;
};
// Nothing when the text is not such a record.
std::optional<std::vector<ManifestEntry>> parseManifest(const QByteArray &text);
QByteArray formatManifest(const std::vector<ManifestEntry> &entries);

// The file's SHA-256 in lower-case hex; nothing when it cannot be read.
std::optional<QByteArray> sha256OfFile(const QString &path);

// The absolute path of a recorded `path`: relative paths count from the prefix of the
// record at `manifestPath` (two folders up from share/nerova-vardo).
QString recordedPath(const QString &path, const QString &manifestPath);

// Where the record of an application at `programPath` lies: beside the program in a
// build tree, in <prefix>/share/nerova-vardo when installed.
std::vector<QString> manifestCandidates(const QString &programPath);
inline constexpr const char *manifestFileName = "integrity.sha256";

} // namespace vardo
