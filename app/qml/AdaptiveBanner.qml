import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import NerovaVardo

// The note that the enrolled face keeps learning, until the user closes it.
Rectangle {
    id: banner

    property bool shown: false
    signal dismissed()

    objectName: "adaptiveBanner"
    visible: shown
    Layout.fillWidth: true
    implicitHeight: line.implicitHeight + 24
    radius: Theme.cardRadius
    color: Theme.tint(Theme.indigo, Theme.dark ? 0.20 : 0.10)
    border.color: Theme.tint(Theme.indigo, 0.30)

    RowLayout {
        id: line
        anchors.fill: parent
        anchors.margins: 12
        spacing: 10

        Symbol {
            name: "brain.head.profile"
            color: Theme.indigo
            size: 22
            Layout.alignment: Qt.AlignTop
        }
        Label {
            text: Tr.p("Vardo continuously learns your face. The more you use it, the faster and more accurate recognition becomes.")
            color: Theme.text
            font.pixelSize: Theme.bodySize
            wrapMode: Text.Wrap
            Layout.fillWidth: true
        }
        ToolButton {
            objectName: "closeAdaptiveBanner"
            Layout.alignment: Qt.AlignTop
            implicitWidth: 24
            implicitHeight: 24
            padding: 4
            contentItem: Symbol {
                name: "xmark"
                color: Theme.secondaryText
                size: 14
            }
            background: Item {}
            onClicked: banner.dismissed()
        }
    }
}
