import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import NerovaVardo

// The settings: every row writes straight through to the engine (or the language, or
// the desktop's autostart folder); the engine stores and applies each value.
Card {
    id: section

    signal enrollFaceRequested()
    signal resetFaceRequested()

    objectName: "settings"
    title: Tr.t("settings.title")
    Layout.fillWidth: true

    SettingsRow {
        symbol: "globe"
        title: Tr.t("settings.language")
        PickerBox {
            objectName: "languagePicker"
            picker: SettingsOptions.language
            boxWidth: 180
        }
    }
    SettingsRow {
        symbol: "faceid"
        title: Tr.t("settings.face_unlock")
        Switch {
            objectName: "faceSwitch"
            visible: Vardo.isOwnerEnrolled
            checked: Vardo.isEnabled
            onToggled: {
                Vardo.setProtectionEnabled(checked)
                checked = Qt.binding(() => Vardo.isEnabled)
            }
        }
        AccentButton {
            objectName: "enrollFace"
            visible: !Vardo.isOwnerEnrolled
            text: Tr.t("settings.enroll_face")
            padding: 6
            onClicked: section.enrollFaceRequested()
        }
    }
    SettingsRow {
        symbol: "arrow.triangle.2.circlepath"
        title: Tr.t("settings.reset_face")
        Button {
            id: resetButton
            objectName: "resetFace"
            text: Tr.t("settings.reset")
            font.pixelSize: Theme.bodySize
            contentItem: Label {
                text: resetButton.text
                font: resetButton.font
                color: Theme.red
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
            }
            background: Rectangle {
                implicitWidth: 72
                implicitHeight: 28
                radius: 6
                color: resetButton.down ? Theme.tint(Theme.red, 0.15) : "transparent"
                border.color: Theme.red
            }
            onClicked: section.resetFaceRequested()
        }
    }
    SettingsRow {
        symbol: "shield.checkered"
        title: Tr.t("settings.security_level")
        description: Vardo.securityLevelDescription
        PickerBox {
            objectName: "securityLevelPicker"
            picker: SettingsOptions.securityLevel
            boxWidth: 120
        }
    }
    SettingsRow {
        symbol: "timer"
        title: Tr.t("settings.lock_delay")
        PickerBox {
            objectName: "lockDelayPicker"
            picker: SettingsOptions.lockDelay
            boxWidth: 100
        }
    }
    SettingsRow {
        symbol: "lock.open"
        title: Tr.p("Unlock Delay")
        PickerBox {
            objectName: "unlockDelayPicker"
            picker: SettingsOptions.unlockDelay
            boxWidth: 100
        }
    }
    SettingsRow {
        symbol: "speaker.wave.2.fill"
        title: Tr.t("settings.sound")
        Switch {
            objectName: "soundSwitch"
            checked: Vardo.playSoundOnLock
            onToggled: Vardo.playSoundOnLock = checked
        }
    }
    SettingsRow {
        symbol: "lock.fill"
        title: Tr.t("settings.lock_action")
        PickerBox {
            objectName: "lockActionPicker"
            picker: SettingsOptions.lockAction
            boxWidth: 170
        }
    }
    SettingsRow {
        symbol: "eye.slash.fill"
        title: Tr.t("settings.shoulder_guard")
        Switch {
            objectName: "shoulderGuardSwitch"
            checked: Vardo.stealthModeEnabled
            onToggled: Vardo.stealthModeEnabled = checked
        }
    }
    SettingsRow {
        symbol: "timer"
        title: Tr.t("settings.guard_delay")
        PickerBox {
            objectName: "guardDelayPicker"
            picker: SettingsOptions.guardDelay
            boxWidth: 100
        }
    }
    SettingsRow {
        symbol: "person.2"
        title: Tr.t("settings.allowed_faces")
        PickerBox {
            objectName: "allowedFacesPicker"
            picker: SettingsOptions.allowedFaces
            boxWidth: 110
        }
    }
    SettingsRow {
        symbol: "camera.viewfinder"
        title: Tr.t("settings.intruder_photo")
        Switch {
            objectName: "intruderPhotoSwitch"
            checked: Vardo.intruderPhotoEnabled
            onToggled: Vardo.intruderPhotoEnabled = checked
        }
    }
    SettingsRow {
        symbol: "person.badge.checkmark"
        title: Tr.t("settings.intruder_attempts")
        PickerBox {
            objectName: "intruderAttemptsPicker"
            picker: SettingsOptions.intruderAttempts
            boxWidth: 64
        }
    }
    SettingsRow {
        objectName: "wallpapers"
        symbol: "photo.fill"
        title: Tr.t("settings.wallpaper")
    }
    WallpaperGrid {
        Layout.fillWidth: true
    }
    SettingsRow {
        symbol: "login"
        title: Tr.t("settings.start_at_login")
        Switch {
            objectName: "startAtLoginSwitch"
            checked: Desktop.startAtLogin
            onToggled: {
                Desktop.startAtLogin = checked
                checked = Qt.binding(() => Desktop.startAtLogin)
            }
        }
    }
}
