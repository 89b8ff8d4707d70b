import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import NerovaVardo

// The security events, newest first: three while collapsed, all when expanded.
Card {
    id: section

    property bool expanded: false
    signal toggleExpanded()

    readonly property int eventCount: Vardo.securityEvents.count

    Layout.fillWidth: true

    RowLayout {
        Layout.fillWidth: true
        SectionTitle {
            text: Tr.t("events.title")
            Layout.fillWidth: true
        }
        Label {
            objectName: "eventCount"
            visible: section.eventCount > 0
            text: Tr.f("events.count", [section.eventCount])
            color: Theme.secondaryText
            font.pixelSize: Theme.captionSize
        }
    }

    ColumnLayout {
        objectName: "noEvents"
        visible: section.eventCount === 0
        spacing: 6
        Layout.fillWidth: true
        Layout.topMargin: 6
        Layout.bottomMargin: 6

        Symbol {
            name: "checkmark.circle"
            color: Theme.green
            size: 24
            Layout.alignment: Qt.AlignHCenter
        }
        Label {
            text: Tr.t("events.empty")
            color: Theme.secondaryText
            font.pixelSize: Theme.bodySize
            Layout.alignment: Qt.AlignHCenter
        }
    }

    Repeater {
        objectName: "eventRows"
        model: Vardo.securityEvents

        EventRow {
            visible: section.expanded || index < 3
            eventType: model.eventType
            title: model.title
            detail: model.detail
            age: Dashboard.now, Dashboard.eventAgeText(model.date)
            Layout.fillWidth: true
        }
    }

    Rectangle {
        visible: section.eventCount > 3
        color: Theme.divider
        Layout.fillWidth: true
        Layout.preferredHeight: 1
    }
    Button {
        id: toggle
        objectName: "showAllEvents"
        visible: section.eventCount > 3
        flat: true
        Layout.alignment: Qt.AlignHCenter
        text: section.expanded ? Tr.t("events.show_less") : Tr.f("events.show_all", [section.eventCount])
        contentItem: Row {
            spacing: 6
            Label {
                text: toggle.text
                color: Theme.accent
                font.pixelSize: Theme.bodySize
                anchors.verticalCenter: parent.verticalCenter
            }
            Symbol {
                name: section.expanded ? "chevron.up" : "chevron.down"
                color: Theme.accent
                size: 12
                anchors.verticalCenter: parent.verticalCenter
            }
        }
        onClicked: section.toggleExpanded()
    }
}
