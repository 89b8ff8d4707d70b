import QtQuick
import QtQuick.Controls

// The heading of a dashboard section.
Label {
    font.pixelSize: Theme.sectionTitleSize
    font.weight: Font.DemiBold
    color: Theme.text
    elide: Text.ElideRight
}
