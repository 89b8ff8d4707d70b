#pragma once

#include <QString>
#include <QUuid>

namespace vardo {

// A photo of an unrecognised face at the locked screen, stored as a PNG file.
struct IntruderPhoto {
    QUuid id;
    QString path;      // the PNG file
    double date = 0.0; // seconds since 1970-01-01 UTC
    // The file is written off the main thread: until it holds this photo, complete, there
    // is nothing to show. Two photos of one second share a file; each is marked on its own.
    bool isSaved = false;
};

} // namespace vardo
