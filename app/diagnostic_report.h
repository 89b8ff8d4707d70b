#pragma once

#include "app/integrity_status.h"
#include "platform/camera.h"
#include "platform/system_description.h"

#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace vardo {

// What a problem report is made of. Deliberately only descriptions: the report never
// holds a camera frame, a face, an embedding, an intruder photo or its file name.
struct DiagnosticInputs {
    QString version;
    SystemDescription system;
    QString language;
    std::vector<CameraDevice> cameras;
    QString cameraStatus;      // the engine's cameraStatusName
    bool cameraUnavailable = false;
    bool isMonitoring = false;
    bool isEnabled = false;
    bool stealthModeEnabled = false;
    bool isOwnerEnrolled = false; // whether, never what
    QString lockMode;
    std::optional<IntegrityReport> integrity;
    std::vector<std::string> logLines;
};

// The plain-text report "Report a Problem" copies: version, system and session,
// cameras and their status, the model files and their checks, the last log lines.
QString diagnosticReport(const DiagnosticInputs &inputs);

// A log line as the report may show it: lines that name a stored file (intruder photos
// by their dates, the user's folders) are cut down to their tag and first words.
std::optional<std::string> reportableLogLine(const std::string &line);

} // namespace vardo
