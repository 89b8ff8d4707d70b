import QtQuick

// A capsule button of the guard screen: the pause symbol and a label.
Rectangle {
    id: button
    property string label
    property real fill: 0.15
    property real textOpacity: 1.0
    signal clicked()

    width: 240
    height: content.implicitHeight + 24
    radius: height / 2
    color: Qt.rgba(1, 1, 1, area.pressed ? fill + 0.1 : area.containsMouse ? fill + 0.05 : fill)

    Row {
        id: content
        anchors.centerIn: parent
        spacing: 8
        Image {
            anchors.verticalCenter: parent.verticalCenter
            source: "qrc:/NerovaVardo/artwork/pause_circle.svg"
            sourceSize: Qt.size(18, 18)
            opacity: button.textOpacity
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: button.label
            color: "white"
            opacity: button.textOpacity
            font.pixelSize: 15
            font.weight: Font.Medium
            elide: Text.ElideRight
            width: Math.min(implicitWidth, 240 - 18 - 8 - 24)
        }
    }

    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        cursorShape: Qt.PointingHandCursor
        onClicked: button.clicked()
    }
}
