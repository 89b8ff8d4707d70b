import QtQuick
import QtQuick.Window
import Qt5Compat.GraphicalEffects
import NerovaVardo

// The lock screen of every lock window: wallpaper, dim layer, padlock badge, title, the
// status line, and the password field that unlocks through the system's
// authentication. Every key press reaches this window while the lock is up; the first
// one opens the password field.
Item {
    id: root
    focus: true
    LayoutMirroring.enabled: Tr.rightToLeft
    LayoutMirroring.childrenInherit: true

    readonly property var auth: Vardo.authentication
    readonly property bool asking: auth.isChecking && auth.prompt !== ""
    property bool passwordShown: false

    function showPassword() {
        passwordShown = true
        field.forceActiveFocus()
    }

    function submit() {
        if (field.text === "")
            return
        if (asking)
            auth.answer(field.text)
        else
            Vardo.unlockWithPassword(field.text)
        // The typed text is not kept on screen or in the field once handed on.
        field.clear()
    }

    Keys.onPressed: (event) => {
        if (passwordShown)
            return
        if (event.text.length > 0 && event.text.charCodeAt(0) >= 32) {
            showPassword()
            field.insert(field.cursorPosition, event.text)
            event.accepted = true
        } else if (event.key === Qt.Key_Return || event.key === Qt.Key_Enter) {
            showPassword()
            event.accepted = true
        }
    }

    // A click on another screen's lock window moves the keyboard there.
    MouseArea {
        anchors.fill: parent
        onPressed: (mouse) => { root.Window.window.requestActivate(); mouse.accepted = false }
    }

    Image {
        id: wallpaper
        objectName: "wallpaper"
        anchors.fill: parent
        source: "qrc:/NerovaVardo/artwork/wallpaper_" + Vardo.selectedWallpaper + ".svg"
        fillMode: Image.PreserveAspectCrop
        // Drawn at the size it fills: vector art stays sharp on any screen.
        readonly property real coverScale: Math.max(width / 1920, height / 1080)
        sourceSize: Qt.size(Math.ceil(1920 * coverScale), Math.ceil(1080 * coverScale))
        // Drawn off the interface thread: the window covers the screen at once, in black,
        // and the picture follows.
        asynchronous: true
    }

    Rectangle {
        anchors.fill: parent
        color: "black"
        opacity: 0.4
    }

    Column {
        anchors.centerIn: parent
        spacing: 28
        width: Math.min(parent.width - 64, 640)

        Image {
            anchors.horizontalCenter: parent.horizontalCenter
            source: "qrc:/NerovaVardo/artwork/padlock_badge.svg"
            sourceSize: Qt.size(76, 76)
            opacity: 0.9
            layer.enabled: true
            layer.effect: DropShadow { radius: 10; samples: 21; color: "#80000000" }
        }

        Column {
            width: parent.width
            spacing: 10

            Text {
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                text: Tr.t("lock.screen_protected")
                color: "white"
                font.pixelSize: 34
                font.bold: true
                layer.enabled: true
                layer.effect: DropShadow { radius: 8; samples: 17; color: "#80000000" }
            }

            Text {
                objectName: "statusLine"
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                readonly property string key: LockStatus.key(Vardo.isFaceLocked, Vardo.faceDetected, Vardo.ownerRecognized)
                text: Tr.t(key)
                color: LockStatus.colour(Vardo.isFaceLocked, Vardo.faceDetected, Vardo.ownerRecognized)
                font.pixelSize: 16
            }
        }

        Item {
            width: parent.width
            height: 16 + (passwordShown ? passwordArea.height : unlockButton.height)

            Text {
                id: unlockButton
                objectName: "unlockButton"
                visible: !passwordShown
                y: 16
                anchors.horizontalCenter: parent.horizontalCenter
                text: Tr.t("lock.unlock_password")
                color: "white"
                opacity: unlockArea.containsMouse ? 0.8 : 0.5
                font.pixelSize: 14
                font.weight: Font.Medium
                MouseArea {
                    id: unlockArea
                    anchors.fill: parent
                    anchors.margins: -8
                    hoverEnabled: true
                    cursorShape: Qt.PointingHandCursor
                    onClicked: root.showPassword()
                }
            }

            Column {
                id: passwordArea
                visible: passwordShown
                y: 16
                width: parent.width
                spacing: 10

                Rectangle {
                    anchors.horizontalCenter: parent.horizontalCenter
                    width: 280
                    height: 38
                    radius: 19
                    color: Qt.rgba(1, 1, 1, 0.15)
                    border.color: Qt.rgba(1, 1, 1, field.activeFocus ? 0.45 : 0.25)

                    TextInput {
                        id: field
                        objectName: "passwordField"
                        anchors.fill: parent
                        anchors.leftMargin: 18
                        anchors.rightMargin: 18
                        verticalAlignment: TextInput.AlignVCenter
                        horizontalAlignment: Tr.rightToLeft ? TextInput.AlignRight : TextInput.AlignLeft
                        color: "white"
                        selectionColor: Qt.rgba(1, 1, 1, 0.3)
                        font.pixelSize: 15
                        clip: true
                        echoMode: asking && !auth.promptIsSecret ? TextInput.Normal : TextInput.Password
                        passwordCharacter: "\u2022"
                        // While the system checks, nothing more can be typed or sent twice.
                        readOnly: auth.isChecking && !asking
                        Keys.onReturnPressed: root.submit()
                        Keys.onEnterPressed: root.submit()
                        Keys.onEscapePressed: {
                            if (auth.isChecking)
                                auth.cancel()
                            field.clear()
                            root.passwordShown = false
                            root.forceActiveFocus()
                        }

                        Text {
                            anchors.fill: parent
                            verticalAlignment: Text.AlignVCenter
                            horizontalAlignment: field.horizontalAlignment
                            visible: field.text === ""
                            text: asking ? auth.prompt : Tr.t("lock.password_placeholder")
                            color: "white"
                            opacity: 0.45
                            font.pixelSize: 15
                            elide: Text.ElideRight
                        }
                    }
                }

                Text {
                    objectName: "passwordMessage"
                    width: parent.width
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.Wrap
                    font.pixelSize: 13
                    color: "white"
                    opacity: 0.7
                    text: auth.isChecking && !asking ? Tr.t("lock.checking")
                        : auth.message !== "" ? auth.message
                        : auth.lastAttemptFailed ? Tr.t("lock.password_failed") : ""
                }
            }
        }
    }

    // The eye opens while the camera sees someone in front of the locked screen.
    EyeVideo {
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 40
        // The clip's eye sits 60 % down its frame: at this size, in the middle of the view.
        width: 120
        height: 76
        active: Vardo.faceDetected
    }
}
