import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import NerovaVardo

// Report a problem: the project has no mailbox, so the sheet copies a diagnostic report
// for the user to paste wherever they ask for help. A support address and the web site
// show only when the build names them.
InfoSheet {
    id: sheet

    objectName: "reportSheet"
    sheetWidth: 400
    sheetHeight: 480
    shown: view ? view.showReportProblem : false
    onCloseRequested: view.showReportProblem = false
    onShownChanged: if (!shown) ProblemReport.reset()
    headerSymbol: "exclamationmark.bubble.fill"
    title: Tr.t("report.title")
    subtitle: Tr.t("report.description")

    AccentButton {
        objectName: "copyReport"
        text: Tr.t("report.copy_report")
        symbol: "doc.on.doc"
        enabled: ProblemReport.state !== "preparing"
        Layout.alignment: Qt.AlignHCenter
        onClicked: ProblemReport.copyToClipboard()
    }
    Label {
        objectName: "reportState"
        visible: ProblemReport.state.length > 0
        text: ProblemReport.state === "copied" ? Tr.t("report.copied") : Tr.t("report.preparing")
        color: ProblemReport.state === "copied" ? Theme.green : Theme.secondaryText
        font.pixelSize: Theme.bodySize
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.Wrap
        Layout.fillWidth: true
    }

    Card {
        Layout.fillWidth: true
        Label {
            text: Tr.t("report.include")
            color: Theme.text
            font.pixelSize: Theme.bodySize + 1
            font.weight: Font.DemiBold
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
        Label {
            text: Tr.t("report.include_text")
            color: Theme.secondaryText
            font.pixelSize: Theme.bodySize
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
    }

    RowLayout {
        visible: Links.hasSupportEmail
        spacing: 8
        Layout.fillWidth: true
        Label {
            text: Links.supportEmail
            color: Theme.text
            font.pixelSize: Theme.bodySize
            elide: Text.ElideMiddle
            Layout.fillWidth: true
        }
        LinkButton {
            text: Tr.t("report.copy_email")
            symbol: "doc.on.doc"
            onClicked: Links.copySupportEmail()
        }
    }
    LinkButton {
        visible: Links.hasWebsite
        text: Tr.t("report.visit")
        Layout.alignment: Qt.AlignHCenter
        onClicked: Links.openWebsite()
    }
}
