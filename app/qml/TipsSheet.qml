import QtQuick
import QtQuick.Layouts
import NerovaVardo
import "SectionSets.js" as SectionSets

// Tips in six sections that open and close; which are open is the dashboard's view
// state (expandedTipsSections), so they stay open until the window is rebuilt.
InfoSheet {
    id: sheet

    objectName: "tipsSheet"
    sheetWidth: 460
    sheetHeight: 600
    shown: view ? view.showTips : false
    onCloseRequested: view.showTips = false
    headerSymbol: "lightbulb.fill"
    headerColor: Theme.yellow
    title: Tr.t("tips.title")

    readonly property var sections: [
        { id: "getting_started", symbol: "play.circle.fill", title: "tips.getting_started",
          items: ["tips.camera_position", "tips.choose_delay", "tips.lock_modes"] },
        { id: "shoulder_guard", symbol: "eye.slash.fill", title: "tips.shoulder_guard",
          items: ["tips.how_detects", "tips.video_safe", "tips.use_pause"] },
        { id: "office", symbol: "building.2.fill", title: "tips.office",
          items: ["tips.open_plan", "tips.coffee", "tips.sensitive"] },
        { id: "video_calls", symbol: "video.fill", title: "tips.video_calls",
          items: ["tips.zero_conflicts", "tips.no_web", "tips.other_camera", "tips.audio_calls"] },
        { id: "battery", symbol: "bolt.fill", title: "tips.battery",
          items: ["tips.battery_friendly", "tips.low_cpu"] },
        { id: "troubleshooting", symbol: "wrench.fill", title: "tips.troubleshooting",
          items: ["tips.not_detecting", "tips.locks_often", "tips.false_triggers"] }
    ]

    Repeater {
        model: sheet.sections
        delegate: ExpandableSection {
            required property var modelData
            sectionId: modelData.id
            symbol: modelData.symbol
            title: Tr.t(modelData.title)
            items: modelData.items
            openSections: sheet.view ? sheet.view.expandedTipsSections : []
            onToggleRequested: id => sheet.view.expandedTipsSections
                               = SectionSets.toggled(sheet.view.expandedTipsSections, id)
        }
    }
}
