import QtQuick
import QtQuick.Controls

// A prominent button filled with `fillColor` (the accent unless told otherwise), with an
// optional leading symbol.
Button {
    id: button

    property color fillColor: Theme.accent
    property string symbol

    padding: 10
    leftPadding: 18
    rightPadding: 18
    font.pixelSize: Theme.bodySize
    font.weight: Font.DemiBold

    contentItem: Row {
        spacing: 8
        Symbol {
            visible: button.symbol.length > 0
            name: button.symbol
            color: Theme.textOnAccent
            size: 16
            anchors.verticalCenter: parent.verticalCenter
        }
        Label {
            text: button.text
            font: button.font
            color: Theme.textOnAccent
            anchors.verticalCenter: parent.verticalCenter
        }
    }
    background: Rectangle {
        implicitHeight: 34
        radius: 8
        color: !button.enabled ? Theme.grey
             : button.down ? Qt.darker(button.fillColor, 1.2)
             : button.hovered ? Qt.lighter(button.fillColor, 1.08) : button.fillColor
    }
}
