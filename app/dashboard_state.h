#pragma once

#include "app/view_rules.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace vardo {

class Clock;
class Timer;
class Timers;
class VardoService;

// What the dashboard shows of the engine, worked out by the view rules: QML finds it as
// the singleton `Dashboard` and binds to its properties, which follow the engine and the
// language. Times are read from the platform clock, so the texts are testable on
// virtual time.
class DashboardState final : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString statusTitle READ statusTitle NOTIFY changed)
    Q_PROPERTY(QString statusSubline READ statusSubline NOTIFY changed)
    Q_PROPERTY(QString statusColor READ statusColor NOTIFY changed)
    Q_PROPERTY(QString statusSymbol READ statusSymbol NOTIFY changed)
    Q_PROPERTY(bool isProtectionActive READ isProtectionActive NOTIFY changed)
    Q_PROPERTY(bool showsCountdown READ showsCountdown NOTIFY changed)
    Q_PROPERTY(QString countdownText READ countdownText NOTIFY changed)
    Q_PROPERTY(bool showsGuardPause READ showsGuardPause NOTIFY changed)
    Q_PROPERTY(QString guardPauseText READ guardPauseText NOTIFY changed)
    Q_PROPERTY(QString menuStatusText READ menuStatusText NOTIFY changed)
    Q_PROPERTY(QString menuStatusColor READ menuStatusColor NOTIFY changed)
    Q_PROPERTY(bool showsCameraCard READ showsCameraCard NOTIFY changed)
    Q_PROPERTY(QString cameraCardTitle READ cameraCardTitle NOTIFY changed)
    Q_PROPERTY(QString cameraCardText READ cameraCardText NOTIFY changed)
    Q_PROPERTY(QString cameraCardSymbol READ cameraCardSymbol NOTIFY changed)
    Q_PROPERTY(bool offersCameraSettings READ offersCameraSettings NOTIFY changed)
    Q_PROPERTY(QString protectedTimeText READ protectedTimeText NOTIFY clockChanged)
    // Seconds since 1970 by the platform clock, renewed every few seconds: bindings that
    // show ages read it to stay current.
    Q_PROPERTY(double now READ now NOTIFY clockChanged)

public:
    // `openCameraSettings` opens the desktop's camera privacy page; empty when there is
    // none, and the card then offers no button.
    DashboardState(VardoService &service, Clock &clock, Timers &timers,
                   std::function<void()> openCameraSettings, QObject *parent = nullptr);
    ~DashboardState() override;

    QString statusTitle() const;
    QString statusSubline() const;
    QString statusColor() const;
    QString statusSymbol() const;
    bool isProtectionActive() const;
    bool showsCountdown() const;
    QString countdownText() const;
    bool showsGuardPause() const;
    QString guardPauseText() const;
    QString menuStatusText() const;
    QString menuStatusColor() const;
    bool showsCameraCard() const;
    QString cameraCardTitle() const;
    QString cameraCardText() const;
    QString cameraCardSymbol() const;
    bool offersCameraSettings() const;
    QString protectedTimeText() const;
    double now() const;

    Q_INVOKABLE QString eventAgeText(const QDateTime &date) const;
    // "14:05" and "Mar 2" style labels of an intruder photo, in the interface language.
    Q_INVOKABLE QString photoTimeText(const QDateTime &date) const;
    Q_INVOKABLE QString photoDateText(const QDateTime &date) const;

    // The dashboard's main switch. Does the engine's part of the press (publishing a
    // camera problem, or switching protection) and returns the onboarding step the
    // sheet must open at, or -1 when no sheet opens.
    Q_INVOKABLE int pressMainSwitch();
    Q_INVOKABLE void openCameraSettings();

signals:
    void changed();
    void clockChanged();

private:
    CameraCard card() const;

    VardoService &service_;
    Clock &clock_;
    std::function<void()> openCameraSettings_;
    std::unique_ptr<Timer> ticker_;
};

} // namespace vardo
