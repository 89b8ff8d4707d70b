#pragma once

#include <QString>
#include <QUuid>

namespace vardo {

// A photo of an unrecognised face at the locked screen, stored as a PNG file.
struct IntruderPhoto {
    QUuid id;
    QString path;      // the PNG file
    double date = 0.0; // seconds since 1970-01-01 UTC
};

} // namespace vardo
