#include "screens/lock_status.h"

namespace vardo {

namespace {

QColor withOpacity(QColor colour, double opacity)
{
    colour.setAlphaF(static_cast<float>(opacity));
    return colour;
}

} // namespace

LockStatusLine lockStatusLine(bool isFaceLocked, bool faceDetected, bool ownerRecognized)
{
    if (isFaceLocked)
        return {"lock.face_locked", withOpacity(QColor(255, 149, 0), 0.9)}; // orange
    if (faceDetected && !ownerRecognized)
        return {"lock.not_recognized", withOpacity(QColor(255, 59, 48), 0.8)}; // red
    return {"lock.return", withOpacity(Qt::white, 0.6)};
}

} // namespace vardo
