import QtQuick
import QtQuick.Layouts

// A rounded surface for one section of the dashboard. Children are laid out in a column;
// `title`, when set, heads the card. `tintColor` turns it into a tinted notice card.
Rectangle {
    id: card

    property string title
    property color tintColor: "transparent"
    property bool dashedBorder: false
    property int padding: Theme.cardPadding
    default property alias content: column.data
    readonly property bool tinted: tintColor.a > 0

    implicitHeight: column.implicitHeight + 2 * padding
    implicitWidth: column.implicitWidth + 2 * padding
    radius: Theme.cardRadius
    color: tinted ? Theme.tint(tintColor, Theme.dark ? 0.18 : 0.10) : Theme.cardBackground
    border.width: dashedBorder ? 0 : 1
    border.color: tinted ? Theme.tint(tintColor, 0.35) : Theme.cardBorder

    // Qt Quick draws no dashed border of its own: a dashed outline on a canvas.
    Canvas {
        anchors.fill: parent
        visible: card.dashedBorder
        onPaint: {
            const ctx = getContext("2d")
            ctx.reset()
            ctx.strokeStyle = card.tintColor
            ctx.lineWidth = 1.5
            ctx.setLineDash([5, 4])
            const r = card.radius
            const w = width - 1.5, h = height - 1.5
            ctx.beginPath()
            ctx.roundedRect(0.75, 0.75, w, h, r, r)
            ctx.stroke()
        }
        onWidthChanged: requestPaint()
        onHeightChanged: requestPaint()
    }

    ColumnLayout {
        id: column
        anchors.fill: parent
        anchors.margins: card.padding
        spacing: Theme.rowSpacing

        SectionTitle {
            visible: card.title.length > 0
            text: card.title
            Layout.fillWidth: true
        }
    }
}
