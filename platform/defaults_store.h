#pragma once

#include "utils/bytes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace vardo {

// One stored value. The type a value was written with is kept: an integer written as
// an integer reads back as an integer, never as a double or a string.
using DefaultsValue = std::variant<std::int64_t, double, bool, std::string, Bytes>;

// The per-user typed key-value store that holds settings and statistics.
// Every write reaches permanent storage before it returns.
class DefaultsStore {
public:
    virtual ~DefaultsStore() = default;
    virtual std::optional<DefaultsValue> object(const std::string &key) const = 0;
    virtual void set(const std::string &key, DefaultsValue value) = 0;
    virtual void remove(const std::string &key) = 0;
    virtual std::vector<std::string> keys() const = 0;

    // Writers that say which type they write.
    void setInteger(const std::string &key, std::int64_t v) { set(key, v); }
    void setDouble(const std::string &key, double v) { set(key, v); }
    void setBool(const std::string &key, bool v) { set(key, v); }
    void setString(const std::string &key, std::string v) { set(key, std::move(v)); }
    void setData(const std::string &key, Bytes v) { set(key, std::move(v)); }

    // Typed reads: 0 / 0.0 / false for an absent key and for a value that does not
    // convert. Numbers convert into each other, and numeric text converts to numbers.
    std::int64_t integer(const std::string &key) const;
    double floating(const std::string &key) const;
    bool boolean(const std::string &key) const;
    std::optional<std::string> string(const std::string &key) const;
    std::optional<Bytes> data(const std::string &key) const;

    // Object reads: the stored value when it is exactly representable as the asked
    // type (an integer, a double with no fraction, or a Boolean as 0/1 for integers;
    // a Boolean or the integers 0 and 1 for Booleans), otherwise nothing.
    std::optional<std::int64_t> objectInteger(const std::string &key) const;
    std::optional<bool> objectBool(const std::string &key) const;
};

// The value as `defaults read` shows it: 30, 12.5, true, "text", <data 3 bytes: AQID>.
std::string describeDefaultsValue(const DefaultsValue &value);

// Everything in memory; for tests and for the replay.
class MemoryDefaultsStore final : public DefaultsStore {
public:
    std::optional<DefaultsValue> object(const std::string &key) const override;
    void set(const std::string &key, DefaultsValue value) override;
    void remove(const std::string &key) override;
    std::vector<std::string> keys() const override;

    // How many times each key was written; tests check that setters write every time.
    int writeCount(const std::string &key) const;

private:
    std::vector<std::pair<std::string, DefaultsValue>> values_;
    std::vector<std::pair<std::string, int>> writes_;
};

} // namespace vardo
