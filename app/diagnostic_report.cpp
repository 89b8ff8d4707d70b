#include "app/diagnostic_report.h"

#include <opencv2/core/version.hpp>

#include <QtGlobal>

namespace vardo {

namespace {

QString yesNo(bool value)
{
    return value ? QStringLiteral("yes") : QStringLiteral("no");
}

QString orUnknown(const std::string &text)
{
    return text.empty() ? QStringLiteral("unknown") : QString::fromStdString(text);
}

} // namespace

std::optional<std::string> reportableLogLine(const std::string &line)
{
    // Intruder photos are pictures of people; the report does not even name them.
    if (line.starts_with("[Intruder]") || line.find(".png") != std::string::npos)
        return std::string("[Intruder] (a line about an intruder photo, left out)");
    return line;
}

QString diagnosticReport(const DiagnosticInputs &in)
{
    QStringList lines;
    lines << QStringLiteral("Nerova Vardo problem report");
    lines << QStringLiteral("Version: %1 (Qt %2, OpenCV %3)").arg(in.version, QLatin1String(qVersion()),
                                                                 QLatin1String(CV_VERSION));
    lines << QStringLiteral("Distribution: %1").arg(orUnknown(in.system.distribution));
    lines << QStringLiteral("Session: %1, desktop %2").arg(orUnknown(in.system.sessionType),
                                                        orUnknown(in.system.desktop));
    lines << QStringLiteral("Interface language: %1").arg(in.language);
    lines << QString();

    lines << QStringLiteral("Cameras:");
    if (in.cameras.empty())
        lines << QStringLiteral("  none found");
    for (const CameraDevice &camera : in.cameras) {
        // A node the user may not open has no path; the probe still counts it.
        const QString path = camera.path.empty() ? QStringLiteral("(no access)") : QString::fromStdString(camera.path);
        lines << QStringLiteral("  %1  %2%3").arg(path, QString::fromStdString(camera.name),
                                               camera.integrated ? QStringLiteral(" (built in)") : QString());
    }
    lines << QStringLiteral("Camera status: %1; running: %2; busy elsewhere: %3")
                 .arg(in.cameraStatus, yesNo(in.isMonitoring), yesNo(in.cameraUnavailable));
    lines << QStringLiteral("Protection: %1; shoulder guard: %2; lock action: %3; face set up: %4")
                 .arg(yesNo(in.isEnabled), yesNo(in.stealthModeEnabled), in.lockMode, yesNo(in.isOwnerEnrolled));
    lines << QString();

    lines << QStringLiteral("Program and model files:");
    if (!in.integrity) {
        lines << QStringLiteral("  not checked");
    } else {
        lines << QStringLiteral("  record: %1; verdict: %2")
                     .arg(in.integrity->manifestPath.isEmpty() ? QStringLiteral("none found")
                                                              : in.integrity->manifestPath,
                          QLatin1String(integrityVerdictName(in.integrity->verdict)));
        for (const CheckedFile &checked : in.integrity->files) {
            QString line = QStringLiteral("  %1: %2, %3")
                               .arg(checked.file.name,
                                    checked.file.path.isEmpty() ? QStringLiteral("not found") : checked.file.path,
                                    QLatin1String(fileCheckName(checked.check)));
            if (checked.package)
                line += QStringLiteral(", package %1 %2")
                            .arg(QString::fromStdString(checked.package->name),
                                 QString::fromStdString(checked.package->version));
            lines << line;
        }
    }
    lines << QString();

    lines << QStringLiteral("Last log lines:");
    if (in.logLines.empty())
        lines << QStringLiteral("  none");
    for (const std::string &logLine : in.logLines)
        if (const auto shown = reportableLogLine(logLine))
            lines << QStringLiteral("  ") + QString::fromStdString(*shown);
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace vardo
