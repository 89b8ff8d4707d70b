import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import NerovaVardo

// The six lock-screen wallpapers; the chosen one has an indigo border and a checkmark.
GridLayout {
    id: grid

    columns: 3
    rowSpacing: 8
    columnSpacing: 8

    Repeater {
        model: 6

        Rectangle {
            id: thumbnail

            readonly property int number: index + 1
            readonly property bool selected: Vardo.selectedWallpaper === number

            objectName: "wallpaper" + number
            Layout.fillWidth: true
            Layout.preferredHeight: 60
            radius: 8
            color: Theme.controlBackground
            border.width: 2
            border.color: selected ? Theme.indigo : "transparent"

            // The lock screen's own artwork, drawn small.
            Image {
                id: picture
                anchors.fill: parent
                anchors.margins: 3
                source: "qrc:/NerovaVardo/artwork/wallpaper_" + thumbnail.number + ".svg"
                sourceSize.height: 120
                fillMode: Image.PreserveAspectCrop
                asynchronous: true
            }
            Label {
                anchors.centerIn: parent
                visible: picture.status !== Image.Ready
                text: thumbnail.number
                color: Theme.secondaryText
                font.pixelSize: Theme.bodySize
            }
            Rectangle {
                visible: thumbnail.selected
                anchors.right: parent.right
                anchors.top: parent.top
                anchors.margins: 5
                width: 22
                height: 22
                radius: 11
                color: Qt.rgba(0, 0, 0, 0.5)
                Symbol {
                    anchors.centerIn: parent
                    name: "checkmark"
                    color: "white"
                    size: 14
                }
            }
            MouseArea {
                anchors.fill: parent
                cursorShape: Qt.PointingHandCursor
                onClicked: Vardo.selectedWallpaper = thumbnail.number
            }
            Behavior on border.color {
                ColorAnimation { duration: 200; easing.type: Easing.InOutQuad }
            }
        }
    }
}
