#include "engine/settings_table.h"

#include "platform/log_sink.h"
#include "utils/decimal_text.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace vardo {

namespace {

std::string numberText(const Setting &setting, double value)
{
    return setting.type == SettingType::integer ? std::to_string(static_cast<long long>(value)) : doubleText(value);
}

bool isWord(const Setting &setting, const std::string &text)
{
    return setting.words.empty()
        || std::find(setting.words.begin(), setting.words.end(), text) != setting.words.end();
}

bool inRange(const Setting &setting, double value)
{
    return std::isfinite(value) && value >= setting.minimum && value <= setting.maximum;
}

} // namespace

const Setting *findSetting(std::string_view key)
{
    for (const Setting &setting : settingsTable)
        if (setting.key == key)
            return &setting;
    return nullptr;
}

std::string_view settingTypeName(SettingType type)
{
    switch (type) {
    case SettingType::boolean: return "bool";
    case SettingType::integer: return "int";
    case SettingType::floating: return "float";
    case SettingType::string: return "string";
    case SettingType::data: return "data";
    }
    return "data";
}

std::string settingDefaultText(const Setting &setting)
{
    return std::visit([](const auto &v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate>)
            return "none";
        else if constexpr (std::is_same_v<T, bool>)
            return v ? "true" : "false";
        else if constexpr (std::is_same_v<T, qint64>)
            return std::to_string(v);
        else if constexpr (std::is_same_v<T, double>)
            return doubleText(v);
        else
            return std::string(v);
    }, setting.defaultValue);
}

std::string settingDomainText(const Setting &setting)
{
    switch (setting.type) {
    case SettingType::integer:
    case SettingType::floating:
        return numberText(setting, setting.minimum) + " to " + numberText(setting, setting.maximum);
    case SettingType::string: {
        if (setting.words.empty())
            return "any text";
        std::string text;
        for (const auto word : setting.words)
            text += (text.empty() ? "" : ", ") + std::string(word);
        return text;
    }
    case SettingType::boolean: return "true or false";
    case SettingType::data: return "written by the application only";
    }
    return {};
}

bool settingAccepts(const Setting &setting, const DefaultsValue &value, std::string *why)
{
    const auto refuse = [&](std::string reason) {
        if (why)
            *why = std::move(reason);
        return false;
    };
    switch (setting.type) {
    case SettingType::boolean:
        return std::holds_alternative<bool>(value) || refuse("must be a bool");
    case SettingType::integer:
        if (!std::holds_alternative<std::int64_t>(value))
            return refuse("must be an int");
        return inRange(setting, static_cast<double>(std::get<std::int64_t>(value)))
            || refuse("must be from " + settingDomainText(setting));
    case SettingType::floating: {
        double number = 0;
        if (const auto *d = std::get_if<double>(&value))
            number = *d;
        else if (const auto *i = std::get_if<std::int64_t>(&value))
            number = static_cast<double>(*i);
        else
            return refuse("must be a float");
        return inRange(setting, number) || refuse("must be from " + settingDomainText(setting));
    }
    case SettingType::string:
        if (!std::holds_alternative<std::string>(value))
            return refuse("must be a string");
        return isWord(setting, std::get<std::string>(value)) || refuse("must be one of " + settingDomainText(setting));
    case SettingType::data:
        return std::holds_alternative<Bytes>(value) || refuse("is written by the application only");
    }
    return false;
}

void writeSetting(DefaultsStore &store, SettingId id, DefaultsValue value)
{
    assert(settingAccepts(setting(id), value));
    store.set(std::string(setting(id).key), std::move(value));
}

std::optional<DefaultsValue> SettingsReader::stored(const Setting &setting) const
{
    const std::string key(setting.key);
    switch (setting.type) {
    case SettingType::boolean:
        if (setting.read == SettingRead::typed)
            return store_.boolean(key);
        if (const auto v = store_.objectBool(key))
            return *v;
        return std::nullopt;
    case SettingType::integer:
        if (setting.read == SettingRead::typed)
            return store_.integer(key);
        if (const auto v = store_.objectInteger(key))
            return *v;
        return std::nullopt;
    case SettingType::floating: return store_.floating(key);
    case SettingType::string:
        if (auto v = store_.string(key))
            return std::move(*v);
        return std::nullopt;
    case SettingType::data:
        if (auto v = store_.data(key))
            return std::move(*v);
        return std::nullopt;
    }
    return std::nullopt;
}

// A value outside the range is the user's (or a broken tool's) and stays in the file;
// only this run reads the default instead.
bool SettingsReader::inDomain(const Setting &setting, const DefaultsValue &value) const
{
    if (settingAccepts(setting, value))
        return true;
    log_.write("[Vardo] Setting " + std::string(setting.key) + " holds " + describeDefaultsValue(value) + ", outside "
               + settingDomainText(setting) + " — using the default " + settingDefaultText(setting));
    return false;
}

bool SettingsReader::boolean(SettingId id) const
{
    const Setting &s = setting(id);
    assert(s.type == SettingType::boolean);
    const auto value = stored(s);
    return value ? std::get<bool>(*value) : std::get<bool>(s.defaultValue);
}

qint64 SettingsReader::integer(SettingId id) const
{
    const Setting &s = setting(id);
    assert(s.type == SettingType::integer);
    const auto value = stored(s);
    if (value && inDomain(s, *value))
        return std::get<std::int64_t>(*value);
    return std::get<qint64>(s.defaultValue);
}

double SettingsReader::floating(SettingId id) const
{
    const Setting &s = setting(id);
    assert(s.type == SettingType::floating);
    const auto value = stored(s);
    if (value && inDomain(s, *value))
        return std::get<double>(*value);
    return std::get<double>(s.defaultValue);
}

std::optional<std::string> SettingsReader::string(SettingId id) const
{
    const Setting &s = setting(id);
    assert(s.type == SettingType::string);
    const auto value = stored(s);
    if (value && inDomain(s, *value))
        return std::get<std::string>(*value);
    if (const auto *word = std::get_if<std::string_view>(&s.defaultValue))
        return std::string(*word);
    return std::nullopt;
}

} // namespace vardo
