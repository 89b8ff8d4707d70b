import QtQuick
import QtQuick.Shapes
import NerovaVardo

// A ring that fills clockwise from the top with `progress` (0 to 1), over a faint track.
Item {
    id: ring

    property real progress: 0
    property color color: Theme.indigo
    property real lineWidth: 8
    property real shownProgress: progress

    Behavior on shownProgress {
        NumberAnimation { duration: 350; easing.type: Easing.InOutQuad }
    }

    Shape {
        anchors.fill: parent
        layer.enabled: true
        layer.samples: 4

        ShapePath {
            fillColor: "transparent"
            strokeColor: Qt.rgba(1, 1, 1, 0.3)
            strokeWidth: ring.lineWidth
            PathAngleArc {
                centerX: ring.width / 2
                centerY: ring.height / 2
                radiusX: (ring.width - ring.lineWidth) / 2
                radiusY: (ring.height - ring.lineWidth) / 2
                startAngle: -90
                sweepAngle: 360
            }
        }
        ShapePath {
            fillColor: "transparent"
            strokeColor: ring.color
            strokeWidth: ring.lineWidth
            capStyle: ShapePath.RoundCap
            PathAngleArc {
                centerX: ring.width / 2
                centerY: ring.height / 2
                radiusX: (ring.width - ring.lineWidth) / 2
                radiusY: (ring.height - ring.lineWidth) / 2
                startAngle: -90
                sweepAngle: 360 * Math.max(0, Math.min(1, ring.shownProgress))
            }
        }
    }
}
