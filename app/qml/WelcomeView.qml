import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Qt5Compat.GraphicalEffects
import NerovaVardo

// The first-start screen, shown until the terms are accepted: the logo and four lines
// appear one after another (WelcomeReveal times them, every time the screen is shown),
// then the agreement and the button. The button stays disabled until the box is ticked;
// pressing it accepts the terms, and the window turns into the dashboard.
Item {
    id: welcomeView

    // The reveal, as far as it has come.
    readonly property bool showLogo: WelcomeReveal.stage >= 1
    readonly property bool slideLine1: WelcomeReveal.stage >= 2
    readonly property bool slideLine2: WelcomeReveal.stage >= 3
    readonly property bool slideLine3: WelcomeReveal.stage >= 4
    readonly property bool slideLine4: WelcomeReveal.stage >= 5
    readonly property bool showBottom: WelcomeReveal.stage >= 6
    // The user's tick; never stored (only the acceptance is, by the engine).
    property bool agreedToTerms: false
    // The shipped document on show: "terms", "privacy" or "".
    property string shownDocument: ""

    function getStarted() {
        if (agreedToTerms)
            Vardo.hasAcceptedTerms = true
    }

    Component.onCompleted: WelcomeReveal.restart()

    ColumnLayout {
        anchors.centerIn: parent
        width: Math.min(parent.width - 80, 640)
        spacing: 14

        Item {
            objectName: "welcomeLogo"
            Layout.alignment: Qt.AlignHCenter
            Layout.bottomMargin: 10
            implicitWidth: 120
            implicitHeight: 120
            opacity: welcomeView.showLogo ? 1 : 0
            scale: welcomeView.showLogo ? 1 : 0.4
            // Spring: response 0.6 s, damping fraction 0.7.
            Behavior on scale { NumberAnimation { duration: 600; easing.type: Easing.OutBack; easing.overshoot: 1.4 } }
            Behavior on opacity { NumberAnimation { duration: 350 } }

            Image {
                id: logo
                anchors.fill: parent
                source: "qrc:/qt/qml/NerovaVardo/App/icons/com.nerova.vardo.svg"
                sourceSize.width: 240
                sourceSize.height: 240
                visible: false
            }
            DropShadow {
                anchors.fill: logo
                source: logo
                radius: 18
                samples: 37
                verticalOffset: 6
                color: Qt.rgba(0, 0, 0, 0.3)
            }
        }

        WelcomeLine {
            objectName: "welcomeLine1"
            shown: welcomeView.slideLine1
            text: Tr.t("welcome.title")
            font.pixelSize: 64
            font.weight: Font.Bold
            color: Theme.text
        }
        WelcomeLine {
            objectName: "welcomeLine2"
            shown: welcomeView.slideLine2
            text: Tr.t("welcome.subtitle")
            font.pixelSize: 36
            font.weight: Font.DemiBold
            color: Theme.secondaryText
        }
        WelcomeLine {
            objectName: "welcomeLine3"
            shown: welcomeView.slideLine3
            text: Tr.t("welcome.feature1")
            font.pixelSize: 28
            font.weight: Font.Medium
            color: Theme.tint(Theme.secondaryText, 0.8)
            Layout.topMargin: 8
        }
        WelcomeLine {
            objectName: "welcomeLine4"
            shown: welcomeView.slideLine4
            text: Tr.t("welcome.feature2")
            font.pixelSize: 28
            font.weight: Font.Medium
            color: Theme.tint(Theme.secondaryText, 0.8)
        }

        ColumnLayout {
            objectName: "welcomeBottom"
            spacing: 16
            Layout.fillWidth: true
            Layout.topMargin: 26
            opacity: welcomeView.showBottom ? 1 : 0
            // Hidden controls take no clicks or keys while the reveal runs.
            enabled: welcomeView.showBottom
            Behavior on opacity { NumberAnimation { duration: 500; easing.type: Easing.InQuad } }

            Flow {
                spacing: 4
                Layout.alignment: Qt.AlignHCenter
                Layout.maximumWidth: implicitWidth
                Layout.fillWidth: true

                CheckBox {
                    id: agreement
                    objectName: "agreeToTerms"
                    checked: welcomeView.agreedToTerms
                    onToggled: welcomeView.agreedToTerms = checked
                    // The sentence beside it is its label.
                    Accessible.name: Tr.t("welcome.agree_prefix") + " " + Tr.t("welcome.terms") + " "
                                     + Tr.t("welcome.and") + " " + Tr.t("welcome.privacy")
                    padding: 0
                    height: agreeText.height
                }
                Label {
                    id: agreeText
                    text: Tr.t("welcome.agree_prefix")
                    color: Theme.text
                    font.pixelSize: Theme.bodySize + 1
                    topPadding: 3
                    bottomPadding: 3
                    MouseArea {
                        anchors.fill: parent
                        onClicked: welcomeView.agreedToTerms = !welcomeView.agreedToTerms
                    }
                }
                LinkButton {
                    objectName: "welcomeTerms"
                    text: Tr.t("welcome.terms")
                    pixelSize: Theme.bodySize + 1
                    onClicked: welcomeView.shownDocument = "terms"
                }
                Label {
                    text: Tr.t("welcome.and")
                    color: Theme.text
                    font.pixelSize: Theme.bodySize + 1
                    topPadding: 3
                    bottomPadding: 3
                }
                LinkButton {
                    objectName: "welcomePrivacy"
                    text: Tr.t("welcome.privacy")
                    pixelSize: Theme.bodySize + 1
                    onClicked: welcomeView.shownDocument = "privacy"
                }
            }
            AccentButton {
                objectName: "getStarted"
                text: Tr.t("welcome.get_started")
                enabled: welcomeView.agreedToTerms
                font.pixelSize: 17
                leftPadding: 40
                rightPadding: 40
                Layout.alignment: Qt.AlignHCenter
                onClicked: welcomeView.getStarted()
            }
        }
    }

    DocumentSheet {
        document: welcomeView.shownDocument
        onCloseRequested: welcomeView.shownDocument = ""
    }
}
