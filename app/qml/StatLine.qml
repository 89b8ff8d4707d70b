import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A statistics line: symbol, label, and the value at the trailing edge.
RowLayout {
    property string symbol
    property string label
    property string value

    spacing: 10
    Layout.fillWidth: true

    Symbol {
        name: parent.symbol
        color: Theme.secondaryText
        size: 16
    }
    Label {
        text: parent.label
        color: Theme.text
        font.pixelSize: Theme.bodySize
        elide: Text.ElideRight
        Layout.fillWidth: true
    }
    Label {
        objectName: "value"
        text: parent.value
        color: Theme.text
        font.pixelSize: Theme.bodySize
        font.weight: Font.DemiBold
    }
}
