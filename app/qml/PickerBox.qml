import QtQuick
import QtQuick.Controls
import NerovaVardo

// A compact pull-down bound to one picker of SettingsOptions: it shows the stored
// value's option and writes the chosen option's value straight through.
ComboBox {
    id: box

    property SettingsPicker picker
    property int boxWidth: 120

    implicitWidth: boxWidth
    font.pixelSize: Theme.bodySize
    model: picker ? picker.labels : []
    currentIndex: picker ? picker.currentIndex : -1
    displayText: picker ? picker.currentText : ""
    onActivated: index => {
        picker.choose(index)
        // A refused value leaves the engine as it was: show what it holds.
        currentIndex = Qt.binding(() => picker ? picker.currentIndex : -1)
    }
}
