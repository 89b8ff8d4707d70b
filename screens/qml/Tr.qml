pragma Singleton
import QtQml
import NerovaVardo.Localization

// Every interface text goes through here. Reading Localization.currentLanguage makes each
// binding that calls these functions depend on the language, so a change of language
// re-evaluates every visible text in place, in every window and the tray menu alike.
QtObject {
    // The text of `key` in the current language, or the key itself.
    function t(key) {
        return Localization.currentLanguage, Localization.localized(key)
    }
    // The text of `key` with its placeholders filled from `args` (a list).
    function f(key, args) {
        return Localization.currentLanguage, Localization.localizedFormat(key, args)
    }
    // A literal label of the platform table ("Unlock Delay").
    function p(key) {
        return Localization.currentLanguage, Localization.localizedPlatform(key)
    }
    readonly property bool rightToLeft: Localization.isRightToLeft
}
