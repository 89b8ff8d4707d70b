import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import NerovaVardo

// The first-start screen shown until the terms are accepted. A plain stand-in: the
// welcome screen proper takes this place.
Item {
    id: welcomeView

    ColumnLayout {
        anchors.centerIn: parent
        width: Math.min(parent.width - 80, 520)
        spacing: 18

        Image {
            source: "qrc:/qt/qml/NerovaVardo/App/icons/com.nerova.vardo.svg"
            sourceSize.width: 112
            sourceSize.height: 112
            Layout.alignment: Qt.AlignHCenter
        }
        Label {
            text: Tr.t("welcome.title")
            font.pixelSize: 28
            font.weight: Font.Bold
            color: Theme.text
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
        Label {
            text: Tr.t("welcome.subtitle")
            font.pixelSize: Theme.statusSubSize
            color: Theme.secondaryText
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
        AccentButton {
            objectName: "getStarted"
            text: Tr.t("welcome.get_started")
            Layout.alignment: Qt.AlignHCenter
            onClicked: Vardo.hasAcceptedTerms = true
        }
    }
}
