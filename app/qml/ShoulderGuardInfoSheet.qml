import QtQuick
import QtQuick.Layouts
import NerovaVardo

// How the shoulder guard works.
InfoSheet {
    objectName: "shoulderGuardInfo"
    sheetWidth: 420
    sheetHeight: 560
    shown: view ? view.showShoulderGuardInfo : false
    onCloseRequested: view.showShoulderGuardInfo = false
    headerSymbol: "eye.slash.fill"
    title: Tr.t("how.shoulder_guard")

    InfoRow {
        symbol: "person.2.fill"
        title: Tr.t("info.guard.surfing_title")
        text: Tr.t("info.guard.surfing_text")
    }
    InfoRow {
        symbol: "timer"
        title: Tr.t("info.guard.smart_title")
        text: Tr.t("info.guard.smart_text")
    }
    InfoRow {
        symbol: "video.fill"
        title: Tr.t("info.guard.video_title")
        text: Tr.t("info.guard.video_text")
    }
    InfoRow {
        symbol: "pause.circle.fill"
        title: Tr.t("info.guard.pause_title")
        text: Tr.t("info.guard.pause_text")
    }
}
