import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A line of text with a leading symbol on a rounded background tinted in `tintColor`.
Rectangle {
    id: row

    property color tintColor: Theme.orange
    property string symbol
    property string text

    implicitHeight: line.implicitHeight + 16
    radius: 8
    color: Theme.tint(tintColor, 0.13)

    RowLayout {
        id: line
        anchors.fill: parent
        anchors.leftMargin: 12
        anchors.rightMargin: 12
        spacing: 8

        Symbol {
            name: row.symbol
            color: row.tintColor
            size: 16
        }
        Label {
            text: row.text
            color: row.tintColor
            font.pixelSize: Theme.bodySize
            font.weight: Font.DemiBold
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
    }
}
