#include "platform/defaults_store.h"

#include "utils/decimal_text.h"

#include <QByteArray>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vardo {

namespace {

std::optional<std::int64_t> parseInteger(const std::string &text)
{
    std::int64_t value = 0;
    const char *first = text.data();
    const char *last = text.data() + text.size();
    if (first != last && *first == '+')
        ++first;
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last || first == last)
        return std::nullopt;
    return value;
}

std::optional<double> parseDouble(const std::string &text)
{
    double value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

bool fitsInteger(double d)
{
    return std::isfinite(d) && d >= -9.2233720368547758e18 && d < 9.2233720368547758e18;
}

} // namespace

std::int64_t DefaultsStore::integer(const std::string &key) const
{
    const auto value = object(key);
    if (!value)
        return 0;
    if (auto i = std::get_if<std::int64_t>(&*value))
        return *i;
    if (auto d = std::get_if<double>(&*value))
        return fitsInteger(*d) ? static_cast<std::int64_t>(*d) : 0;
    if (auto b = std::get_if<bool>(&*value))
        return *b ? 1 : 0;
    if (auto s = std::get_if<std::string>(&*value)) {
        if (auto i = parseInteger(*s))
            return *i;
        if (auto d = parseDouble(*s); d && fitsInteger(*d))
            return static_cast<std::int64_t>(*d);
    }
    return 0;
}

double DefaultsStore::floating(const std::string &key) const
{
    const auto value = object(key);
    if (!value)
        return 0.0;
    if (auto d = std::get_if<double>(&*value))
        return *d;
    if (auto i = std::get_if<std::int64_t>(&*value))
        return static_cast<double>(*i);
    if (auto b = std::get_if<bool>(&*value))
        return *b ? 1.0 : 0.0;
    if (auto s = std::get_if<std::string>(&*value))
        return parseDouble(*s).value_or(0.0);
    return 0.0;
}

bool DefaultsStore::boolean(const std::string &key) const
{
    const auto value = object(key);
    if (!value)
        return false;
    if (auto b = std::get_if<bool>(&*value))
        return *b;
    if (auto i = std::get_if<std::int64_t>(&*value))
        return *i != 0;
    if (auto d = std::get_if<double>(&*value))
        return *d != 0.0;
    if (auto s = std::get_if<std::string>(&*value)) {
        std::string lower = *s;
        std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
        if (lower == "yes" || lower == "true")
            return true;
        return parseInteger(*s).value_or(0) != 0;
    }
    return false;
}

std::optional<std::string> DefaultsStore::string(const std::string &key) const
{
    const auto value = object(key);
    if (!value)
        return std::nullopt;
    if (auto s = std::get_if<std::string>(&*value))
        return *s;
    if (auto i = std::get_if<std::int64_t>(&*value))
        return std::to_string(*i);
    return std::nullopt;
}

std::optional<Bytes> DefaultsStore::data(const std::string &key) const
{
    const auto value = object(key);
    if (!value)
        return std::nullopt;
    if (auto b = std::get_if<Bytes>(&*value))
        return *b;
    return std::nullopt;
}

std::optional<std::int64_t> DefaultsStore::objectInteger(const std::string &key) const
{
    const auto value = object(key);
    if (!value)
        return std::nullopt;
    if (auto i = std::get_if<std::int64_t>(&*value))
        return *i;
    if (auto d = std::get_if<double>(&*value)) {
        if (fitsInteger(*d) && std::trunc(*d) == *d)
            return static_cast<std::int64_t>(*d);
        return std::nullopt;
    }
    if (auto b = std::get_if<bool>(&*value))
        return *b ? 1 : 0;
    return std::nullopt;
}

std::optional<bool> DefaultsStore::objectBool(const std::string &key) const
{
    const auto value = object(key);
    if (!value)
        return std::nullopt;
    if (auto b = std::get_if<bool>(&*value))
        return *b;
    if (auto i = std::get_if<std::int64_t>(&*value)) {
        if (*i == 0 || *i == 1)
            return *i == 1;
        return std::nullopt;
    }
    if (auto d = std::get_if<double>(&*value)) {
        if (*d == 0.0 || *d == 1.0)
            return *d == 1.0;
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<DefaultsValue> MemoryDefaultsStore::object(const std::string &key) const
{
    for (const auto &[k, v] : values_)
        if (k == key)
            return v;
    return std::nullopt;
}

void MemoryDefaultsStore::set(const std::string &key, DefaultsValue value)
{
    auto counted = std::find_if(writes_.begin(), writes_.end(), [&](const auto &w) { return w.first == key; });
    if (counted == writes_.end())
        writes_.emplace_back(key, 1);
    else
        ++counted->second;
    for (auto &[k, v] : values_) {
        if (k == key) {
            v = std::move(value);
            return;
        }
    }
    values_.emplace_back(key, std::move(value));
}

void MemoryDefaultsStore::remove(const std::string &key)
{
    std::erase_if(values_, [&](const auto &kv) { return kv.first == key; });
}

std::vector<std::string> MemoryDefaultsStore::keys() const
{
    std::vector<std::string> result;
    for (const auto &kv : values_)
        result.push_back(kv.first);
    std::sort(result.begin(), result.end());
    return result;
}

int MemoryDefaultsStore::writeCount(const std::string &key) const
{
    for (const auto &[k, n] : writes_)
        if (k == key)
            return n;
    return 0;
}

namespace {

std::string quoted(const std::string &text)
{
    std::string result = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            result += '\\';
        result += c;
    }
    return result + '"';
}

} // namespace

std::string describeDefaultsValue(const DefaultsValue &value)
{
    return std::visit([](const auto &v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::int64_t>)
            return std::to_string(v);
        else if constexpr (std::is_same_v<T, double>)
            return doubleText(v);
        else if constexpr (std::is_same_v<T, bool>)
            return v ? "true" : "false";
        else if constexpr (std::is_same_v<T, std::string>)
            return quoted(v);
        else
            return "<data " + std::to_string(v.size()) + " bytes: "
                + QByteArray(reinterpret_cast<const char *>(v.data()), static_cast<qsizetype>(v.size())).toBase64().toStdString()
                + ">";
    }, value);
}

} // namespace vardo
