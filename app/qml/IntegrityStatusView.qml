import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import NerovaVardo

// Whether the installed program and model files are the ones that were built, and where
// they come from. The file list opens with the dashboard's showIntegrityInfo flag.
ColumnLayout {
    id: block

    property Item view
    readonly property string state: Integrity.state
    readonly property color stateColor: state === "verified" ? Theme.green
                                      : state === "modified" ? Theme.orange : Theme.grey

    spacing: 8
    Layout.fillWidth: true
    Component.onCompleted: Integrity.checkOnce()

    // A path inside a sentence keeps its left-to-right order in a right-to-left language.
    function isolated(path) {
        return "\u2066" + path + "\u2069"
    }

    RowLayout {
        spacing: 10
        Layout.fillWidth: true

        SymbolBadge {
            name: block.state === "verified" ? "checkmark.shield.fill"
                : block.state === "modified" ? "exclamationmark.triangle.fill" : "questionmark.circle.fill"
            symbolColor: block.stateColor
            Layout.alignment: Qt.AlignTop
        }
        ColumnLayout {
            spacing: 2
            Layout.fillWidth: true

            Label {
                text: Tr.t("security.sheet.integrity_title")
                color: Theme.text
                font.pixelSize: Theme.bodySize + 1
                font.weight: Font.DemiBold
                wrapMode: Text.Wrap
                Layout.fillWidth: true
            }
            Label {
                objectName: "integrityVerdict"
                text: Tr.t("security.sheet.integrity_" + (block.state === "unchecked" ? "checking" : block.state))
                color: Theme.secondaryText
                font.pixelSize: Theme.bodySize
                wrapMode: Text.Wrap
                Layout.fillWidth: true
            }
            Label {
                objectName: "integrityOrigin"
                visible: block.state !== "checking" && block.state !== "unchecked"
                text: Integrity.programPackage.length > 0
                      ? Tr.f("security.sheet.integrity_package", [Integrity.programPackage])
                      : Tr.f("security.sheet.integrity_own_build", [block.isolated(Integrity.programPath)])
                color: Theme.secondaryText
                font.pixelSize: Theme.bodySize
                wrapMode: Text.WrapAnywhere
                Layout.fillWidth: true
            }
        }
    }

    RowLayout {
        spacing: 16
        Layout.leftMargin: Theme.badgeSize + 10
        visible: block.state !== "checking" && block.state !== "unchecked"

        LinkButton {
            objectName: "integrityDetails"
            visible: block.view !== null
            text: block.view && block.view.showIntegrityInfo ? Tr.t("security.sheet.integrity_hide_files")
                                                             : Tr.t("security.sheet.integrity_show_files")
            symbol: block.view && block.view.showIntegrityInfo ? "chevron.up" : "chevron.down"
            onClicked: block.view.showIntegrityInfo = !block.view.showIntegrityInfo
        }
        LinkButton {
            text: Tr.t("security.sheet.integrity_check_again")
            symbol: "arrow.counterclockwise"
            onClicked: Integrity.check()
        }
    }

    ColumnLayout {
        visible: block.view !== null && block.view.showIntegrityInfo && block.state !== "checking"
        spacing: 6
        Layout.fillWidth: true
        Layout.leftMargin: Theme.badgeSize + 10

        Repeater {
            model: Integrity.files
            delegate: ColumnLayout {
                required property var modelData
                spacing: 0
                Layout.fillWidth: true

                RowLayout {
                    Layout.fillWidth: true
                    Label {
                        text: modelData.name
                        color: Theme.text
                        font.pixelSize: Theme.captionSize + 1
                        font.weight: Font.DemiBold
                        elide: Text.ElideMiddle
                        Layout.fillWidth: true
                    }
                    Label {
                        text: Tr.t("security.sheet.file_" + modelData.check)
                        color: modelData.check === "matches" ? Theme.green
                             : modelData.check === "unrecorded" ? Theme.secondaryText : Theme.orange
                        font.pixelSize: Theme.captionSize + 1
                        font.weight: Font.DemiBold
                    }
                }
                Label {
                    text: modelData.path + (modelData.package.length > 0 ? " · " + modelData.package : "")
                    color: Theme.secondaryText
                    font.pixelSize: Theme.captionSize
                    wrapMode: Text.WrapAnywhere
                    Layout.fillWidth: true
                }
            }
        }
        Label {
            visible: Integrity.manifestPath.length > 0
            text: Tr.f("security.sheet.integrity_record", [block.isolated(Integrity.manifestPath)])
            color: Theme.secondaryText
            font.pixelSize: Theme.captionSize
            wrapMode: Text.WrapAnywhere
            Layout.fillWidth: true
        }
    }
}
