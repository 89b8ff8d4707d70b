import QtQuick
import QtMultimedia
import Qt5Compat.GraphicalEffects
import NerovaVardo

// The animated eye: closed while `active` is false, opening once and staying open when
// it turns true. The clip hangs from 90 pixels above the top edge at the full width, in
// its 9:16 frame, and the corners are rounded off.
Item {
    id: eye
    property alias active: player.active

    EyeVideoPlayer {
        id: player
        videoOutput: output
    }

    Item {
        id: frame
        anchors.fill: parent
        visible: false
        // The closed eye until the player has drawn: a paused player may show nothing
        // until it plays, depending on when its view joined the window.
        Image {
            x: 0
            y: -90
            width: eye.width
            height: eye.width * 16 / 9
            source: "qrc:/NerovaVardo/artwork/eye_closed.png"
            fillMode: Image.PreserveAspectCrop
        }
        VideoOutput {
            id: output
            x: 0
            y: -90
            width: eye.width
            height: eye.width * 16 / 9
            fillMode: VideoOutput.PreserveAspectCrop
        }
    }

    Rectangle {
        id: mask
        anchors.fill: parent
        radius: Math.min(width, height) / 2
        visible: false
    }

    OpacityMask {
        anchors.fill: parent
        source: frame
        maskSource: mask
        visible: player.hasClip
    }
}
