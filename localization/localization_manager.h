#pragma once

#include "localization/safe_format.h"
#include "localization/strings_table.h"

#include <QObject>
#include <QString>
#include <QVariantList>

#include <array>
#include <mutex>
#include <set>
#include <span>
#include <string>
#include <string_view>

namespace vardo {

class DefaultsStore;
class LogSink;

// The string tables of one language folder ("<code>.lproj"), or none at all.
struct LocalizedBundle {
    QString language;     // folder in use ("de", "en"); empty for the built-in default
    StringsTable strings; // Localizable.strings
    StringsTable platform; // Platform.strings: literal labels such as "Unlock Delay"
};

// The interface language: chosen inside the application, persisted under
// "app_language", changeable at run time. Every interface text is a key looked up in
// the chosen language's tables; a key without a text shows as the key itself.
//
// Tables live in "<root>/<code>.lproj/Localizable.strings" (and Platform.strings).
// The application's root is ":/lproj", the tables compiled into the binary.
//
// Use from the main thread only; only the creation of shared() is safe from any.
class LocalizationManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString currentLanguage READ currentLanguage WRITE setCurrentLanguage
                   NOTIFY currentLanguageChanged)
    Q_PROPERTY(Qt::LayoutDirection layoutDirection READ layoutDirection
                   NOTIFY currentLanguageChanged)
    Q_PROPERTY(bool isRightToLeft READ isRightToLeft NOTIFY currentLanguageChanged)
    Q_PROPERTY(QString bundleLanguage READ bundleLanguage NOTIFY currentLanguageChanged)
    // [{code, nativeName}, ...] in picker order, for QML.
    Q_PROPERTY(QVariantList languages READ languageModel CONSTANT)

public:
    struct Language {
        std::string_view code;
        std::string_view nativeName;
        std::string_view id() const { return code; }
    };

    static constexpr std::string_view storeKey = "app_language";
    static constexpr std::string_view fallbackLanguage = "en";
    static constexpr std::string_view embeddedRoot = ":/lproj";

    // In picker order. Native names are never translated.
    static constexpr std::array<Language, 25> languageTable{{
        {"en", "English"},
        {"es", "Español"},
        {"fr", "Français"},
        {"de", "Deutsch"},
        {"it", "Italiano"},
        {"pt-BR", "Português (Brasil)"},
        {"pt-PT", "Português (Portugal)"},
        {"nl", "Nederlands"},
        {"sv", "Svenska"},
        {"da", "Dansk"},
        {"nb", "Norsk Bokmål"},
        {"fi", "Suomi"},
        {"pl", "Polski"},
        {"cs", "Čeština"},
        {"sk", "Slovenčina"},
        {"hu", "Magyar"},
        {"ro", "Română"},
        {"uk", "Українська"},
        {"ru", "Русский"},
        {"tr", "Türkçe"},
        {"ar", "العربية"},
        {"ja", "日本語"},
        {"ko", "한국어"},
        {"zh-Hans", "简体中文"},
        {"zh-Hant", "繁體中文"},
    }};

    // Reads the stored language (or "en") without writing it back, and loads its
    // tables from `root`.
    LocalizationManager(DefaultsStore &store, QString root, LogSink &log,
                        QObject *parent = nullptr);

    // The application's instance: created once, on first use, from any thread; its
    // tables are the embedded ones. The application entry must call setSharedStore()
    // with the settings store before anything touches shared(); without it the choice
    // lives in memory only (logged), and a store set after creation is ignored (logged).
    static LocalizationManager &shared();
    static void setSharedStore(DefaultsStore *store);

    static std::span<const Language> languages() { return languageTable; }
    QVariantList languageModel() const;

    QString currentLanguage() const { return currentLanguage_; }
    // Every assignment, also of the current value, writes "app_language", reloads the
    // tables and then emits currentLanguageChanged. A code without a usable folder is
    // still stored; its texts come from English.
    void setCurrentLanguage(const QString &code);

    // Right-to-left exactly for "ar".
    bool isRightToLeft() const;
    Qt::LayoutDirection layoutDirection() const;

    // Which folder the texts come from: the current language, "en" when that one is
    // missing or broken, or empty when there are no usable tables at all.
    QString bundleLanguage() const { return bundle_.language; }
    const LocalizedBundle &bundle() const { return bundle_; }

    // The text for `key` in the current language, or the key itself.
    QString localized(const char *key) const;
    Q_INVOKABLE QString localized(const QString &key) const;
    // A literal label of Platform.strings ("Unlock Delay"): the current language's
    // text, or the label as written.
    Q_INVOKABLE QString localizedPlatform(const QString &key) const;

    // Looks `key` up and fills its placeholders (see safe_format.h). When the text's
    // placeholders do not fit the arguments, the text is shown unformatted and the
    // problem is logged once per language and key.
    template <typename... Args>
    QString localizedFormat(const QString &key, const Args &...args) const
    {
        const std::array<FormatArg, sizeof...(Args)> list{FormatArg(args)...};
        return localizedFormatArgs(key, list);
    }
    QString localizedFormatArgs(const QString &key, std::span<const FormatArg> args) const;
    // For QML, whose numbers arrive as doubles: a whole number given where the text
    // expects an integer counts as one.
    Q_INVOKABLE QString localizedFormat(const QString &key, const QVariantList &args) const;

signals:
    void currentLanguageChanged();

private:
    std::string lookup(const std::string &key) const;
    QString format(const QString &key, const std::string &pattern,
                   std::span<const FormatArg> args) const;
    void loadBundle();

    DefaultsStore &store_;
    QString root_;
    LogSink &log_;
    QString currentLanguage_;
    LocalizedBundle bundle_;
    mutable std::mutex reportedMutex_;
    mutable std::set<std::string> reportedFormatProblems_;
};

// Lookups through LocalizationManager::shared(), in UTF-8, for code outside the
// views (event titles, security-level descriptions).
std::string localized(const std::string &key);
std::string localizedPlatform(const std::string &key);
std::string localizedFormatArgs(const std::string &key, std::span<const FormatArg> args);
template <typename... Args>
std::string localizedFormat(const std::string &key, const Args &...args)
{
    const std::array<FormatArg, sizeof...(Args)> list{FormatArg(args)...};
    return localizedFormatArgs(key, list);
}

} // namespace vardo
