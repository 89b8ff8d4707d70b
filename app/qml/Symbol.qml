import QtQuick

// One of the application's symbols (app/symbols/<name>.svg), drawn in `color`.
Image {
    property string name
    property color color: Theme.text
    property int size: 16

    width: size
    height: size
    sourceSize.width: size * 2
    sourceSize.height: size * 2
    fillMode: Image.PreserveAspectFit
    smooth: true
    mipmap: true
    source: name.length > 0 ? "image://symbol/" + name + "/" + color.toString().substring(1) : ""
}
