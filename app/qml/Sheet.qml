import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import NerovaVardo

// A modal sheet over the main window, centred, on a dimmed background. Its children go
// into a column; `sheetWidth` and `sheetHeight` fix its size (0: the content's own).
// The sheet is open while `shown` is true; closing it any other way (Escape) emits
// `dismissed`, for the owner to clear its flag.
Popup {
    id: sheet

    property bool shown: false
    signal dismissed()

    property int sheetWidth: 480
    property int sheetHeight: 0
    default property alias content: body.data

    parent: Overlay.overlay
    anchors.centerIn: parent
    modal: true
    focus: true
    closePolicy: Popup.CloseOnEscape
    padding: 24
    width: sheetWidth
    height: sheetHeight > 0 ? sheetHeight : implicitHeight

    onShownChanged: shown ? open() : close()
    Component.onCompleted: if (shown) open()
    onClosed: if (shown) dismissed()

    Overlay.modal: Rectangle {
        color: Theme.dim
    }
    background: Rectangle {
        radius: 14
        color: Theme.cardBackground
        border.color: Theme.cardBorder
    }
    contentItem: Item {
        implicitHeight: body.implicitHeight
        implicitWidth: body.implicitWidth
        // Popups live outside the window's item tree: mirror them here as well.
        LayoutMirroring.enabled: Tr.rightToLeft
        LayoutMirroring.childrenInherit: true

        ColumnLayout {
            id: body
            anchors.left: parent.left
            anchors.right: parent.right
            spacing: 14
        }
    }
}
