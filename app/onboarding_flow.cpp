#include "app/onboarding_flow.h"

#include "app/onboarding_rules.h"
#include "engine/vardo_service.h"

namespace vardo {

namespace {

CameraStatus cameraStatusFromName(const QString &name)
{
    for (CameraStatus status : {CameraStatus::granted, CameraStatus::denied, CameraStatus::restricted,
                                CameraStatus::noCameraFound})
        if (name == QLatin1String(cameraStatusName(status)))
            return status;
    return CameraStatus::unknown;
}

const char *badgeName(OnboardingBadge badge)
{
    switch (badge) {
    case OnboardingBadge::none: return "";
    case OnboardingBadge::faceDetected: return "detected";
    case OnboardingBadge::faceLearned: return "learned";
    case OnboardingBadge::match: return "match";
    case OnboardingBadge::noMatch: return "noMatch";
    }
    return "";
}

OnboardingInputs inputsOf(const VardoService &s)
{
    return OnboardingInputs{
        .faceDetected = s.faceDetected(),
        .cameraStatus = s.cameraStatus(),
        .enrollmentProgress = s.enrollmentProgress(),
        .ownerRecognized = s.ownerRecognized(),
        .lastMatchConfidence = s.lastMatchConfidence(),
    };
}

} // namespace

OnboardingFlow::OnboardingFlow(VardoService &service, QObject *parent) : QObject(parent), service_(service) {}

QVariantMap OnboardingFlow::page(int step, bool faceDetected, const QString &cameraStatus, double enrollmentProgress,
                                 bool ownerRecognized, double lastMatchConfidence) const
{
    const OnboardingPage p = onboardingPage(step, OnboardingInputs{
                                                      .faceDetected = faceDetected,
                                                      .cameraStatus = cameraStatusFromName(cameraStatus),
                                                      .enrollmentProgress = enrollmentProgress,
                                                      .ownerRecognized = ownerRecognized,
                                                      .lastMatchConfidence = lastMatchConfidence,
                                                  });
    return QVariantMap{
        {QStringLiteral("symbol"), QLatin1String(p.symbol)},
        {QStringLiteral("showsPreview"), p.showsPreview},
        {QStringLiteral("showsRing"), p.showsRing},
        {QStringLiteral("ringComplete"), p.ringComplete},
        {QStringLiteral("percent"), p.percent},
        {QStringLiteral("titleKey"), QLatin1String(p.titleKey)},
        {QStringLiteral("subtitleKey"), QLatin1String(p.subtitleKey)},
        {QStringLiteral("subtitleNumber"), p.subtitleNumber},
        {QStringLiteral("lineKey"), QLatin1String(p.lineKey)},
        {QStringLiteral("lineIsWarning"), p.lineIsWarning},
        {QStringLiteral("noteKey"), QLatin1String(p.noteKey)},
        {QStringLiteral("badge"), QLatin1String(badgeName(p.badge))},
        {QStringLiteral("badgeNumber"), p.badgeNumber},
        {QStringLiteral("primaryKey"), QLatin1String(p.primaryKey)},
        {QStringLiteral("primaryEnabled"), p.primaryEnabled},
    };
}

void OnboardingFlow::opened()
{
    if (!service_.isMonitoring())
        service_.ensureCameraRunning();
}

int OnboardingFlow::pressPrimary(int step)
{
    if (!onboardingPage(step, inputsOf(service_)).primaryEnabled)
        return step;
    switch (step) {
    case 1:
        service_.startEnrollment();
        return 2;
    case 4:
        service_.setHasCompletedOnboarding(true);
        service_.enableProtection();
        return -1;
    default:
        return step >= 0 && step < onboardingStepCount - 1 ? step + 1 : step;
    }
}

bool OnboardingFlow::skip()
{
    if (!service_.isOwnerEnrolled())
        return false;
    service_.setHasCompletedOnboarding(true);
    service_.enableProtection();
    return true;
}

void OnboardingFlow::cancel()
{
    service_.cancelEnrollment();
}

void OnboardingFlow::closed()
{
    // However the sheet went (Escape, a rebuilt window), a half-done enrolment must not
    // keep collecting faces in the background.
    service_.cancelEnrollment();
    service_.releaseCamera();
}

} // namespace vardo
