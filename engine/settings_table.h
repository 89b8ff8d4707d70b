#pragma once

#include "localization/localization_manager.h"
#include "platform/defaults_store.h"

#include <QtGlobal>

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace vardo {

class LogSink;

// Every key Nerova Vardo keeps in the settings store, once. The initialiser, the setters,
// `nerova-vardo defaults` and the README check all read this table; nothing else names a
// key, its type, its default or its range.

enum class SettingType { boolean, integer, floating, string, data };

// How the initialiser reads a key. `object`: an absent key or a value of the wrong type
// gives the default. `typed`: the store's typed read, which gives false / 0 for both.
enum class SettingRead { object, typed };

// The settings in the order the initialiser reads them, then the keys that other parts
// of the engine and the localization own.
enum class SettingId {
    isEnabled,
    lockTimeout,
    playSoundOnLock,
    unlockDelay,
    stealthModeEnabled,
    hasCompletedOnboarding,
    hasAcceptedTerms,
    stealthDelay,
    maxAllowedFaces,
    securityLevel,
    adaptiveUpdateCount,
    totalLocksAllTime,
    totalStealthAllTime,
    totalTimeProtected,
    lockMode,
    selectedWallpaper,
    intruderPhotoEnabled,
    intruderPhotoThreshold,
    securityEvents,
    statsDate,
    hasEnrolledFace,
    appLanguage,
};

using SettingDefault = std::variant<std::monostate, bool, qint64, double, std::string_view>;

struct Setting {
    SettingId id;
    std::string_view key;
    SettingType type;
    SettingRead read;
    SettingDefault defaultValue; // monostate: no default (data, or a string that may be absent)
    // The engine's Qt property that shows the value; empty for keys no property shows.
    std::string_view property;
    // Numbers: the inclusive range a value must lie in. Strings: the values allowed (none
    // listed: any text). A stored value outside is read as the default; a write outside
    // is refused.
    double minimum = 0;
    double maximum = 0;
    std::span<const std::string_view> words = {};
};

inline constexpr std::string_view lockModeWords[] = {"app_only", "lock_mac"};
inline constexpr std::string_view languageWords[] = {"en", "es", "fr", "de", "it", "pt-BR", "pt-PT", "nl", "sv",
                                                     "da", "nb", "fi", "pl", "cs", "sk", "hu", "ro", "uk",
                                                     "ru", "tr", "ar", "ja", "ko", "zh-Hans", "zh-Hant"};

// Counters may grow for a lifetime but stay far from overflowing when added to.
inline constexpr double counterLimit = 1e12;

inline constexpr std::array<Setting, 22> settingsTable = [] {
    using enum SettingType;
    using enum SettingRead;
    return std::array<Setting, 22>{{
        {SettingId::isEnabled, "vardo_enabled", boolean, typed, false, "isEnabled"},
        {SettingId::lockTimeout, "vardo_lock_timeout", integer, object, qint64{10}, "lockTimeout", 0, 3600},
        {SettingId::playSoundOnLock, "vardo_play_sound", boolean, object, true, "playSoundOnLock"},
        {SettingId::unlockDelay, "vardo_unlock_delay", integer, typed, qint64{0}, "unlockDelay", 0, 60},
        {SettingId::stealthModeEnabled, "vardo_stealth_mode", boolean, typed, false, "stealthModeEnabled"},
        {SettingId::hasCompletedOnboarding, "vardo_onboarding_done", boolean, typed, false, "hasCompletedOnboarding"},
        {SettingId::hasAcceptedTerms, "vardo_terms_accepted", boolean, typed, false, "hasAcceptedTerms"},
        {SettingId::stealthDelay, "vardo_stealth_delay", integer, object, qint64{2}, "stealthDelay", 0, 60},
        {SettingId::maxAllowedFaces, "vardo_max_faces", integer, object, qint64{1}, "maxAllowedFaces", 1, 10},
        {SettingId::securityLevel, "vardo_security_level", integer, object, qint64{1}, "securityLevel", 0, 2},
        {SettingId::adaptiveUpdateCount, "vardo_adaptive_count", integer, typed, qint64{0}, "", 0, 10},
        {SettingId::totalLocksAllTime, "vardo_total_locks", integer, typed, qint64{0}, "totalLocksAllTime", 0, counterLimit},
        {SettingId::totalStealthAllTime, "vardo_total_stealth", integer, typed, qint64{0}, "totalStealthAllTime", 0,
         counterLimit},
        {SettingId::totalTimeProtected, "vardo_total_time", floating, typed, 0.0, "totalTimeProtected", 0, counterLimit},
        {SettingId::lockMode, "vardo_lock_mode", string, object, std::string_view("app_only"), "lockMode", 0, 0,
         lockModeWords},
        {SettingId::selectedWallpaper, "vardo_wallpaper", integer, object, qint64{2}, "selectedWallpaper", 1, 6},
        {SettingId::intruderPhotoEnabled, "vardo_intruder_enabled", boolean, object, false, "intruderPhotoEnabled"},
        {SettingId::intruderPhotoThreshold, "vardo_intruder_threshold", integer, object, qint64{3},
         "intruderPhotoThreshold", 1, 100},
        {SettingId::securityEvents, "vardo_events", data, object, {}, "securityEvents"},
        {SettingId::statsDate, "vardo_stats_date", string, object, {}, ""},
        {SettingId::hasEnrolledFace, "vardo_has_enrolled_face", boolean, typed, false, ""},
        {SettingId::appLanguage, LocalizationManager::storeKey, string, object, std::string_view("en"), "currentLanguage", 0, 0,
         languageWords},
    }};
}();

constexpr const Setting &setting(SettingId id)
{
    return settingsTable[static_cast<std::size_t>(id)];
}

static_assert([] {
    for (std::size_t i = 0; i < settingsTable.size(); ++i)
        if (static_cast<std::size_t>(settingsTable[i].id) != i)
            return false;
    return true;
}(), "settingsTable is indexed by SettingId");

const Setting *findSetting(std::string_view key);

std::string_view settingTypeName(SettingType type); // "bool", "int", "float", "string", "data"

// Whether `value` is of the setting's type and inside its range. On refusal, `why` says
// so in words ("must be between 1 and 10").
bool settingAccepts(const Setting &setting, const DefaultsValue &value, std::string *why = nullptr);

// The setting's default as text, and its range or words, for `defaults keys` and the README.
std::string settingDefaultText(const Setting &setting);
std::string settingDomainText(const Setting &setting);

// Writes `value` under the setting's key. The caller has checked it (settingAccepts).
void writeSetting(DefaultsStore &store, SettingId id, DefaultsValue value);

// Reads settings as the initialiser does. A stored value outside its range is read as the
// default with one log line; the stored file is left as the user wrote it.
class SettingsReader {
public:
    SettingsReader(const DefaultsStore &store, LogSink &log) : store_(store), log_(log) {}
    bool boolean(SettingId id) const;
    qint64 integer(SettingId id) const;
    double floating(SettingId id) const;
    std::optional<std::string> string(SettingId id) const;

private:
    std::optional<DefaultsValue> stored(const Setting &setting) const;
    bool inDomain(const Setting &setting, const DefaultsValue &value) const;

    const DefaultsStore &store_;
    LogSink &log_;
};

} // namespace vardo
