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
    // The agreement takes the keyboard once it shows.
    onShowBottomChanged: if (showBottom) agreement.forceActiveFocus()

    // The keyboard way: Space ticks the box (it has the focus), Return gets started.
    Shortcut {
        sequences: ["Return", "Enter"]
        enabled: welcomeView.showBottom && welcomeView.agreedToTerms
        onActivated: welcomeView.getStarted()
    }

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
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 26
            opacity: welcomeView.showBottom ? 1 : 0
            // Hidden controls take no clicks or keys while the reveal runs.
            enabled: welcomeView.showBottom
            Behavior on opacity { NumberAnimation { duration: 500; easing.type: Easing.InQuad } }

            RowLayout {
                spacing: 8
                Layout.alignment: Qt.AlignHCenter

                CheckBox {
                    id: agreement
                    objectName: "agreeToTerms"
                    checked: welcomeView.agreedToTerms
                    onToggled: welcomeView.agreedToTerms = checked
                    // The sentence beside it is its label.
                    Accessible.name: agreeText.sentence
                    padding: 0
                    Layout.alignment: Qt.AlignVCenter
                }
                // One sentence with the two documents as links, so that it wraps and
                // reads in order in every language and direction.
                Label {
                    id: agreeText
                    objectName: "agreementText"
                    readonly property string sentence: Tr.t("welcome.agree_prefix") + " " + Tr.t("welcome.terms") + " "
                                                       + Tr.t("welcome.and") + " " + Tr.t("welcome.privacy")
                    function link(name, key) {
                        return "<a href=\"" + name + "\">" + plain(key) + "</a>"
                    }
                    function plain(key) {
                        return Tr.t(key).replace(/&/g, "&amp;").replace(/</g, "&lt;")
                    }
                    text: plain("welcome.agree_prefix") + " " + link("terms", "welcome.terms") + " "
                          + plain("welcome.and") + " " + link("privacy", "welcome.privacy")
                    textFormat: Text.StyledText
                    color: Theme.text
                    linkColor: Theme.accent
                    font.pixelSize: Theme.bodySize + 1
                    wrapMode: Text.Wrap
                    Layout.maximumWidth: Math.min(welcomeView.width - 160, 600)
                    onLinkActivated: link => welcomeView.shownDocument = link
                    HoverHandler {
                        cursorShape: agreeText.hoveredLink.length > 0 ? Qt.PointingHandCursor : Qt.ArrowCursor
                    }
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
