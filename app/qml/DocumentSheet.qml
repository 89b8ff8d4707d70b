import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import NerovaVardo

// The terms of use or the privacy policy, as shipped with the application. Shown while
// `document` names one ("terms", "privacy"); its owner empties it on closeRequested.
InfoSheet {
    id: sheet

    property string document

    objectName: "documentSheet"
    sheetWidth: 520
    sheetHeight: 600
    shown: document.length > 0
    headerSymbol: document === "privacy" ? "hand.raised.fill" : "doc.text.fill"
    title: document.length > 0 ? Tr.t(Documents.titleKey(document)) : ""
    subtitle: Localization.currentLanguage === "en" ? "" : Tr.t("welcome.document_english")

    Label {
        objectName: "documentText"
        text: sheet.document.length > 0 ? Documents.bodyHtml(sheet.document) : ""
        textFormat: Text.RichText
        color: Theme.text
        font.pixelSize: Theme.bodySize
        wrapMode: Text.Wrap
        // The document is English: it reads left to right in every interface language.
        horizontalAlignment: Text.AlignLeft
        LayoutMirroring.enabled: false
        Layout.fillWidth: true
    }
}
