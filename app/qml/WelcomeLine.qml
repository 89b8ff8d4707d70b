import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import NerovaVardo

// One line of the welcome screen: it slides in from the reading side and fades in when
// `shown` turns true (a spring of response 0.7 s, damping fraction 0.8).
Label {
    id: line

    property bool shown: false

    horizontalAlignment: Text.AlignHCenter
    wrapMode: Text.Wrap
    Layout.fillWidth: true
    opacity: shown ? 1 : 0
    transform: Translate {
        x: line.shown ? 0 : (line.LayoutMirroring.enabled ? 40 : -40)
        Behavior on x { NumberAnimation { duration: 700; easing.type: Easing.OutBack; easing.overshoot: 0.9 } }
    }
    Behavior on opacity { NumberAnimation { duration: 450 } }
}
