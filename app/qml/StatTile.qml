import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// One of the statistics tiles: a symbol, a large value and its label.
Rectangle {
    id: tile

    property string symbol
    property string value
    property string label

    Layout.fillWidth: true
    Layout.preferredWidth: 1
    implicitHeight: column.implicitHeight + 20
    radius: 10
    color: Theme.controlBackground

    ColumnLayout {
        id: column
        anchors.fill: parent
        anchors.margins: 10
        spacing: 2

        Symbol {
            name: tile.symbol
            color: Theme.accent
            size: 18
        }
        Label {
            objectName: "value"
            text: tile.value
            color: Theme.text
            font.pixelSize: 22
            font.weight: Font.Bold
            elide: Text.ElideRight
            Layout.fillWidth: true
        }
        Label {
            text: tile.label
            color: Theme.secondaryText
            font.pixelSize: Theme.captionSize
            wrapMode: Text.Wrap
            maximumLineCount: 2
            elide: Text.ElideRight
            Layout.fillWidth: true
        }
    }
}
