import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import NerovaVardo

// The five-step onboarding sheet over the dashboard: greeting, seeing oneself in the
// camera, learning the face, verifying it, and switching protection on. The step and
// whether the sheet shows are the dashboard's view state (`view.onboardingStep`,
// `view.showOnboarding`); what a step shows and what its buttons do are the rules of
// `Onboarding`, over the engine's published state.
Sheet {
    id: sheet

    property Item view
    readonly property int step: view ? view.onboardingStep : 0
    readonly property var page: Onboarding.page(step, Vardo.faceDetected, Vardo.cameraStatusName,
                                                Vardo.enrollmentProgress, Vardo.ownerRecognized,
                                                Vardo.lastMatchConfidence)
    // The camera was asked for when the sheet came up; it is given back when it goes.
    property bool cameraAsked: false

    objectName: "onboardingSheet"
    sheetWidth: 440
    sheetHeight: 560
    shown: view ? view.showOnboarding : false
    // While the face is being learned only Cancel closes the sheet, so that the
    // enrolment is stopped on purpose.
    closePolicy: Vardo.isEnrolling ? Popup.NoAutoClose : Popup.CloseOnEscape
    onDismissed: view.showOnboarding = false
    onShownChanged: sheet.noteShown()
    Component.onCompleted: sheet.noteShown()
    Component.onDestruction: if (sheet.cameraAsked) Onboarding.closed()

    function noteShown() {
        if (shown && !cameraAsked) {
            cameraAsked = true
            Onboarding.opened()
        } else if (!shown && cameraAsked) {
            cameraAsked = false
            Onboarding.closed()
        }
    }
    function pressPrimary() {
        const next = Onboarding.pressPrimary(step)
        if (next < 0)
            view.showOnboarding = false
        else
            view.onboardingStep = next
    }
    function skip() {
        if (Onboarding.skip())
            view.showOnboarding = false
    }
    function cancel() {
        Onboarding.cancel()
        view.showOnboarding = false
    }

    // Return takes the primary button, as in a dialog; it does nothing while the
    // button is disabled.
    Shortcut {
        sequences: ["Return", "Enter"]
        enabled: sheet.visible && sheet.page.primaryEnabled
        onActivated: sheet.pressPrimary()
    }

    StepDots {
        objectName: "stepDots"
        count: 5
        current: sheet.step
        Layout.alignment: Qt.AlignHCenter
    }

    ColumnLayout {
        spacing: 10
        Layout.fillWidth: true
        Layout.fillHeight: true
        Layout.preferredHeight: 386

        Item {
            Layout.fillHeight: true
        }
        Symbol {
            visible: sheet.page.symbol.length > 0
            name: sheet.page.symbol
            color: sheet.step === 4 ? Theme.green : Theme.indigo
            size: 76
            Layout.alignment: Qt.AlignHCenter
            Layout.bottomMargin: 8
        }
        OnboardingPreview {
            visible: sheet.page.showsPreview
            page: sheet.page
            Layout.alignment: Qt.AlignHCenter
            Layout.bottomMargin: 4
        }
        Label {
            objectName: "onboardingTitle"
            text: Tr.t(sheet.page.titleKey)
            color: Theme.text
            font.pixelSize: 22
            font.weight: Font.Bold
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
        Label {
            objectName: "onboardingSubtitle"
            text: sheet.page.subtitleNumber >= 0 ? Tr.f(sheet.page.subtitleKey, [sheet.page.subtitleNumber])
                                                 : Tr.t(sheet.page.subtitleKey)
            color: Theme.secondaryText
            font.pixelSize: 14
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
        Label {
            objectName: "onboardingLine"
            visible: sheet.page.lineKey.length > 0
            text: Tr.t(sheet.page.lineKey)
            color: sheet.page.lineIsWarning ? Theme.red : Theme.secondaryText
            font.pixelSize: 14
            font.weight: sheet.page.lineIsWarning ? Font.DemiBold : Font.Normal
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
        // The camera is denied: the desktop's camera page when it has one, else what to
        // do on Linux (the video group).
        LinkButton {
            objectName: "openCameraSettings"
            visible: sheet.page.lineIsWarning && Dashboard.offersCameraSettings
            text: Tr.t("onboarding.open_settings")
            linkColor: Theme.blue
            Layout.alignment: Qt.AlignHCenter
            onClicked: Dashboard.openCameraSettings()
        }
        Label {
            objectName: "cameraDeniedHelp"
            visible: sheet.page.lineIsWarning && !Dashboard.offersCameraSettings
            text: Tr.t("camera.denied_text_linux")
            color: Theme.secondaryText
            font.pixelSize: 12
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
        Label {
            objectName: "onboardingNote"
            visible: sheet.page.noteKey.length > 0
            text: Tr.t(sheet.page.noteKey)
            color: Theme.secondaryText
            font.pixelSize: 12
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
        Item {
            Layout.fillHeight: true
        }
    }

    AccentButton {
        objectName: "onboardingPrimary"
        text: Tr.t(sheet.page.primaryKey)
        enabled: sheet.page.primaryEnabled
        focus: true
        font.pixelSize: 15
        Layout.fillWidth: true
        onClicked: sheet.pressPrimary()
    }
    RowLayout {
        spacing: 20
        Layout.alignment: Qt.AlignHCenter

        // Skip acts only with an enrolled face, so it is offered only then.
        LinkButton {
            objectName: "onboardingSkip"
            visible: Vardo.isOwnerEnrolled && sheet.step < 4
            text: Tr.t("onboarding.skip")
            linkColor: Theme.secondaryText
            onClicked: sheet.skip()
        }
        LinkButton {
            objectName: "onboardingCancel"
            text: Tr.t("onboarding.cancel")
            linkColor: Theme.secondaryText
            onClicked: sheet.cancel()
        }
    }
}
