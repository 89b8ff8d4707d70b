#include "app/problem_report.h"

#include "app/integrity_status.h"
#include "app/product_links.h"
#include "engine/vardo_service.h"
#include "localization/localization_manager.h"
#include "platform/camera.h"
#include "platform/recent_log_lines.h"
#include "platform/system_description.h"

#include <QClipboard>
#include <QGuiApplication>

namespace vardo {

ProblemReport::ProblemReport(VardoService &service, Camera &camera, SystemDescriber &system, IntegrityStatus &integrity,
                             const RecentLogLines *log, QObject *parent)
    : QObject(parent), service_(service), camera_(camera), system_(system), integrity_(integrity), log_(log)
{
    connect(&integrity_, &IntegrityStatus::checked, this, [this] {
        if (state_ == QLatin1String("preparing"))
            copyNow();
    });
}

QString ProblemReport::text() const
{
    return diagnosticReport(DiagnosticInputs{
        .version = ProductLinks::version(),
        .system = system_.describe(),
        .language = LocalizationManager::shared().currentLanguage(),
        .cameras = camera_.discoverDevices(),
        .cameraStatus = service_.cameraStatusText(),
        .cameraUnavailable = service_.cameraProblem() != VardoService::CameraProblem::none,
        .isMonitoring = service_.isMonitoring(),
        .isEnabled = service_.isEnabled(),
        .stealthModeEnabled = service_.stealthModeEnabled(),
        .isOwnerEnrolled = service_.isOwnerEnrolled(),
        .lockMode = service_.lockModeText(),
        .integrity = integrity_.report(),
        .logLines = log_ ? log_->lines() : std::vector<std::string>(),
    });
}

void ProblemReport::copyToClipboard()
{
    if (integrity_.report() && !integrity_.isChecking()) {
        copyNow();
        return;
    }
    setState(QStringLiteral("preparing"));
    integrity_.check();
}

void ProblemReport::copyNow()
{
    QGuiApplication::clipboard()->setText(text());
    setState(QStringLiteral("copied"));
}

void ProblemReport::reset()
{
    setState(QString());
}

void ProblemReport::setState(const QString &state)
{
    if (state_ == state)
        return;
    state_ = state;
    emit stateChanged();
}

} // namespace vardo
