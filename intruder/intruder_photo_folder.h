#pragma once

#include "intruder/intruder_photo.h"

#include <QString>

#include <opencv2/core/mat.hpp>

#include <cstddef>
#include <vector>

namespace vardo {

class LogSink;

// The folder that holds the intruder photos, one PNG file per photo, named by its local
// capture time ("intruder_2026-03-02_09-00-35.png"). These are pictures of people: the
// folder is the owner's alone (0700) and so is every file (0600), and a file takes its
// name only once it is complete, so a crash or a full disk never leaves half a photo
// under a photo's name.
//
// The object holds nothing but the path: its operations may run on any thread, though
// writes and clearing must keep their order (they run on one serial queue).
class IntruderPhotoFolder {
public:
    explicit IntruderPhotoFolder(QString path) : path_(std::move(path)) {}

    // $XDG_DATA_HOME/NerovaVardo/IntruderPhotos ($HOME/.local/share when unset).
    static QString defaultPath();

    const QString &path() const { return path_; }
    // Where a photo taken at `date` (seconds since 1970) is stored; two photos of the same
    // second share the name, the later replacing the earlier.
    QString filePathFor(double date) const;

    // Writes the frame (8-bit BGR or grey) as PNG to `filePath`, replacing a file of that
    // name. False, with a log line, when nothing was stored.
    bool save(const cv::Mat &frame, const QString &filePath, LogSink &log) const;

    // The stored photos, newest first by name: the first `limit` ".png" files, less those
    // that cannot be read as images (each skipped with a log line). A photo's date is
    // the file's birth time where the file system keeps one, its modification time
    // otherwise. Nothing when the folder cannot be listed.
    std::vector<IntruderPhoto> load(std::size_t limit, LogSink &log) const;

    // Removes the folder with everything in it and makes it again, empty.
    void clear(LogSink &log) const;

private:
    bool makeFolder(LogSink &log) const;

    QString path_;
};

} // namespace vardo
