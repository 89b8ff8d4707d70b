import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// One security event: its symbol on a grey disc, title and detail, and its age.
RowLayout {
    id: row

    property string eventType
    property string title
    property string detail
    property string age

    spacing: 10

    Rectangle {
        implicitWidth: 28
        implicitHeight: 28
        radius: 14
        color: Theme.tint(Theme.grey, 0.15)
        Symbol {
            anchors.centerIn: parent
            name: row.eventType === "shoulder_guard" ? "eye.slash.fill"
                : row.eventType === "manual_unlock" ? "lock.open.fill" : "lock.fill"
            color: Theme.secondaryText
            size: 14
        }
    }
    ColumnLayout {
        spacing: 1
        Layout.fillWidth: true
        Label {
            text: row.title
            color: Theme.text
            font.pixelSize: Theme.bodySize
            font.weight: Font.Medium
            elide: Text.ElideRight
            Layout.fillWidth: true
        }
        Label {
            text: row.detail
            color: Theme.secondaryText
            font.pixelSize: Theme.captionSize
            elide: Text.ElideRight
            Layout.fillWidth: true
        }
    }
    Label {
        objectName: "age"
        text: row.age
        color: Theme.secondaryText
        font.pixelSize: Theme.captionSize
    }
}
