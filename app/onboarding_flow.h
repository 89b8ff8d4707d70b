#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

namespace vardo {

class VardoService;

// The onboarding sheet's side of the engine, found by QML as the singleton `Onboarding`.
// The sheet keeps its step in the dashboard's view state; this object says what a step
// shows (the rules of onboarding_rules.h) and does what its buttons do, through the
// engine's operations only.
class OnboardingFlow final : public QObject {
    Q_OBJECT

public:
    explicit OnboardingFlow(VardoService &service, QObject *parent = nullptr);

    // What `step` shows for the engine state passed in. The sheet passes the engine's
    // properties themselves, so that its binding is renewed whenever one changes. Keys
    // of the map: symbol, showsPreview, showsRing, ringComplete, percent, titleKey,
    // subtitleKey, subtitleNumber, lineKey, lineIsWarning, noteKey, badge ("", "detected",
    // "learned", "match", "noMatch"), badgeNumber, primaryKey, primaryEnabled.
    Q_INVOKABLE QVariantMap page(int step, bool faceDetected, const QString &cameraStatusName,
                                 double enrollmentProgress, bool ownerRecognized, double lastMatchConfidence) const;

    // The sheet came up: the camera starts if nothing runs it yet.
    Q_INVOKABLE void opened();
    // The primary button of `step`. Returns the step to show next, or -1 when the sheet
    // closes (the last step: onboarding done, protection on). A press the rules do not
    // allow yet changes nothing and returns `step`.
    Q_INVOKABLE int pressPrimary(int step);
    // Skip acts only when a face is enrolled: onboarding done, protection on, and true
    // (the sheet closes). Without an enrolled face it does nothing and returns false.
    Q_INVOKABLE bool skip();
    // Cancel: a running enrolment stops and is rolled back; the sheet closes.
    Q_INVOKABLE void cancel();
    // The sheet has gone, however it went: the camera it started stops unless
    // protection or the shoulder guard now needs it.
    Q_INVOKABLE void closed();

private:
    VardoService &service_;
};

} // namespace vardo
