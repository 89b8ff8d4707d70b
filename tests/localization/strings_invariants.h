#pragma once

// What must hold for any input to the strings-table reader and the safe formatter,
// shared by the mutation test and the libFuzzer target. Standard library only.

#include "localization/safe_format.h"
#include "localization/strings_file.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace vardo::test_support {

inline std::string readFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Writes entries back in the table format, escaping what the reader would otherwise
// take as syntax.
inline std::string writeStringsText(const std::vector<StringsEntry> &entries)
{
    const auto quote = [](const std::string &s) {
        std::string out = "\"";
        for (const char c : s) {
            char escape[8] = {c, 0};
            if (c == '"' || c == '\\')
                std::snprintf(escape, sizeof escape, "\\%c", c);
            else if (c == '\n' || c == '\t' || c == '\r')
                std::snprintf(escape, sizeof escape, "\\%c", c == '\n' ? 'n' : c == '\t' ? 't' : 'r');
            else if (static_cast<unsigned char>(c) < 0x20)
                std::snprintf(escape, sizeof escape, "\\U%04X", static_cast<unsigned>(c));
            out += escape;
        }
        return out + "\"";
    };
    std::string text;
    for (const auto &e : entries)
        text += quote(e.key) + " = " + quote(e.value) + ";\n";
    return text;
}

// Arguments that fit a signature exactly.
inline std::vector<FormatArg> argumentsFor(const PlaceholderSignature &signature)
{
    std::vector<FormatArg> args;
    for (const auto kind : signature.arguments) {
        switch (kind) {
        case PlaceholderKind::integer: args.emplace_back(42); break;
        case PlaceholderKind::floating: args.emplace_back(2.5); break;
        case PlaceholderKind::string: args.emplace_back("text"); break;
        }
    }
    return args;
}

// Empty when everything holds, otherwise the first violation.
inline std::string checkFormatInvariants(std::string_view pattern)
{
    // A refusal shows the pattern as it is.
    const auto refused = [&](std::span<const FormatArg> args) {
        const FormatOutcome outcome = formatPlaceholders(pattern, args);
        return !outcome.ok() && outcome.text == pattern;
    };
    const PlaceholderSignature signature = placeholderSignature(pattern);
    if (!signature.ok())
        return refused({}) ? "" : "a pattern with a problem was formatted";
    std::vector<FormatArg> fitting = argumentsFor(signature);
    const FormatOutcome good = formatPlaceholders(pattern, fitting);
    if (!good.ok())
        return "fitting arguments were refused: " + *good.problem;
    if (isValidUtf8(pattern) && !isValidUtf8(good.text))
        return "formatting valid UTF-8 produced invalid UTF-8";
    std::vector<FormatArg> oneMore = fitting;
    oneMore.emplace_back(1);
    if (!refused(oneMore))
        return "an extra argument was accepted";
    if (fitting.empty())
        return {};
    if (!refused(std::span(fitting).first(fitting.size() - 1)))
        return "a missing argument was accepted";
    const bool text = std::holds_alternative<std::string>(fitting.front().value());
    fitting.front() = text ? FormatArg(7) : FormatArg("seven");
    return refused(fitting) ? "" : "an argument of the wrong type was accepted";
}

inline std::string checkParseInvariants(std::string_view text)
{
    const StringsParseResult result = parseStringsText(text);
    const int lines = 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    if (!result.ok()) {
        if (!result.entries.empty() || !result.duplicates.empty())
            return "a rejected file still returned entries";
        if (result.error->line < 1 || result.error->line > lines)
            return "error line " + std::to_string(result.error->line) + " outside 1.." + std::to_string(lines);
        if (result.error->reason.empty() || result.error->reason.find('\n') != std::string::npos)
            return "error reason is empty or not one line";
        return {};
    }
    int previousLine = 0;
    for (const auto &e : result.entries) {
        if (e.key.empty())
            return "empty key accepted";
        if (!isValidUtf8(e.key) || !isValidUtf8(e.value))
            return "entry is not valid UTF-8";
        if (e.key.find('\0') != std::string::npos || e.value.find('\0') != std::string::npos)
            return "entry holds NUL";
        if (e.line < previousLine || e.line > lines)
            return "entry lines out of order or range";
        previousLine = e.line;
    }
    for (const auto &d : result.duplicates)
        if (d.firstLine > d.line)
            return "duplicate reported before its first occurrence";

    const StringsParseResult again = parseStringsText(writeStringsText(result.entries));
    if (!again.ok())
        return "written entries do not parse: " + again.error->reason;
    if (again.entries.size() != result.entries.size())
        return "round trip changed the number of entries";
    for (std::size_t k = 0; k < again.entries.size(); ++k)
        if (again.entries[k].key != result.entries[k].key
            || again.entries[k].value != result.entries[k].value)
            return "round trip changed entry " + std::to_string(k);

    for (const auto &e : result.entries)
        if (auto problem = checkFormatInvariants(e.value); !problem.empty())
            return problem;
    return {};
}

} // namespace vardo::test_support
