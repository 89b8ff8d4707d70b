import QtQuick
import QtQuick.Controls
import NerovaVardo

// The main window: the welcome screen until the terms are accepted, the dashboard after,
// switching in place. A change of language rebuilds the scene, so every piece of view
// state starts afresh, and Arabic mirrors the whole layout.
ApplicationWindow {
    id: window

    // The scene on show; WelcomeView or ContentView.
    readonly property Item scene: sceneLoader.item

    title: "Nerova Vardo"
    width: 960
    height: 760
    minimumWidth: Vardo.hasAcceptedTerms ? 900 : 700
    minimumHeight: Vardo.hasAcceptedTerms ? 700 : 600
    color: Theme.windowBackground
    palette.window: Theme.windowBackground
    palette.base: Theme.cardBackground
    palette.button: Theme.controlBackground
    palette.text: Theme.text
    palette.windowText: Theme.text
    palette.buttonText: Theme.text
    palette.highlight: Theme.accent
    palette.highlightedText: Theme.textOnAccent

    // Emitted after every rebuild of the scene; the application re-applies the capture
    // exclusion to the windows that exist then.
    signal sceneShown()

    function rebuildScene() {
        sceneLoader.active = false
        sceneLoader.active = true
    }

    Loader {
        id: sceneLoader
        anchors.fill: parent
        LayoutMirroring.enabled: Tr.rightToLeft
        LayoutMirroring.childrenInherit: true
        sourceComponent: Vardo.hasAcceptedTerms ? dashboard : welcome
        onLoaded: window.sceneShown()
    }

    Component {
        id: dashboard
        ContentView {}
    }
    Component {
        id: welcome
        WelcomeView {}
    }

    Connections {
        target: Localization
        // Later, not now: the language picker that changed it is part of the scene.
        function onCurrentLanguageChanged() { Qt.callLater(window.rebuildScene) }
    }
}
