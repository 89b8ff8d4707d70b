#pragma once

#include "engine/vardo_service.h"

#include <QDateTime>
#include <QString>

namespace vardo {

// The rules the main window and the tray menu show the engine's state by: which status
// line applies, what the camera card says, how times read, and what a press of the main
// switch does. Plain functions of the published state, so that both places and the
// tests use one definition.

enum class StatusColor { grey, orange, red, green, blue, yellow };
const char *statusColorName(StatusColor color);

// The published fields the rules read.
struct ProtectionState {
    bool isEnabled = false;
    bool stealthModeEnabled = false;
    bool isStealthActive = false;
    bool isLocked = false;
    bool faceDetected = false;
    bool ownerRecognized = false;
    bool isOwnerEnrolled = false;
    bool hasCompletedOnboarding = false;
    qint64 secondsUntilLock = 0;

    // Protection or the shoulder guard is on.
    bool isProtectionActive() const { return isEnabled || stealthModeEnabled; }
};
ProtectionState protectionState(const VardoService &service);

// The dashboard's status card: the first row whose condition holds.
struct DashboardStatus {
    const char *titleKey;
    const char *subKey; // "status.sub.hidden" takes the face count
    StatusColor color;
    const char *symbol; // drawn inside the status indicator
};
DashboardStatus dashboardStatus(const ProtectionState &state);

// The tray menu's shorter status line.
struct MenuStatus {
    const char *textKey;
    StatusColor dot;
};
MenuStatus menuStatus(const ProtectionState &state);

// The camera problem card. On Linux "denied" means the video device may not be opened,
// and a camera that is there but cannot be started (another application streams from
// it) has a card of its own.
struct CameraCard {
    bool shown = false;
    const char *titleKey = "";
    const char *textKey = "";
    const char *symbol = "";
    // The card offers to open the desktop's camera privacy page (where one exists).
    bool offersPrivacySettings = false;
};
CameraCard cameraCard(CameraStatus status, bool cameraProblem);

// Protected time: "<1m" under a minute, "12m" under an hour, "3h 5m" from there on, with
// the abbreviations of the current language.
QString protectedTimeText(double seconds);

// The age of an event `elapsed` seconds old: "Just now", "5 min ago", "2 h ago", or its
// date as "MMM d, HH:mm" (month names of the interface language) from a day on.
QString eventAgeText(double elapsed, const QDateTime &date);

// `date` in local time by a QDateTime pattern, with the month and day names of the
// interface language.
QString interfaceDateText(const QDateTime &date, const QString &pattern);

// What a press of the dashboard's main switch does, in the order the checks apply.
enum class MainSwitchStep {
    showCameraProblem,  // the camera cannot be used: publish its status, stay off
    onboardingFromStart, // onboarding not done: the onboarding sheet at its first step
    onboardingAtFace,   // onboarding done but no face: the sheet at the face step
    toggle,             // protection on or off
};
// `currentCamera` is asked only when switching on.
MainSwitchStep dashboardMainSwitchStep(const ProtectionState &state, CameraStatus currentCamera);

// What the tray menu's main switch (and the session-bus method) may do.
enum class MenuSwitchAction {
    openMainWindow, // setup incomplete: the main window, nothing else
    toggle,
    refused, // switching off now would take the lock or guard screen away
};
MenuSwitchAction menuSwitchAction(const ProtectionState &state);

// Quitting, or switching protection off, while the lock or the guard screen is up would
// open the screen. Only the screens themselves may end them.
bool screenIsCovered(const ProtectionState &state);

} // namespace vardo
