import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import NerovaVardo
import "SectionSets.js" as SectionSets

// Privacy and security: what Nerova Vardo does with the camera and the face, how to
// check it, and whether the installed files are the ones that were built. Open
// sections are the dashboard's view state (expandedSecSections).
InfoSheet {
    id: sheet

    objectName: "securitySheet"
    sheetWidth: 500
    sheetHeight: 650
    shown: view ? view.showSecurityInfo : false
    onCloseRequested: view.showSecurityInfo = false
    headerSymbol: "lock.shield.fill"
    title: Tr.t("security.sheet.title")
    subtitle: Tr.t("security.sheet.subtitle")

    readonly property var sections: [
        { id: "zero_server", symbol: "network.slash", title: "security.sheet.zero_server",
          items: ["security.sheet.no_internet", "security.sheet.no_exfil"] },
        { id: "zero_data", symbol: "externaldrive.badge.xmark", title: "security.sheet.zero_data",
          items: ["security.sheet.no_images", "security.sheet.memory_cleanup"] },
        { id: "screen_protection", symbol: "macwindow", title: "security.sheet.screen_protection",
          items: ["security.sheet.capture_blocked", "security.sheet.try_it", "security.sheet.no_feed"] },
        { id: "verify", symbol: "magnifyingglass", title: "security.sheet.verify",
          items: ["security.sheet.check_network", "security.sheet.use_firewall", "security.sheet.check_camera",
                  "security.sheet.search_files", "security.sheet.watch_led"] }
    ]

    InfoRow {
        symbol: "questionmark.circle.fill"
        title: Tr.t("security.sheet.safe_q")
        lead: Tr.t("security.sheet.valid_concern")
        text: Tr.t("security.sheet.valid_concern_text")
    }

    Repeater {
        model: sheet.sections
        delegate: ExpandableSection {
            required property var modelData
            sectionId: modelData.id
            symbol: modelData.symbol
            title: Tr.t(modelData.title)
            items: modelData.items
            openSections: sheet.view ? sheet.view.expandedSecSections : []
            onToggleRequested: id => sheet.view.expandedSecSections
                               = SectionSets.toggled(sheet.view.expandedSecSections, id)
        }
    }

    Card {
        tintColor: Theme.orange
        Layout.fillWidth: true

        InfoRow {
            symbol: "exclamationmark.triangle.fill"
            symbolColor: Theme.orange
            title: Tr.t("security.sheet.official_title")
            text: Tr.t("security.sheet.official_text")
        }
        RowLayout {
            visible: Links.hasWebsite
            spacing: 6
            Layout.leftMargin: Theme.badgeSize + 12
            Label {
                text: Tr.t("security.sheet.official_website")
                color: Theme.secondaryText
                font.pixelSize: Theme.bodySize
            }
            LinkButton {
                text: Links.websiteHost
                onClicked: Links.openWebsite()
            }
        }
    }

    Card {
        Layout.fillWidth: true
        IntegrityStatusView {
            view: sheet.view
        }
    }

    InfoRow {
        symbol: "checkmark.shield.fill"
        symbolColor: Theme.green
        title: Tr.t("security.sheet.summary")
        text: Tr.t("security.sheet.summary_text")
    }
    Item {
        Layout.preferredHeight: 6
    }
}
