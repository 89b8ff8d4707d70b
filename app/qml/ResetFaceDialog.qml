import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import NerovaVardo

// Resetting the enrolled face: a confirmation, then the account password through the
// system's authentication (the same check as the lock screen's). Only an accepted
// password resets; a wrong one says so and lets the user try again, and cancelling
// changes nothing.
Item {
    id: dialog

    // The dashboard's showResetFaceConfirm.
    property bool confirming: false
    signal confirmationClosed()

    // The password stage is open.
    property bool askingPassword: false
    readonly property var authentication: Vardo.authentication

    function confirm() {
        confirmationClosed()
        password.text = ""
        failure.visible = false
        askingPassword = true
    }
    function submit() {
        if (authentication.isChecking) {
            // A further question of the system (a one-time code): answered directly.
            if (authentication.prompt.length > 0)
                authentication.answer(password.text)
        } else {
            failure.visible = false
            Vardo.resetFaceWithPassword(password.text)
        }
        password.text = ""
    }
    function cancel() {
        authentication.cancel()
        askingPassword = false
    }

    Connections {
        target: dialog.authentication
        enabled: dialog.askingPassword
        function onFinished(accepted) {
            if (accepted)
                dialog.askingPassword = false
            else if (dialog.askingPassword)
                failure.visible = true
        }
    }

    Sheet {
        objectName: "resetConfirmation"
        sheetWidth: 420
        shown: dialog.confirming
        onDismissed: dialog.confirmationClosed()

        Label {
            text: Tr.t("settings.reset_face_title")
            color: Theme.text
            font.pixelSize: 17
            font.weight: Font.Bold
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
        Label {
            text: Tr.t("settings.reset_face_message")
            color: Theme.secondaryText
            font.pixelSize: Theme.bodySize
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
        RowLayout {
            spacing: 10
            Layout.alignment: Qt.AlignRight
            Button {
                objectName: "cancelReset"
                text: Tr.t("onboarding.cancel")
                onClicked: dialog.confirmationClosed()
            }
            AccentButton {
                objectName: "confirmReset"
                text: Tr.t("settings.reset")
                fillColor: Theme.red
                onClicked: dialog.confirm()
            }
        }
    }

    Sheet {
        objectName: "resetPassword"
        sheetWidth: 420
        shown: dialog.askingPassword
        onDismissed: dialog.cancel()
        onOpened: password.forceActiveFocus()

        RowLayout {
            spacing: 10
            Layout.fillWidth: true
            Symbol {
                name: "lock.fill"
                color: Theme.accent
                size: 22
            }
            Label {
                text: Tr.t("settings.reset_face_title")
                color: Theme.text
                font.pixelSize: 17
                font.weight: Font.Bold
                wrapMode: Text.Wrap
                Layout.fillWidth: true
            }
        }
        Label {
            text: Tr.t("settings.reset_face_auth")
            color: Theme.secondaryText
            font.pixelSize: Theme.bodySize
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
        // What the system asks beyond the password, and what it says.
        Label {
            visible: text.length > 0
            text: dialog.authentication.prompt.length > 0 ? dialog.authentication.prompt
                                                          : dialog.authentication.message
            color: Theme.text
            font.pixelSize: Theme.bodySize
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
        TextField {
            id: password
            objectName: "resetPasswordField"
            echoMode: dialog.authentication.prompt.length > 0 && !dialog.authentication.promptIsSecret
                      ? TextInput.Normal : TextInput.Password
            placeholderText: Tr.t("settings.password")
            enabled: !dialog.authentication.isChecking || dialog.authentication.prompt.length > 0
            Layout.fillWidth: true
            onAccepted: dialog.submit()
        }
        Label {
            id: failure
            objectName: "resetPasswordFailure"
            visible: false
            text: Tr.t("settings.wrong_password")
            color: Theme.red
            font.pixelSize: Theme.bodySize
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
        RowLayout {
            spacing: 10
            Layout.alignment: Qt.AlignRight
            BusyIndicator {
                running: dialog.authentication.isChecking && dialog.authentication.prompt.length === 0
                visible: running
                implicitWidth: 24
                implicitHeight: 24
            }
            Button {
                objectName: "cancelResetPassword"
                text: Tr.t("onboarding.cancel")
                onClicked: dialog.cancel()
            }
            AccentButton {
                objectName: "submitResetPassword"
                text: Tr.t("settings.reset")
                fillColor: Theme.red
                enabled: password.text.length > 0
                         && (!dialog.authentication.isChecking || dialog.authentication.prompt.length > 0)
                onClicked: dialog.submit()
            }
        }
    }
}
