import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import NerovaVardo

// The top of the dashboard: the status indicator, its title and line, the countdown and
// guard-pause rows, and the main switch.
Card {
    id: card

    signal mainSwitchPressed()

    // The indicator eases into a new status rather than jumping.
    property color statusColor: Theme.named(Dashboard.statusColor)
    Behavior on statusColor {
        ColorAnimation { duration: 350; easing.type: Easing.OutBack }
    }

    Layout.fillWidth: true
    padding: 22

    Item {
        objectName: "statusIndicator"
        Layout.alignment: Qt.AlignHCenter
        Layout.topMargin: 4
        implicitWidth: 200
        implicitHeight: 200

        Rectangle {
            anchors.fill: parent
            radius: width / 2
            color: Theme.tint(card.statusColor, 0.07)
            border.width: 2
            border.color: Theme.tint(card.statusColor, 0.35)
        }
        Rectangle {
            anchors.centerIn: parent
            width: 160
            height: 160
            radius: 80
            color: Theme.tint(card.statusColor, 0.15)
        }
        Symbol {
            anchors.centerIn: parent
            name: Dashboard.statusSymbol
            color: card.statusColor
            size: 64
        }
    }

    Label {
        objectName: "statusTitle"
        text: Dashboard.statusTitle
        color: Theme.text
        font.pixelSize: Theme.statusTitleSize
        font.weight: Font.Bold
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.Wrap
        Layout.fillWidth: true
        Layout.topMargin: 6
    }
    Label {
        objectName: "statusSubline"
        text: Dashboard.statusSubline
        color: Theme.secondaryText
        font.pixelSize: Theme.statusSubSize
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.Wrap
        Layout.fillWidth: true
    }

    TintedRow {
        objectName: "countdownRow"
        visible: Dashboard.showsCountdown
        tintColor: Theme.orange
        symbol: "timer"
        text: Dashboard.countdownText
        Layout.fillWidth: true
    }
    TintedRow {
        objectName: "guardPauseRow"
        visible: Dashboard.showsGuardPause
        tintColor: Theme.indigo
        symbol: "pause.circle.fill"
        text: Dashboard.guardPauseText
        Layout.fillWidth: true
    }

    AccentButton {
        objectName: "mainSwitch"
        text: Vardo.isEnabled ? Tr.t("toggle.disable") : Tr.t("toggle.enable")
        symbol: Vardo.isEnabled ? "stop.circle.fill" : "play.circle.fill"
        fillColor: Vardo.isEnabled ? Theme.red : Theme.accent
        Layout.fillWidth: true
        Layout.topMargin: 6
        onClicked: card.mainSwitchPressed()
    }
}
