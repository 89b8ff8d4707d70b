import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import NerovaVardo

// The tips card and the security card; each opens its sheet. `view` is the dashboard.
ColumnLayout {
    id: cards

    property Item view

    spacing: Theme.columnSpacing
    Layout.fillWidth: true

    Repeater {
        model: [
            { name: "tipsCard", symbol: "lightbulb.fill", color: Theme.yellow, title: "tips.title",
              subtitle: "tips.subtitle", flag: "showTips" },
            { name: "securityCard", symbol: "lock.shield.fill", color: Theme.indigo, title: "security.sheet.title",
              subtitle: "security.sheet.subtitle", flag: "showSecurityInfo" }
        ]
        delegate: ClickableCard {
            id: card
            required property var modelData
            objectName: modelData.name
            onClicked: cards.view[card.modelData.flag] = true

            RowLayout {
                spacing: 12
                Layout.fillWidth: true

                Rectangle {
                    implicitWidth: 36
                    implicitHeight: 36
                    radius: 9
                    color: Theme.tint(Theme.grey, 0.15)
                    Symbol {
                        anchors.centerIn: parent
                        name: card.modelData.symbol
                        color: card.modelData.color
                        size: 20
                    }
                }
                ColumnLayout {
                    spacing: 2
                    Layout.fillWidth: true
                    Label {
                        text: Tr.t(card.modelData.title)
                        color: Theme.text
                        font.pixelSize: Theme.bodySize + 1
                        font.weight: Font.DemiBold
                        wrapMode: Text.Wrap
                        Layout.fillWidth: true
                    }
                    Label {
                        text: Tr.t(card.modelData.subtitle)
                        color: Theme.secondaryText
                        font.pixelSize: Theme.bodySize
                        wrapMode: Text.Wrap
                        Layout.fillWidth: true
                    }
                }
                Symbol {
                    name: Tr.rightToLeft ? "chevron.left" : "chevron.right"
                    color: Theme.secondaryText
                    size: 14
                }
            }
        }
    }
}
