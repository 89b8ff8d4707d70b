import QtQuick
import QtQuick.Controls
import NerovaVardo

// A capsule over the camera preview: a coloured symbol and a short white text.
Rectangle {
    id: badge

    property string symbol
    property color symbolColor: Theme.green
    property string text

    implicitWidth: line.implicitWidth + 20
    implicitHeight: line.implicitHeight + 10
    radius: height / 2
    color: Qt.rgba(0, 0, 0, 0.6)

    Row {
        id: line
        anchors.centerIn: parent
        spacing: 6
        Symbol {
            visible: badge.symbol.length > 0
            name: badge.symbol
            color: badge.symbolColor
            size: 16
            anchors.verticalCenter: parent.verticalCenter
        }
        Label {
            text: badge.text
            color: "white"
            font.pixelSize: Theme.bodySize
            font.weight: Font.DemiBold
            anchors.verticalCenter: parent.verticalCenter
        }
    }
}
