import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import NerovaVardo

// A sheet of fixed size with a close button in its top-right corner (top-left when the
// layout is mirrored) and a scrolling body; `headerSymbol` and `title` head it. The
// children go into the scrolling column. `flagName` names the dashboard flag that shows
// it, for the sheet's objectName and the close button's.
Sheet {
    id: sheet

    property string headerSymbol
    property color headerColor: Theme.indigo
    property string title
    property string subtitle
    property Item view
    default property alias body: column.data
    readonly property alias scroller: scroll

    signal closeRequested()

    padding: 0
    onDismissed: closeRequested()

    Item {
        Layout.fillWidth: true
        Layout.preferredHeight: sheet.sheetHeight

        ScrollView {
            id: scroll
            anchors.fill: parent
            anchors.topMargin: 8
            anchors.bottomMargin: 8
            contentWidth: availableWidth
            clip: true

            ColumnLayout {
                id: column
                width: scroll.availableWidth - 48
                // At least as tall as the sheet, so that a sheet may keep a line at its foot.
                height: Math.max(implicitHeight, scroll.availableHeight)
                x: 24
                spacing: 14

                Item {
                    Layout.preferredHeight: 14
                }
                Symbol {
                    visible: sheet.headerSymbol.length > 0
                    name: sheet.headerSymbol
                    color: sheet.headerColor
                    size: 40
                    Layout.alignment: Qt.AlignHCenter
                }
                Label {
                    visible: sheet.title.length > 0
                    text: sheet.title
                    color: Theme.text
                    font.pixelSize: 20
                    font.weight: Font.Bold
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.Wrap
                    Layout.fillWidth: true
                }
                Label {
                    visible: sheet.subtitle.length > 0
                    text: sheet.subtitle
                    color: Theme.secondaryText
                    font.pixelSize: Theme.bodySize
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.Wrap
                    Layout.fillWidth: true
                }
            }
        }

        RoundButton {
            id: closeButton
            objectName: sheet.objectName + "Close"
            anchors.top: parent.top
            anchors.right: parent.right
            anchors.margins: 10
            width: 28
            height: 28
            padding: 0
            flat: true
            Accessible.name: Tr.t("onboarding.cancel")
            icon.source: "image://symbol/xmark/" + Theme.secondaryText.toString().substring(1)
            icon.width: 14
            icon.height: 14
            icon.color: "transparent"
            background: Rectangle {
                radius: 14
                color: closeButton.hovered ? Theme.controlBackground : Theme.tint(Theme.grey, 0.12)
            }
            onClicked: sheet.closeRequested()
        }
    }
}
