import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import NerovaVardo

// The dashboard: two scrolling columns. Left, what the protection is doing (status,
// camera problems, the adaptive-learning note, how it works, tips, security, footer);
// right, the settings, statistics, intruder photos and recent events. The view state
// below lives as long as this tree: a change of language builds a new one.
Item {
    id: contentView

    // Sheets and expanded sections; all start closed except the adaptive-learning note.
    property bool showAwayLockInfo: false
    property bool showShoulderGuardInfo: false
    property bool showTips: false
    property bool showSecurityInfo: false
    property bool showOnboarding: false
    property int onboardingStep: 0
    property bool showAllEvents: false
    property bool showIntegrityInfo: false
    property bool showReportProblem: false
    property bool showAbout: false
    property bool showResetFaceConfirm: false
    property bool showAdaptiveInfo: true
    property var expandedTipsSections: []
    property var expandedSecSections: []
    // The shipped document on show ("terms", "privacy"), or "".
    property string shownDocument: ""

    // Opens the onboarding sheet at `step` (0: from the start, 1: the face step).
    function openOnboarding(step) {
        onboardingStep = step
        showOnboarding = true
    }

    // The main switch of the status card; the camera check and the onboarding come first.
    function pressMainSwitch() {
        const step = Dashboard.pressMainSwitch()
        if (step >= 0)
            openOnboarding(step)
    }

    // The face row's button before a face is enrolled.
    function enrollFace() {
        openOnboarding(1)
        if (!Vardo.isMonitoring)
            Vardo.ensureCameraRunning()
    }

    RowLayout {
        anchors.fill: parent
        spacing: 0

        DashboardColumn {
            objectName: "leftColumn"
            Layout.fillHeight: true
            Layout.preferredWidth: Math.max(380, contentView.width * 0.44)

            StatusCard {
                onMainSwitchPressed: contentView.pressMainSwitch()
            }
            CameraCard {}
            AdaptiveBanner {
                shown: Vardo.isOwnerEnrolled && contentView.showAdaptiveInfo
                onDismissed: contentView.showAdaptiveInfo = false
            }
            HowItWorksSection {
                view: contentView
            }
            InfoCards {
                view: contentView
            }
            DashboardFooter {
                view: contentView
            }
        }

        Rectangle {
            Layout.fillHeight: true
            Layout.preferredWidth: 1
            color: Theme.divider
        }

        DashboardColumn {
            objectName: "rightColumn"
            Layout.fillHeight: true
            Layout.fillWidth: true

            SettingsSection {
                onEnrollFaceRequested: contentView.enrollFace()
                onResetFaceRequested: contentView.showResetFaceConfirm = true
            }
            IntegrityCard {
                view: contentView
            }
            StatisticsSection {}
            IntruderHistorySection {}
            RecentEventsSection {
                expanded: contentView.showAllEvents
                onToggleExpanded: contentView.showAllEvents = !contentView.showAllEvents
            }
        }
    }

    IntruderAlertSheet {
        shown: Vardo.showIntruderAlert
        onDismissed: Vardo.dismissIntruderAlert()
    }
    ResetFaceDialog {
        objectName: "resetFaceDialog"
        confirming: contentView.showResetFaceConfirm
        onConfirmationClosed: contentView.showResetFaceConfirm = false
    }
    OnboardingSheet {
        view: contentView
    }
    AwayLockInfoSheet {
        view: contentView
    }
    ShoulderGuardInfoSheet {
        view: contentView
    }
    TipsSheet {
        view: contentView
    }
    SecurityInfoSheet {
        view: contentView
    }
    ReportProblemSheet {
        view: contentView
    }
    AboutSheet {
        view: contentView
    }
    DocumentSheet {
        document: contentView.shownDocument
        onCloseRequested: contentView.shownDocument = ""
    }
}
