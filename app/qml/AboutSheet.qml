import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import NerovaVardo

// The name, the version and what Nerova Vardo is. The web site and the support address
// show only when the build names them; the shipped documents are always at hand.
InfoSheet {
    id: sheet

    objectName: "aboutSheet"
    sheetWidth: 360
    sheetHeight: 440
    shown: view ? view.showAbout : false
    onCloseRequested: view.showAbout = false

    Image {
        source: "qrc:/qt/qml/NerovaVardo/App/icons/com.nerova.vardo.svg"
        sourceSize.width: 72
        sourceSize.height: 72
        Layout.alignment: Qt.AlignHCenter
    }
    Label {
        text: Tr.t("welcome.title")
        color: Theme.text
        font.pixelSize: 22
        font.weight: Font.Bold
        horizontalAlignment: Text.AlignHCenter
        Layout.fillWidth: true
    }
    Label {
        objectName: "aboutVersion"
        text: Tr.f("about.version", [Links.version])
        color: Theme.secondaryText
        font.pixelSize: Theme.bodySize
        horizontalAlignment: Text.AlignHCenter
        Layout.fillWidth: true
    }
    Label {
        text: Tr.t("about.description")
        color: Theme.text
        font.pixelSize: Theme.bodySize
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.Wrap
        Layout.fillWidth: true
    }
    RowLayout {
        visible: Links.hasWebsite
        Layout.alignment: Qt.AlignHCenter
        Label {
            text: Tr.t("about.website")
            color: Theme.secondaryText
            font.pixelSize: Theme.bodySize
        }
        LinkButton {
            text: Links.websiteHost
            onClicked: Links.openWebsite()
        }
    }
    RowLayout {
        visible: Links.hasSupportEmail
        Layout.alignment: Qt.AlignHCenter
        Label {
            text: Tr.t("about.support")
            color: Theme.secondaryText
            font.pixelSize: Theme.bodySize
        }
        Label {
            text: Links.supportEmail
            color: Theme.text
            font.pixelSize: Theme.bodySize
        }
    }
    RowLayout {
        spacing: 18
        Layout.alignment: Qt.AlignHCenter
        LinkButton {
            objectName: "aboutTerms"
            text: Tr.t("welcome.terms")
            onClicked: sheet.view.shownDocument = "terms"
        }
        LinkButton {
            objectName: "aboutPrivacy"
            text: Tr.t("welcome.privacy")
            onClicked: sheet.view.shownDocument = "privacy"
        }
    }
    Item {
        Layout.fillHeight: true
    }
    Label {
        text: Tr.t("about.made_with") + "  ·  " + Links.versionLabel
        color: Theme.secondaryText
        font.pixelSize: 11
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.Wrap
        Layout.fillWidth: true
        Layout.bottomMargin: 18
    }
}
