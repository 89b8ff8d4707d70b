import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// One row of the settings section: a symbol badge, the title, and the trailing control
// (the row's children). `description`, when set, is shown under the row.
ColumnLayout {
    id: row

    property string symbol
    property string title
    property string description
    default property alias control: trailing.data

    spacing: 4
    Layout.fillWidth: true

    RowLayout {
        spacing: 10
        Layout.fillWidth: true
        Layout.minimumHeight: 32

        SymbolBadge {
            name: row.symbol
        }
        Label {
            text: row.title
            color: Theme.text
            font.pixelSize: Theme.bodySize
            elide: Text.ElideRight
            wrapMode: Text.Wrap
            maximumLineCount: 2
            Layout.fillWidth: true
        }
        RowLayout {
            id: trailing
            spacing: 6
            Layout.alignment: Qt.AlignVCenter
        }
    }
    Label {
        visible: row.description.length > 0
        text: row.description
        color: Theme.secondaryText
        font.pixelSize: Theme.captionSize
        wrapMode: Text.Wrap
        Layout.fillWidth: true
        Layout.leftMargin: Theme.badgeSize + 10
    }
}
