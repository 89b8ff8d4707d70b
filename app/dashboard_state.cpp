#include "app/dashboard_state.h"

#include "engine/vardo_service.h"
#include "localization/localization_manager.h"
#include "platform/clock.h"
#include "platform/timers.h"

#include <QMetaMethod>
#include <QMetaProperty>

namespace vardo {

namespace {

QString text(const char *key)
{
    return QString::fromStdString(localized(key));
}

} // namespace

DashboardState::DashboardState(VardoService &service, Clock &clock, Timers &timers,
                               std::function<void()> openCameraSettings, QObject *parent)
    : QObject(parent), service_(service), clock_(clock), openCameraSettings_(std::move(openCameraSettings))
{
    // Every published change of the engine may change a rule's outcome.
    const QMetaMethod changedSignal = QMetaMethod::fromSignal(&DashboardState::changed);
    const QMetaObject &meta = VardoService::staticMetaObject;
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i)
        if (const QMetaProperty property = meta.property(i); property.hasNotifySignal())
            connect(&service_, property.notifySignal(), this, changedSignal);
    connect(&LocalizationManager::shared(), &LocalizationManager::currentLanguageChanged, this, [this] {
        emit changed();
        emit clockChanged();
    });
    connect(&service_, &VardoService::totalTimeProtectedChanged, this, &DashboardState::clockChanged);
    connect(&service_, &VardoService::isMonitoringChanged, this, &DashboardState::clockChanged);
    // Ages and the running protected time move on by themselves.
    ticker_ = timers.schedule(5.0, true, [this] { emit clockChanged(); });
}

DashboardState::~DashboardState() = default;

QString DashboardState::statusTitle() const
{
    return text(dashboardStatus(protectionState(service_)).titleKey);
}

QString DashboardState::statusSubline() const
{
    const DashboardStatus status = dashboardStatus(protectionState(service_));
    if (QLatin1String(status.subKey) == QLatin1String("status.sub.hidden"))
        return QString::fromStdString(localizedFormat(status.subKey, service_.detectedFaceCount()));
    return text(status.subKey);
}

QString DashboardState::statusColor() const
{
    return QLatin1String(statusColorName(dashboardStatus(protectionState(service_)).color));
}

QString DashboardState::statusSymbol() const
{
    return QLatin1String(dashboardStatus(protectionState(service_)).symbol);
}

bool DashboardState::isProtectionActive() const
{
    return protectionState(service_).isProtectionActive();
}

bool DashboardState::showsCountdown() const
{
    return service_.secondsUntilLock() > 0 && !service_.isLocked();
}

QString DashboardState::countdownText() const
{
    return QString::fromStdString(localizedFormat("status.locking_in", service_.secondsUntilLock()));
}

bool DashboardState::showsGuardPause() const
{
    return service_.isStealthPaused();
}

QString DashboardState::guardPauseText() const
{
    return QString::fromStdString(localizedFormat("status.guard_paused", service_.stealthPauseRemaining()));
}

QString DashboardState::menuStatusText() const
{
    return text(menuStatus(protectionState(service_)).textKey);
}

QString DashboardState::menuStatusColor() const
{
    return QLatin1String(statusColorName(menuStatus(protectionState(service_)).dot));
}

CameraCard DashboardState::card() const
{
    CameraCard card = cameraCard(service_.cameraStatus(), service_.cameraProblem() != VardoService::CameraProblem::none);
    card.offersPrivacySettings = card.offersPrivacySettings && openCameraSettings_;
    return card;
}

bool DashboardState::showsCameraCard() const
{
    return card().shown;
}

QString DashboardState::cameraCardTitle() const
{
    const CameraCard c = card();
    return c.shown ? text(c.titleKey) : QString();
}

QString DashboardState::cameraCardText() const
{
    const CameraCard c = card();
    return c.shown ? text(c.textKey) : QString();
}

QString DashboardState::cameraCardSymbol() const
{
    return QLatin1String(card().symbol);
}

bool DashboardState::offersCameraSettings() const
{
    return card().offersPrivacySettings;
}

QString DashboardState::protectedTimeText() const
{
    return vardo::protectedTimeText(service_.protectedSecondsNow());
}

double DashboardState::now() const
{
    return clock_.now();
}

QString DashboardState::eventAgeText(const QDateTime &date) const
{
    const double elapsed = clock_.now() - static_cast<double>(date.toMSecsSinceEpoch()) / 1000.0;
    return vardo::eventAgeText(elapsed, date);
}

QString DashboardState::photoTimeText(const QDateTime &date) const
{
    return interfaceDateText(date, QStringLiteral("HH:mm"));
}

QString DashboardState::photoDateText(const QDateTime &date) const
{
    return interfaceDateText(date, QStringLiteral("MMM d"));
}

int DashboardState::pressMainSwitch()
{
    const ProtectionState state = protectionState(service_);
    const CameraStatus camera = state.isEnabled ? service_.cameraStatus() : service_.currentCameraStatus();
    switch (dashboardMainSwitchStep(state, camera)) {
    case MainSwitchStep::showCameraProblem:
        service_.refreshCameraStatus();
        return -1;
    case MainSwitchStep::onboardingFromStart:
        return 0;
    case MainSwitchStep::onboardingAtFace:
        return 1;
    case MainSwitchStep::toggle:
        service_.setProtectionEnabled(!state.isEnabled);
        return -1;
    }
    return -1;
}

void DashboardState::openCameraSettings()
{
    if (openCameraSettings_)
        openCameraSettings_();
}

} // namespace vardo
