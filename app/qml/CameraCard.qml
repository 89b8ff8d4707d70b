import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import NerovaVardo

// Why the camera cannot be used, and what to do about it; shown only then.
Card {
    objectName: "cameraCard"
    visible: Dashboard.showsCameraCard
    tintColor: Theme.orange
    dashedBorder: true
    Layout.fillWidth: true

    RowLayout {
        spacing: 12
        Layout.fillWidth: true

        Symbol {
            name: Dashboard.cameraCardSymbol
            color: Theme.orange
            size: 28
            Layout.alignment: Qt.AlignTop
        }
        ColumnLayout {
            spacing: 4
            Layout.fillWidth: true

            Label {
                objectName: "cameraCardTitle"
                text: Dashboard.cameraCardTitle
                color: Theme.text
                font.pixelSize: Theme.sectionTitleSize
                font.weight: Font.DemiBold
                wrapMode: Text.Wrap
                Layout.fillWidth: true
            }
            Label {
                objectName: "cameraCardText"
                text: Dashboard.cameraCardText
                color: Theme.secondaryText
                font.pixelSize: Theme.bodySize
                wrapMode: Text.Wrap
                Layout.fillWidth: true
            }
        }
    }
    AccentButton {
        objectName: "openCameraSettings"
        visible: Dashboard.offersCameraSettings
        text: Tr.t("camera.open_settings")
        symbol: "gear"
        fillColor: Theme.orange
        onClicked: Dashboard.openCameraSettings()
    }
}
