import QtQuick
import QtQuick.Layouts
import NerovaVardo

// How the away lock works.
InfoSheet {
    objectName: "awayLockInfo"
    sheetWidth: 420
    sheetHeight: 520
    shown: view ? view.showAwayLockInfo : false
    onCloseRequested: view.showAwayLockInfo = false
    headerSymbol: "lock.fill"
    title: Tr.t("how.away_lock")

    InfoRow {
        symbol: "figure.walk"
        title: Tr.t("info.away_lock.walk_title")
        text: Tr.t("info.away_lock.walk_text")
    }
    InfoRow {
        symbol: "timer"
        title: Tr.t("info.away_lock.delay_title")
        text: Tr.t("info.away_lock.delay_text")
    }
    InfoRow {
        symbol: "arrow.counterclockwise"
        title: Tr.t("info.away_lock.auto_title")
        text: Tr.t("info.away_lock.auto_text")
    }
    InfoRow {
        symbol: "lock.laptopcomputer"
        title: Tr.t("info.away_lock.modes_title")
        text: Tr.t("info.away_lock.modes_text")
    }
}
