import QtQuick
import QtQuick.Window
import NerovaVardo

// The shoulder-guard screen of every guard window: black, the crossed-out eye, how many
// faces are looking, and the pause and switch-off buttons. It never takes the keyboard.
Rectangle {
    id: root
    color: "black"
    LayoutMirroring.enabled: Tr.rightToLeft
    LayoutMirroring.childrenInherit: true

    Column {
        anchors.centerIn: parent
        spacing: 28
        width: Math.min(parent.width - 64, 640)

        Image {
            anchors.horizontalCenter: parent.horizontalCenter
            source: "qrc:/NerovaVardo/artwork/eye_slash.svg"
            sourceSize: Qt.size(72, 72)
            opacity: 0.7
        }

        Column {
            width: parent.width
            spacing: 10

            Text {
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                text: Tr.t("stealth.active")
                color: "white"
                font.pixelSize: 30
                font.bold: true
            }

            Text {
                objectName: "faceCount"
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                text: Tr.f("stealth.faces_nearby", [String(Vardo.detectedFaceCount)])
                color: "white"
                opacity: 0.5
                font.pixelSize: 16
            }
        }

        Column {
            anchors.horizontalCenter: parent.horizontalCenter
            topPadding: 8
            spacing: 12

            GuardButton {
                objectName: "pause5Button"
                label: Tr.t("stealth.pause_5")
                fill: 0.15
                textOpacity: 1.0
                onClicked: Vardo.pauseStealth(5)
            }
            GuardButton {
                objectName: "pause30Button"
                label: Tr.t("stealth.pause_30")
                fill: 0.08
                textOpacity: 0.6
                onClicked: Vardo.pauseStealth(30)
            }
            Item {
                width: 240
                height: disableText.implicitHeight + 4 + 8
                Text {
                    id: disableText
                    objectName: "disableButton"
                    y: 4
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: Tr.t("stealth.disable")
                    color: "white"
                    opacity: disableArea.containsMouse ? 0.55 : 0.3
                    font.pixelSize: 13
                    font.weight: Font.Medium
                    MouseArea {
                        id: disableArea
                        anchors.fill: parent
                        anchors.margins: -6
                        hoverEnabled: true
                        cursorShape: Qt.PointingHandCursor
                        onClicked: Vardo.disableStealth()
                    }
                }
            }
        }
    }
}
