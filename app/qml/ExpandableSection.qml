import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import NerovaVardo
import "SectionSets.js" as SectionSets

// A section of the tips or security sheet: a header that opens and closes it, and its
// items (each a title and a text). Open while `sectionId` is in `openSections`; a tap on
// the header asks for the toggle.
ColumnLayout {
    id: section

    property string sectionId
    property var openSections: []
    property string symbol
    property color symbolColor: Theme.indigo
    property string title
    // The item keys; each text key is its item key followed by "_text".
    property var items: []
    readonly property bool expanded: SectionSets.contains(openSections, sectionId)

    signal toggleRequested(string sectionId)

    spacing: 0
    Layout.fillWidth: true

    Rectangle {
        Layout.fillWidth: true
        implicitHeight: header.implicitHeight + 20
        radius: 10
        color: headerArea.containsMouse ? Theme.controlBackground : Theme.tint(Theme.grey, 0.08)

        RowLayout {
            id: header
            anchors.fill: parent
            anchors.leftMargin: 12
            anchors.rightMargin: 12
            spacing: 10

            SymbolBadge {
                name: section.symbol
                symbolColor: section.symbolColor
            }
            Label {
                text: section.title
                color: Theme.text
                font.pixelSize: Theme.bodySize + 1
                font.weight: Font.DemiBold
                wrapMode: Text.Wrap
                Layout.fillWidth: true
            }
            Symbol {
                name: section.expanded ? "chevron.up" : "chevron.down"
                color: Theme.secondaryText
                size: 14
            }
        }
        MouseArea {
            id: headerArea
            objectName: "sectionHeader_" + section.sectionId
            anchors.fill: parent
            hoverEnabled: true
            cursorShape: Qt.PointingHandCursor
            onClicked: section.toggleRequested(section.sectionId)
        }
    }

    Item {
        id: body
        clip: true
        Layout.fillWidth: true
        Layout.preferredHeight: section.expanded ? itemsColumn.implicitHeight + 12 : 0
        Behavior on Layout.preferredHeight {
            // A spring (response 0.3 s, damping fraction 0.825): short, with a slight settle.
            NumberAnimation { duration: 300; easing.type: Easing.OutBack; easing.overshoot: 0.6 }
        }

        ColumnLayout {
            id: itemsColumn
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.top: parent.top
            anchors.topMargin: 10
            anchors.leftMargin: 12
            anchors.rightMargin: 12
            spacing: 10

            Repeater {
                model: section.items
                delegate: ColumnLayout {
                    required property var modelData
                    spacing: 2
                    Layout.fillWidth: true

                    Label {
                        text: Tr.t(modelData)
                        color: Theme.text
                        font.pixelSize: Theme.bodySize
                        font.weight: Font.DemiBold
                        wrapMode: Text.Wrap
                        Layout.fillWidth: true
                    }
                    Label {
                        text: Tr.t(modelData + "_text")
                        color: Theme.secondaryText
                        font.pixelSize: Theme.bodySize
                        wrapMode: Text.Wrap
                        textFormat: Text.PlainText
                        Layout.fillWidth: true
                    }
                }
            }
        }
    }
}
