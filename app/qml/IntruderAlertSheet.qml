import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import NerovaVardo

// Shown after an unlock when strangers were photographed at the locked screen.
// Dismissing it empties the alert's photos; the history keeps them.
Sheet {
    id: sheet

    objectName: "intruderAlert"
    sheetWidth: 480
    sheetHeight: 400

    Symbol {
        name: "exclamationmark.triangle.fill"
        color: Theme.red
        size: 40
        Layout.alignment: Qt.AlignHCenter
    }
    Label {
        text: Tr.t("intruder.title")
        color: Theme.text
        font.pixelSize: 20
        font.weight: Font.Bold
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.Wrap
        Layout.fillWidth: true
    }
    Label {
        objectName: "intruderSubtitle"
        text: Tr.f("intruder.subtitle", [Vardo.intruderPhotos.count])
        color: Theme.secondaryText
        font.pixelSize: Theme.bodySize
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.Wrap
        Layout.fillWidth: true
    }
    ListView {
        orientation: ListView.Horizontal
        spacing: 10
        clip: true
        model: Vardo.intruderPhotos
        Layout.fillWidth: true
        Layout.fillHeight: true
        Layout.minimumHeight: 170
        delegate: ColumnLayout {
            spacing: 4
            Rectangle {
                color: Theme.controlBackground
                Layout.preferredWidth: 200
                Layout.preferredHeight: 150

                Image {
                    anchors.fill: parent
                    source: model.source
                    sourceSize.height: 300
                    fillMode: Image.PreserveAspectCrop
                    asynchronous: true
                    clip: true
                }
            }
            Label {
                text: Dashboard.photoTimeText(model.date)
                color: Theme.secondaryText
                font.pixelSize: 11
            }
        }
    }
    AccentButton {
        objectName: "dismissIntruderAlert"
        text: Tr.t("intruder.dismiss")
        fillColor: Theme.indigo
        Layout.preferredWidth: 200
        Layout.alignment: Qt.AlignHCenter
        onClicked: Vardo.dismissIntruderAlert()
    }
}
