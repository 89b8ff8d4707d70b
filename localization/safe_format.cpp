#include "localization/safe_format.h"

#include <charconv>

namespace vardo {

namespace {

struct Token {
    std::string_view literal; // text copied as is (used when argument < 0)
    int argument = -1;        // 0-based
    PlaceholderKind kind = PlaceholderKind::integer;
    bool isUnsigned = false;
    int precision = -1;
};

struct Scan {
    std::vector<Token> tokens;
    std::vector<PlaceholderKind> arguments;
    std::optional<std::string> problem;
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The placeholder's own characters for a message, without a trailing byte that
// would not print (a control character or part of a multi-byte character).
std::string spelling(std::string_view pattern, std::size_t begin, std::size_t end)
{
    end = std::min(end, pattern.size());
    if (end > begin) {
        const auto last = static_cast<unsigned char>(pattern[end - 1]);
        if (last < 0x20 || last >= 0x7F)
            --end;
    }
    return std::string(pattern.substr(begin, end - begin));
}

Scan scan(std::string_view p)
{
    Scan out;
    const auto fail = [&](std::string problem) {
        out.problem = std::move(problem);
        return out;
    };
    std::size_t literalStart = 0;
    int sequential = 0;
    bool anyPositional = false;
    bool anySequential = false;
    std::size_t i = 0;
    while (i < p.size()) {
        if (p[i] != '%') {
            ++i;
            continue;
        }
        if (i > literalStart)
            out.tokens.push_back({p.substr(literalStart, i - literalStart)});
        const std::size_t begin = i++;
        if (i >= p.size())
            return fail("a lone '%' at the end (write %% for a percent sign)");
        if (p[i] == '%') {
            out.tokens.push_back({p.substr(i, 1)});
            literalStart = ++i;
            continue;
        }

        Token token;
        // Positions have at most two digits: nothing here takes more arguments.
        std::size_t j = i;
        int position = 0;
        while (j < p.size() && isDigit(p[j]) && j - i < 2)
            position = position * 10 + (p[j++] - '0');
        const bool positional = j > i && j < p.size() && p[j] == '$';
        if (positional) {
            if (position == 0)
                return fail("argument positions start at 1: " + spelling(p, begin, j + 1));
            i = j + 1;
        }

        if (i < p.size() && p[i] == '.') {
            std::size_t k = ++i;
            int precision = 0;
            while (i < p.size() && isDigit(p[i]) && i - k < 2)
                precision = precision * 10 + (p[i++] - '0');
            if (i == k || precision > 20)
                return fail("unsupported placeholder " + spelling(p, begin, i + 1));
            token.precision = precision;
        }
        int lengthModifiers = 0;
        while (i < p.size() && p[i] == 'l' && lengthModifiers < 2) {
            ++lengthModifiers;
            ++i;
        }
        if (i >= p.size())
            return fail("unsupported placeholder " + spelling(p, begin, i));
        const char conversion = p[i++];
        bool fits = false;
        switch (conversion) {
        case 'd':
        case 'i':
            token.kind = PlaceholderKind::integer;
            fits = token.precision < 0;
            break;
        case 'u':
            token.kind = PlaceholderKind::integer;
            token.isUnsigned = true;
            fits = token.precision < 0;
            break;
        case 's':
        case '@':
            token.kind = PlaceholderKind::string;
            fits = token.precision < 0 && lengthModifiers == 0;
            break;
        case 'f':
            token.kind = PlaceholderKind::floating;
            fits = lengthModifiers == 0;
            break;
        default:
            break;
        }
        if (!fits)
            return fail("unsupported placeholder " + spelling(p, begin, i));

        if (positional) {
            anyPositional = true;
            token.argument = position - 1;
        } else {
            anySequential = true;
            token.argument = sequential++;
        }
        if (anyPositional && anySequential)
            return fail("mixes positional (%1$d) and sequential (%d) placeholders");

        const auto index = static_cast<std::size_t>(token.argument);
        if (out.arguments.size() <= index)
            out.arguments.resize(index + 1, PlaceholderKind(-1));
        auto &expected = out.arguments[index];
        if (expected == PlaceholderKind(-1))
            expected = token.kind;
        else if (expected != token.kind)
            return fail("argument " + std::to_string(token.argument + 1) + " is used as both "
                        + std::string(placeholderKindName(expected)) + " and "
                        + std::string(placeholderKindName(token.kind)));
        out.tokens.push_back(token);
        literalStart = i;
    }
    if (literalStart < p.size())
        out.tokens.push_back({p.substr(literalStart)});
    for (std::size_t k = 0; k < out.arguments.size(); ++k)
        if (out.arguments[k] == PlaceholderKind(-1))
            return fail("argument " + std::to_string(k + 1) + " is never used");
    return out;
}

PlaceholderKind kindOf(const FormatArg &arg)
{
    switch (arg.value().index()) {
    case 0:
        return PlaceholderKind::integer;
    case 1:
        return PlaceholderKind::floating;
    default:
        return PlaceholderKind::string;
    }
}

void appendFixed(std::string &out, double value, int precision)
{
    // Enough for the longest fixed form of a double with 20 decimals.
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      std::chars_format::fixed, precision < 0 ? 6 : precision);
    if (result.ec == std::errc())
        out.append(buffer, result.ptr);
}

} // namespace

std::string_view placeholderKindName(PlaceholderKind kind)
{
    switch (kind) {
    case PlaceholderKind::integer:
        return "an integer";
    case PlaceholderKind::string:
        return "a string";
    case PlaceholderKind::floating:
        return "a double";
    }
    return "unknown";
}

PlaceholderSignature placeholderSignature(std::string_view pattern)
{
    Scan s = scan(pattern);
    PlaceholderSignature signature;
    if (s.problem)
        signature.problem = std::move(s.problem);
    else
        signature.arguments = std::move(s.arguments);
    return signature;
}

FormatOutcome formatPlaceholders(std::string_view pattern, std::span<const FormatArg> args)
{
    const auto unformatted = [&](std::string problem) {
        return FormatOutcome{std::string(pattern), std::move(problem)};
    };
    const Scan s = scan(pattern);
    if (s.problem)
        return unformatted(*s.problem);
    if (s.arguments.size() != args.size())
        return unformatted("expects " + std::to_string(s.arguments.size()) + " argument"
                           + (s.arguments.size() == 1 ? "" : "s") + ", given "
                           + std::to_string(args.size()));
    for (std::size_t k = 0; k < args.size(); ++k)
        if (kindOf(args[k]) != s.arguments[k])
            return unformatted("argument " + std::to_string(k + 1) + " is "
                               + std::string(placeholderKindName(kindOf(args[k])))
                               + " but the text expects "
                               + std::string(placeholderKindName(s.arguments[k])));

    std::string out;
    out.reserve(pattern.size() + 16 * args.size());
    for (const Token &token : s.tokens) {
        if (token.argument < 0) {
            out += token.literal;
            continue;
        }
        const auto &value = args[static_cast<std::size_t>(token.argument)].value();
        switch (token.kind) {
        case PlaceholderKind::integer: {
            const auto n = std::get<std::int64_t>(value);
            if (token.isUnsigned && n < 0)
                return unformatted("argument " + std::to_string(token.argument + 1)
                                   + " is negative but the text expects an unsigned integer");
            out += std::to_string(n);
            break;
        }
        case PlaceholderKind::floating:
            appendFixed(out, std::get<double>(value), token.precision);
            break;
        case PlaceholderKind::string:
            out += std::get<std::string>(value);
            break;
        }
    }
    return FormatOutcome{std::move(out), std::nullopt};
}

} // namespace vardo
