#include "app/view_rules.h"

#include "localization/localization_manager.h"

#include <QDateTime>
#include <QLocale>

#include <cmath>

namespace vardo {

const char *statusColorName(StatusColor color)
{
    switch (color) {
    case StatusColor::grey: return "grey";
    case StatusColor::orange: return "orange";
    case StatusColor::red: return "red";
    case StatusColor::green: return "green";
    case StatusColor::blue: return "blue";
    case StatusColor::yellow: return "yellow";
    }
    return "grey";
}

ProtectionState protectionState(const VardoService &service)
{
    return ProtectionState{
        .isEnabled = service.isEnabled(),
        .stealthModeEnabled = service.stealthModeEnabled(),
        .isStealthActive = service.isStealthActive(),
        .isLocked = service.isLocked(),
        .faceDetected = service.faceDetected(),
        .ownerRecognized = service.ownerRecognized(),
        .isOwnerEnrolled = service.isOwnerEnrolled(),
        .hasCompletedOnboarding = service.hasCompletedOnboarding(),
        .secondsUntilLock = service.secondsUntilLock(),
    };
}

DashboardStatus dashboardStatus(const ProtectionState &s)
{
    if (!s.isProtectionActive())
        return {"status.vardo_off", "status.sub.enable", StatusColor::grey, "power"};
    if (s.isStealthActive)
        return {"status.shoulder_guard", "status.sub.hidden", StatusColor::orange, "eye.slash.fill"};
    if (s.isLocked)
        return {"status.screen_locked", "status.sub.return", StatusColor::red, "lock.fill"};
    if (s.secondsUntilLock >= 1)
        return {"status.no_face", "status.sub.lock_soon", StatusColor::orange, "timer"};
    if (s.isEnabled && s.faceDetected)
        return {"status.protected", "status.sub.secure", StatusColor::green, "shield.checkered"};
    if (s.stealthModeEnabled && !s.isEnabled)
        return {"status.guard_only", "status.sub.guard_active", StatusColor::blue, "eye"};
    return {"status.starting", "status.sub.init", StatusColor::yellow, "eye"};
}

MenuStatus menuStatus(const ProtectionState &s)
{
    if (!s.isEnabled)
        return {s.isOwnerEnrolled ? "menu.disabled" : "menu.not_setup", StatusColor::grey};
    if (!s.faceDetected)
        return {"menu.no_face", StatusColor::orange};
    if (s.ownerRecognized)
        return {"menu.protected", StatusColor::green};
    return {"menu.unknown_face", StatusColor::red};
}

CameraCard cameraCard(CameraStatus status, bool cameraProblem)
{
    switch (status) {
    case CameraStatus::denied:
        return {true, "camera.access_required", "camera.denied_text_linux", "video.slash", true};
    case CameraStatus::restricted:
        return {true, "camera.access_restricted", "camera.restricted_text", "video.slash", false};
    case CameraStatus::noCameraFound:
        return {true, "camera.no_camera", "camera.no_camera_text", "video.dashed", false};
    default:
        break;
    }
    if (cameraProblem)
        return {true, "camera.unavailable", "camera.unavailable_text", "video", false};
    return {};
}

QString protectedTimeText(double seconds)
{
    const auto whole = static_cast<qint64>(std::max(0.0, std::trunc(seconds)));
    const QString minutes = QString::fromStdString(localized("stats.min_abbr"));
    QString text;
    if (whole < 60)
        text = QStringLiteral("<1") + minutes;
    else if (whole < 3600)
        text = QString::number(whole / 60) + minutes;
    else
        text = QString::number(whole / 3600) + QString::fromStdString(localized("stats.hr_abbr")) + QLatin1Char(' ')
               + QString::number(whole % 3600 / 60) + minutes;
    return text;
}

QString eventAgeText(double elapsed, const QDateTime &date)
{
    if (elapsed < 60)
        return QString::fromStdString(localized("events.just_now"));
    if (elapsed < 3600)
        return QString::fromStdString(localizedFormat("events.min_ago", static_cast<qint64>(elapsed / 60)));
    if (elapsed < 86400)
        return QString::fromStdString(localizedFormat("events.hr_ago", static_cast<qint64>(elapsed / 3600)));
    return interfaceDateText(date, QStringLiteral("MMM d, HH:mm"));
}

QString interfaceDateText(const QDateTime &date, const QString &pattern)
{
    const QLocale locale(LocalizationManager::shared().currentLanguage());
    QString result = locale.toString(date.toLocalTime(), pattern);
    // Month names come from the language; the digits stay those of every other number
    // in the interface.
    const QString zero = locale.zeroDigit();
    if (zero.size() == 1 && zero.front() != QLatin1Char('0')) {
        const char16_t first = zero.front().unicode();
        for (QChar &c : result)
            if (c.unicode() >= first && c.unicode() <= first + 9)
                c = QChar(char16_t(u'0' + (c.unicode() - first)));
    }
    return result;
}

MainSwitchStep dashboardMainSwitchStep(const ProtectionState &s, CameraStatus currentCamera)
{
    if (!s.isEnabled) {
        if (currentCamera == CameraStatus::denied || currentCamera == CameraStatus::restricted
            || currentCamera == CameraStatus::noCameraFound)
            return MainSwitchStep::showCameraProblem;
        if (!s.hasCompletedOnboarding)
            return MainSwitchStep::onboardingFromStart;
        if (!s.isOwnerEnrolled)
            return MainSwitchStep::onboardingAtFace;
    }
    return MainSwitchStep::toggle;
}

MenuSwitchAction menuSwitchAction(const ProtectionState &s)
{
    if (!s.isEnabled && (!s.isOwnerEnrolled || !s.hasCompletedOnboarding))
        return MenuSwitchAction::openMainWindow;
    if (s.isEnabled && screenIsCovered(s))
        return MenuSwitchAction::refused;
    return MenuSwitchAction::toggle;
}

bool screenIsCovered(const ProtectionState &s)
{
    return s.isLocked || s.isStealthActive;
}

} // namespace vardo
