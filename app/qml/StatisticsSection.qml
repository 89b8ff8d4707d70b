import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import NerovaVardo

// Today's locks and guards, the protected time, and the all-time counters.
Card {
    objectName: "statistics"
    title: Tr.t("stats.title")
    Layout.fillWidth: true

    RowLayout {
        spacing: 10
        Layout.fillWidth: true

        StatTile {
            objectName: "locksTodayTile"
            symbol: "lock.fill"
            value: String(Vardo.totalLocksToday)
            label: Tr.t("stats.locks_today")
        }
        StatTile {
            objectName: "guardsTodayTile"
            symbol: "eye.slash.fill"
            value: String(Vardo.totalStealthToday)
            label: Tr.t("stats.guards_today")
        }
        StatTile {
            objectName: "protectedTile"
            symbol: "clock.fill"
            value: Dashboard.protectedTimeText
            label: Tr.t("stats.protected")
        }
    }

    StatLine {
        symbol: "lock.fill"
        label: Tr.t("stats.total_locks")
        value: String(Vardo.totalLocksAllTime)
    }
    StatLine {
        symbol: "person.2.slash"
        label: Tr.t("stats.total_guards")
        value: String(Vardo.totalStealthAllTime)
    }
    StatLine {
        symbol: "face.smiling"
        label: Tr.t("stats.face_now")
        value: Vardo.faceDetected ? Tr.t("stats.yes") : Tr.t("stats.no")
    }
}
