import QtQuick
import QtQuick.Controls
import NerovaVardo

// The camera preview of onboarding steps 1 to 3: the engine's own frames, mirrored, with
// the face outlined; on step 2 the learning ring, on steps 1 to 3 the step's badge.
Item {
    id: preview

    property var page: ({})
    readonly property bool hasPicture: picture.hasPicture

    implicitWidth: 304
    implicitHeight: 228

    CameraPreviewView {
        id: picture
        objectName: "cameraPreview"
        anchors.fill: parent
        preview: Vardo.cameraPreview
        radius: 16
        faceBoxColor: preview.page.badge === "noMatch" ? Theme.red : Theme.green
    }
    Symbol {
        anchors.centerIn: parent
        visible: !picture.hasPicture
        name: "video"
        color: Qt.rgba(1, 1, 1, 0.35)
        size: 40
    }

    ProgressRing {
        objectName: "learningRing"
        visible: preview.page.showsRing === true
        anchors.centerIn: parent
        width: 190
        height: 190
        progress: Vardo.enrollmentProgress
        color: preview.page.ringComplete ? Theme.green : Theme.indigo
    }
    PreviewBadge {
        objectName: "learningPercent"
        visible: preview.page.showsRing === true && !preview.page.ringComplete
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.top: parent.top
        anchors.topMargin: 10
        text: preview.page.percent + "%"
    }

    PreviewBadge {
        objectName: "previewBadge"
        visible: (preview.page.badge || "").length > 0
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 10
        symbol: preview.page.badge === "noMatch" ? "xmark.circle.fill" : "checkmark.circle.fill"
        symbolColor: preview.page.badge === "noMatch" ? Theme.red : Theme.green
        text: preview.page.badge === "detected" ? Tr.t("onboarding.face_detected_badge")
            : preview.page.badge === "learned" ? Tr.t("onboarding.face_learned")
            : preview.page.badge === "match" ? Tr.f("onboarding.match", [preview.page.badgeNumber])
            : preview.page.badge === "noMatch" ? Tr.t("onboarding.not_recognized") : ""
    }
}
