import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import NerovaVardo

// A small card under the settings: whether the installed files are the ones that were
// built. It opens the security sheet, which shows the details.
ClickableCard {
    id: card

    property Item view

    objectName: "integrityCard"
    padding: 12
    Component.onCompleted: Integrity.checkOnce()
    onClicked: card.view.showSecurityInfo = true

    RowLayout {
        spacing: 10
        Layout.fillWidth: true

        SymbolBadge {
            name: Integrity.state === "verified" ? "checkmark.shield.fill"
                : Integrity.state === "modified" ? "exclamationmark.triangle.fill" : "questionmark.circle.fill"
            symbolColor: Integrity.state === "verified" ? Theme.green
                       : Integrity.state === "modified" ? Theme.orange : Theme.grey
        }
        Label {
            text: Tr.t("security.sheet.integrity_title")
            color: Theme.text
            font.pixelSize: Theme.bodySize
            elide: Text.ElideRight
            Layout.fillWidth: true
        }
        Label {
            objectName: "integrityShort"
            text: Tr.t("security.sheet.integrity_short_"
                       + (Integrity.state === "unchecked" ? "checking" : Integrity.state))
            color: Theme.secondaryText
            font.pixelSize: Theme.bodySize
        }
        Symbol {
            name: Tr.rightToLeft ? "chevron.left" : "chevron.right"
            color: Theme.secondaryText
            size: 14
        }
    }
}
