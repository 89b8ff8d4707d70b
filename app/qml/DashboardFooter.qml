import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import NerovaVardo

// The left column's footer: the on-device note; report a problem, about and the two
// documents; the review page only when the build names one; the version.
ColumnLayout {
    id: footer

    property Item view

    spacing: 8
    Layout.fillWidth: true

    RowLayout {
        spacing: 6
        Layout.alignment: Qt.AlignHCenter
        Symbol {
            name: "lock.shield.fill"
            color: Theme.green
            size: 14
        }
        Label {
            text: Tr.t("misc.on_device")
            color: Theme.secondaryText
            font.pixelSize: Theme.captionSize + 1
        }
    }
    RowLayout {
        spacing: 18
        Layout.alignment: Qt.AlignHCenter

        LinkButton {
            objectName: "footerReport"
            symbol: "exclamationmark.bubble"
            text: Tr.t("report.title")
            pixelSize: Theme.captionSize + 1
            onClicked: footer.view.showReportProblem = true
        }
        LinkButton {
            objectName: "footerReview"
            visible: Links.hasReviewPage
            symbol: "star.fill"
            text: Tr.p("Rate App")
            pixelSize: Theme.captionSize + 1
            onClicked: Links.openReviewPage()
        }
        LinkButton {
            objectName: "footerAbout"
            symbol: "info.circle"
            text: Tr.t("about.title")
            pixelSize: Theme.captionSize + 1
            onClicked: footer.view.showAbout = true
        }
    }
    RowLayout {
        spacing: 18
        Layout.alignment: Qt.AlignHCenter

        LinkButton {
            objectName: "footerPrivacy"
            symbol: "hand.raised.fill"
            text: Tr.t("welcome.privacy")
            pixelSize: Theme.captionSize + 1
            onClicked: footer.view.shownDocument = "privacy"
        }
        LinkButton {
            objectName: "footerTerms"
            symbol: "doc.text.fill"
            text: Tr.t("welcome.terms")
            pixelSize: Theme.captionSize + 1
            onClicked: footer.view.shownDocument = "terms"
        }
    }
    Label {
        objectName: "footerVersion"
        text: Links.versionLabel
        color: Theme.tint(Theme.secondaryText, 0.6)
        font.pixelSize: Theme.captionSize
        Layout.alignment: Qt.AlignHCenter
    }
}
