import QtQuick
import QtQuick.Layouts
import NerovaVardo

// A card the whole of which is one button: it lights up under the pointer and emits
// `clicked`. Children are laid out in the card's column.
Item {
    id: clickable

    default property alias content: card.content
    property alias padding: card.padding
    signal clicked()

    implicitWidth: card.implicitWidth
    implicitHeight: card.implicitHeight
    Layout.fillWidth: true

    Card {
        id: card
        anchors.fill: parent
        color: area.containsMouse ? Theme.controlBackground : Theme.cardBackground
    }
    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        cursorShape: Qt.PointingHandCursor
        onClicked: clickable.clicked()
    }
}
