import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// One scrolling column of the dashboard; its children are stacked with even spacing.
ScrollView {
    id: scroller

    default property alias content: column.data

    contentWidth: availableWidth
    clip: true

    ColumnLayout {
        id: column
        width: scroller.availableWidth - 2 * Theme.columnSpacing
        x: Theme.columnSpacing
        spacing: Theme.columnSpacing

        Item {
            Layout.preferredHeight: 0
        }
    }

    // Room below the last card.
    Item {
        y: column.height
        height: Theme.columnSpacing
    }
}
