import QtQuick
import QtQuick.Layouts

// The left column's footer: about, report a problem, terms. `view` is the dashboard.
ColumnLayout {
    property Item view
    Layout.fillWidth: true
    visible: children.length > 0
}
