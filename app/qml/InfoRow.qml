import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import NerovaVardo

// One explanation: a symbol, a title and its text.
RowLayout {
    id: row

    property string symbol
    property color symbolColor: Theme.indigo
    property string title
    property string lead // a short line between the title and the text, when set
    property string text

    spacing: 12
    Layout.fillWidth: true

    SymbolBadge {
        name: row.symbol
        symbolColor: row.symbolColor
        Layout.alignment: Qt.AlignTop
    }
    ColumnLayout {
        spacing: 2
        Layout.fillWidth: true

        Label {
            text: row.title
            color: Theme.text
            font.pixelSize: Theme.bodySize + 1
            font.weight: Font.DemiBold
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
        Label {
            visible: row.lead.length > 0
            text: row.lead
            color: row.symbolColor
            font.pixelSize: Theme.bodySize
            font.weight: Font.DemiBold
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
        Label {
            text: row.text
            color: Theme.secondaryText
            font.pixelSize: Theme.bodySize
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
    }
}
