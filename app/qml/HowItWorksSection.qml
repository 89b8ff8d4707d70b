import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import NerovaVardo

// How the protection works: the away lock and the shoulder guard, each with a button
// that opens its information sheet. `view` is the dashboard, whose flags open the sheets.
Card {
    id: section

    property Item view

    title: Tr.t("how.title")
    Layout.fillWidth: true

    Repeater {
        model: [
            { symbol: "lock.fill", title: "how.away_lock", text: "how.away_lock_desc", flag: "showAwayLockInfo" },
            { symbol: "eye.slash.fill", title: "how.shoulder_guard", text: "how.shoulder_guard_desc",
              flag: "showShoulderGuardInfo" }
        ]
        delegate: RowLayout {
            required property var modelData
            spacing: 12
            Layout.fillWidth: true

            SymbolBadge {
                name: modelData.symbol
                Layout.alignment: Qt.AlignTop
            }
            ColumnLayout {
                spacing: 2
                Layout.fillWidth: true
                Label {
                    text: Tr.t(modelData.title)
                    color: Theme.text
                    font.pixelSize: Theme.bodySize + 1
                    font.weight: Font.DemiBold
                    wrapMode: Text.Wrap
                    Layout.fillWidth: true
                }
                Label {
                    text: Tr.t(modelData.text)
                    color: Theme.secondaryText
                    font.pixelSize: Theme.bodySize
                    wrapMode: Text.Wrap
                    Layout.fillWidth: true
                }
            }
            RoundButton {
                id: infoButton
                objectName: "info_" + modelData.flag
                flat: true
                padding: 4
                Accessible.name: Tr.t(modelData.title)
                icon.source: "image://symbol/info.circle/" + Theme.accent.toString().substring(1)
                icon.width: 20
                icon.height: 20
                icon.color: "transparent"
                Layout.alignment: Qt.AlignVCenter
                onClicked: section.view[modelData.flag] = true
            }
        }
    }
}
