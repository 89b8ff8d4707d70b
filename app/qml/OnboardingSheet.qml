import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import NerovaVardo

// The five-step onboarding sheet, opened by the dashboard at `view.onboardingStep`.
// A stand-in that only closes again: the onboarding proper takes this place.
Sheet {
    id: sheet

    property Item view

    sheetWidth: 560
    shown: view ? view.showOnboarding : false
    onDismissed: view.showOnboarding = false

    Label {
        text: Tr.t("onboarding.welcome_title")
        font.pixelSize: 20
        font.weight: Font.Bold
        color: Theme.text
        wrapMode: Text.Wrap
        Layout.fillWidth: true
    }
    Button {
        text: Tr.t("onboarding.cancel")
        Layout.alignment: Qt.AlignRight
        onClicked: sheet.view.showOnboarding = false
    }
}
