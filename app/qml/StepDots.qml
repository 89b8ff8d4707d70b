import QtQuick
import NerovaVardo

// The onboarding's step dots: filled up to and including the current step.
Row {
    id: dots

    property int count: 5
    property int current: 0

    spacing: 8

    Repeater {
        model: dots.count
        delegate: Rectangle {
            required property int index
            width: 8
            height: 8
            radius: 4
            color: index <= dots.current ? Theme.indigo : Theme.tint(Theme.grey, 0.3)
            Behavior on color { ColorAnimation { duration: 200 } }
        }
    }
}
