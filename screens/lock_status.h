#pragma once

#include <QColor>
#include <QObject>
#include <QString>

namespace vardo {

// The lock screen's status line: why the screen stays locked, by the first rule that
// holds (face lockout, a face that is not the owner's, otherwise an invitation back).
struct LockStatusLine {
    const char *key;
    QColor colour;
};

LockStatusLine lockStatusLine(bool isFaceLocked, bool faceDetected, bool ownerRecognized);

// The same rule for QML, as the singleton LockStatus.
class LockStatusRule final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    Q_INVOKABLE QString key(bool isFaceLocked, bool faceDetected, bool ownerRecognized) const
    {
        return QString::fromLatin1(lockStatusLine(isFaceLocked, faceDetected, ownerRecognized).key);
    }
    Q_INVOKABLE QColor colour(bool isFaceLocked, bool faceDetected, bool ownerRecognized) const
    {
        return lockStatusLine(isFaceLocked, faceDetected, ownerRecognized).colour;
    }
};

} // namespace vardo
