import QtQuick
import QtQuick.Layouts

// The left column's place for the tips and security cards. `view` is the dashboard.
ColumnLayout {
    property Item view
    Layout.fillWidth: true
    visible: children.length > 0
}
