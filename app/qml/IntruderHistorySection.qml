import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import NerovaVardo

// Photos of strangers taken at the locked screen, newest first, with a button that
// deletes them all. Shown only while there are some.
Card {
    objectName: "intruderHistory"
    visible: Vardo.intruderHistory.count > 0
    Layout.fillWidth: true

    RowLayout {
        Layout.fillWidth: true
        SectionTitle {
            text: Tr.t("intruder.history")
            Layout.fillWidth: true
        }
        Button {
            id: clearButton
            objectName: "clearIntruderHistory"
            text: Tr.t("intruder.clear_all")
            flat: true
            font.pixelSize: Theme.bodySize
            contentItem: Label {
                text: clearButton.text
                font: clearButton.font
                color: Theme.red
            }
            onClicked: Vardo.clearIntruderHistory()
        }
    }

    // Rows of photos, as many to a row as the column's width allows.
    Flow {
        spacing: 10
        Layout.fillWidth: true

        Repeater {
            model: Vardo.intruderHistory

            ColumnLayout {
                spacing: 2
                Layout.preferredWidth: 100

                // A blank tile while the photo is still being written, or once its
                // file has gone.
                Rectangle {
                    color: Theme.controlBackground
                    Layout.preferredWidth: 100
                    Layout.preferredHeight: 80

                    Image {
                        anchors.fill: parent
                        source: model.source
                        sourceSize.height: 160
                        fillMode: Image.PreserveAspectCrop
                        asynchronous: true
                        clip: true
                    }
                }
                Label {
                    text: Dashboard.photoDateText(model.date)
                    color: Theme.text
                    font.pixelSize: Theme.captionSize
                }
                Label {
                    text: Dashboard.photoTimeText(model.date)
                    color: Theme.secondaryText
                    font.pixelSize: Theme.captionSize
                }
            }
        }
    }
}
