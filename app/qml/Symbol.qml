import QtQuick

// One of the application's symbols (app/symbols/<name>.svg), drawn in `color` on a
// `size` × `size` square.
Item {
    id: symbol

    property string name
    property color color: Theme.text
    property int size: 16

    implicitWidth: size
    implicitHeight: size

    Image {
        anchors.fill: parent
        sourceSize.width: symbol.size * 2
        sourceSize.height: symbol.size * 2
        fillMode: Image.PreserveAspectFit
        smooth: true
        mipmap: true
        source: symbol.name.length > 0
                ? "image://symbol/" + symbol.name + "/" + symbol.color.toString().substring(1) : ""
    }
}
