import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// One scrolling column of the dashboard; its children are stacked with even spacing and
// a margin all round.
ScrollView {
    id: scroller

    default property alias content: column.data

    contentWidth: availableWidth
    contentHeight: column.implicitHeight + 2 * Theme.columnSpacing
    clip: true

    ColumnLayout {
        id: column
        x: Theme.columnSpacing
        y: Theme.columnSpacing
        width: scroller.availableWidth - 2 * Theme.columnSpacing
        spacing: Theme.columnSpacing
    }
}
