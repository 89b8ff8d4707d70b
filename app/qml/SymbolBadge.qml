import QtQuick

// A symbol on a small rounded square tinted at 15 %: the leading mark of a settings row.
Rectangle {
    property alias name: symbol.name
    property color symbolColor: Theme.accent

    implicitWidth: Theme.badgeSize
    implicitHeight: Theme.badgeSize
    radius: 7
    color: Theme.tint(symbolColor, 0.15)

    Symbol {
        id: symbol
        anchors.centerIn: parent
        size: 16
        color: parent.symbolColor
    }
}
