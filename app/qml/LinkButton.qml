import QtQuick
import QtQuick.Controls
import NerovaVardo

// A plain text link with an optional leading symbol: the footer's links, the terms and
// privacy links of the welcome screen, the sheets' links.
AbstractButton {
    id: link

    property string symbol
    property color linkColor: Theme.accent
    property int pixelSize: Theme.bodySize

    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    padding: 2
    font.pixelSize: pixelSize

    contentItem: Row {
        spacing: 5
        Symbol {
            visible: link.symbol.length > 0
            name: link.symbol
            color: link.linkColor
            size: link.pixelSize + 1
            anchors.verticalCenter: parent.verticalCenter
        }
        Label {
            text: link.text
            font.pixelSize: link.pixelSize
            font.weight: Font.Medium
            font.underline: link.hovered || link.visualFocus
            color: link.down ? Qt.darker(link.linkColor, 1.3) : link.linkColor
            anchors.verticalCenter: parent.verticalCenter
        }
    }
    background: Item {}
}
