#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

namespace vardo {

// Formatting of translated texts with printf-style placeholders, without ever
// handing table text to printf: the pattern is read here, every placeholder is
// checked against the typed arguments, and a mismatch yields a problem instead of
// a crash or garbage.
//
// Understood placeholders:
//   %d %i %ld %li %lld %lli  integer
//   %u %lu %llu              integer, not negative
//   %s %@                    string
//   %f %.Nf                  double (N at most 20)
//   %%                       a percent sign
// Each may be positional instead (%1$d, %2$s, %1$.1f); one pattern uses one form,
// a positional argument may appear more than once, and every argument must be used.

// One argument: an integer (any integral type but bool and char, kept as 64 bits),
// a double, or UTF-8 text.
class FormatArg {
public:
    using Value = std::variant<std::int64_t, double, std::string>;

    // (enable_if rather than a requires-clause: moc reads this header too and does not
    // understand concepts.)
    template <typename T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>
                                               && !std::is_same_v<T, char>,
                                           int> = 0>
    FormatArg(T v) : value_(static_cast<std::int64_t>(v)) {}
    template <typename T, std::enable_if_t<std::is_floating_point_v<T>, int> = 0>
    FormatArg(T v) : value_(static_cast<double>(v)) {}
    FormatArg(std::string v) : value_(std::move(v)) {}
    FormatArg(std::string_view v) : value_(std::string(v)) {}
    FormatArg(const char *v) : value_(std::string(v ? v : "")) {}

    const Value &value() const { return value_; }

private:
    Value value_;
};

enum class PlaceholderKind { integer, string, floating };

// What a pattern expects: the kind of each argument, in argument order (a
// positional placeholder counts at its position).
struct PlaceholderSignature {
    std::vector<PlaceholderKind> arguments;
    std::optional<std::string> problem; // set when the pattern itself is unusable

    bool ok() const { return !problem.has_value(); }
};

PlaceholderSignature placeholderSignature(std::string_view pattern);

struct FormatOutcome {
    std::string text;                   // formatted, or the pattern itself on a problem
    std::optional<std::string> problem; // e.g. "expects 2 arguments, given 1"

    bool ok() const { return !problem.has_value(); }
};

FormatOutcome formatPlaceholders(std::string_view pattern, std::span<const FormatArg> args);

std::string_view placeholderKindName(PlaceholderKind kind);

} // namespace vardo
