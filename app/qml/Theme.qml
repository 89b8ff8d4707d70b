pragma Singleton
import QtQuick

// Colours, sizes and type of the main window and its sheets. Light or dark follows the
// desktop's palette; the status colours are the same in both.
QtObject {
    id: theme

    readonly property SystemPalette systemPalette: SystemPalette { colorGroup: SystemPalette.Active }
    readonly property bool dark: systemPalette.window.hslLightness < 0.45

    // Surfaces.
    readonly property color windowBackground: dark ? "#1e1e21" : "#f2f2f6"
    readonly property color cardBackground: dark ? "#2a2a2e" : "#ffffff"
    readonly property color cardBorder: dark ? "#3a3a3f" : "#e3e3e8"
    readonly property color divider: dark ? "#3a3a3f" : "#d8d8de"
    readonly property color controlBackground: dark ? "#3a3a3f" : "#f4f4f7"
    readonly property color dim: Qt.rgba(0, 0, 0, dark ? 0.55 : 0.35)

    // Text.
    readonly property color text: dark ? "#f2f2f5" : "#1d1d1f"
    readonly property color secondaryText: dark ? "#a9a9b0" : "#6b6b72"
    readonly property color textOnAccent: "#ffffff"

    // Named colours: the status colours and the tints of cards and buttons.
    readonly property color grey: "#8e8e93"
    readonly property color green: "#2fb457"
    readonly property color orange: "#f28c00"
    readonly property color red: "#e5372c"
    readonly property color blue: "#1a7cf5"
    readonly property color yellow: "#e0b000"
    readonly property color indigo: "#5856d6"
    readonly property color accent: indigo

    // A status colour by the name the view rules give ("green", "orange", ...).
    function named(name) {
        switch (name) {
        case "green": return green
        case "orange": return orange
        case "red": return red
        case "blue": return blue
        case "yellow": return yellow
        case "indigo": return indigo
        default: return grey
        }
    }
    // `color` at `opacity`, for the tinted backgrounds.
    function tint(color, opacity) {
        return Qt.rgba(color.r, color.g, color.b, opacity)
    }

    // Geometry.
    readonly property int cardRadius: 12
    readonly property int controlRadius: 7
    readonly property int cardPadding: 16
    readonly property int columnSpacing: 16
    readonly property int rowSpacing: 10
    readonly property int badgeSize: 28

    // Type sizes in pixels.
    readonly property int statusTitleSize: 24
    readonly property int statusSubSize: 14
    readonly property int sectionTitleSize: 15
    readonly property int bodySize: 13
    readonly property int captionSize: 11
}
