import QtQuick
import QtQuick.Layouts

// The left column's place for how the protection works (the information sheets build
// on it). `view` is the dashboard, whose flags open the sheets.
ColumnLayout {
    property Item view
    Layout.fillWidth: true
    visible: children.length > 0
}
