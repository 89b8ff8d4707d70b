#include "recognition/quality_gates.h"

#include "utils/decimal_text.h"

#include <cstdio>
#include <string>

namespace vardo {

namespace {

std::string withArea(const char *prefix, double area)
{
    char number[64];
    std::snprintf(number, sizeof number, "%.4f", area);
    return std::string(prefix) + number;
}

} // namespace

FaceGate checkQualityGates(const FaceObservation &face, LogSink &log)
{
    const double area = face.boundingBox.width * face.boundingBox.height;
    if (area <= 0.02) {
        log.write(withArea("[FaceID] Face too small (far away): ", area));
        return FaceGate::tooSmall;
    }
    if (area >= 0.85) {
        log.write(withArea("[FaceID] Face too large (too close): ", area));
        return FaceGate::tooLarge;
    }
    if (face.confidence < 0.7f) {
        log.write("[FaceID] Low confidence face detection: " + floatText(face.confidence));
        return FaceGate::lowConfidence;
    }
    return FaceGate::ok;
}

const char *gateName(FaceGate gate)
{
    switch (gate) {
    case FaceGate::ok:
        return "ok";
    case FaceGate::tooSmall:
        return "too_small";
    case FaceGate::tooLarge:
        return "too_large";
    case FaceGate::lowConfidence:
        return "low_confidence";
    }
    return "ok";
}

} // namespace vardo
