#include "localization/strings_file.h"

#include <cstdint>
#include <unordered_map>

namespace vardo {

namespace {

// Length of the UTF-8 sequence at `s[i]`, or 0 when it is not well-formed.
std::size_t utf8SequenceLength(std::string_view s, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    if (b0 < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        if (b0 == 0xE0)
            lo = 0xA0; // overlong
        if (b0 == 0xED)
            hi = 0x9F; // UTF-16 surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        if (b0 == 0xF0)
            lo = 0x90; // overlong
        if (b0 == 0xF4)
            hi = 0x8F; // above U+10FFFF
    } else {
        return 0;
    }
    if (i + length > s.size())
        return 0;
    if (byte(i + 1) < lo || byte(i + 1) > hi)
        return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF)
            return 0;
    return length;
}

void appendUtf8(std::string &out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Thrown inside the reader only; parseStringsText turns it into the result's error.
struct Failure {
    int line;
    std::string reason;
};

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    StringsParseResult read()
    {
        StringsParseResult result;
        std::unordered_map<std::string, int> firstLines;
        skipSpaceAndComments();
        while (!atEnd()) {
            StringsEntry entry;
            if (peek() != '"')
                throw Failure{line_, "expected '\"' to start a key"};
            entry.line = line_;
            entry.key = readQuoted();
            if (entry.key.empty())
                throw Failure{entry.line, "empty key"};

            int tokenEnd = line_;
            skipSpaceAndComments();
            if (atEnd() || peek() != '=')
                throw Failure{tokenEnd, "expected '=' after key"};
            ++pos_;

            tokenEnd = line_;
            skipSpaceAndComments();
            if (atEnd() || peek() != '"')
                throw Failure{atEnd() ? tokenEnd : line_, "expected '\"' to start a value"};
            entry.value = readQuoted();

            tokenEnd = line_;
            skipSpaceAndComments();
            if (atEnd() || peek() != ';')
                throw Failure{tokenEnd, "expected ';' after value"};
            ++pos_;

            const auto [it, inserted] = firstLines.emplace(entry.key, entry.line);
            if (!inserted)
                result.duplicates.push_back({entry.key, it->second, entry.line});
            result.entries.push_back(std::move(entry));
            skipSpaceAndComments();
        }
        return result;
    }

private:
    bool atEnd() const { return pos_ >= text_.size(); }
    char peek() const { return text_[pos_]; }

    void skipSpaceAndComments()
    {
        while (!atEnd()) {
            const char c = peek();
            if (isSpace(c)) {
                if (c == '\n')
                    ++line_;
                ++pos_;
            } else if (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '*') {
                const int start = line_;
                pos_ += 2;
                while (true) {
                    if (atEnd())
                        throw Failure{start, "unterminated comment"};
                    if (peek() == '*' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '/') {
                        pos_ += 2;
                        break;
                    }
                    if (peek() == '\n')
                        ++line_;
                    ++pos_;
                }
            } else if (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '/') {
                while (!atEnd() && peek() != '\n')
                    ++pos_;
            } else {
                return;
            }
        }
    }

    // At an opening quote; leaves the position after the closing quote.
    std::string readQuoted()
    {
        const int start = line_;
        std::string out;
        ++pos_;
        while (true) {
            if (atEnd())
                throw Failure{start, "unterminated string"};
            const char c = text_[pos_++];
            if (c == '"')
                return out;
            if (c == '\n')
                ++line_;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (atEnd())
                throw Failure{start, "unterminated string"};
            const char e = text_[pos_++];
            switch (e) {
            case '"':
            case '\\':
            case '\'':
                out += e;
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case '0':
                throw Failure{line_, "\\0 (NUL) is not allowed"};
            case 'u':
            case 'U':
                appendUtf8(out, readUnicodeEscape(e));
                break;
            default:
                if (e > 0x20 && e < 0x7F)
                    throw Failure{line_, std::string("unknown escape '\\") + e + "'"};
                throw Failure{line_, "unknown escape: '\\' before a space, line break or non-ASCII character"};
            }
        }
    }

    std::uint32_t readHex4(char letter)
    {
        std::uint32_t value = 0;
        for (int k = 0; k < 4; ++k) {
            const int d = atEnd() ? -1 : hexDigit(peek());
            if (d < 0)
                throw Failure{line_, std::string("\\") + letter + " needs four hex digits"};
            value = value * 16 + static_cast<std::uint32_t>(d);
            ++pos_;
        }
        return value;
    }

    // After "\U" or "\u": four hex digits, and for a high surrogate a second escape
    // with the low one.
    std::uint32_t readUnicodeEscape(char letter)
    {
        const std::uint32_t unit = readHex4(letter);
        if (unit == 0)
            throw Failure{line_, std::string("\\") + letter + "0000 (NUL) is not allowed"};
        if (unit >= 0xDC00 && unit <= 0xDFFF)
            throw Failure{line_, "unpaired surrogate in a \\u escape"};
        if (unit < 0xD800 || unit > 0xDBFF)
            return unit;
        if (pos_ + 1 >= text_.size() || text_[pos_] != '\\'
            || (text_[pos_ + 1] != 'u' && text_[pos_ + 1] != 'U'))
            throw Failure{line_, "unpaired surrogate in a \\u escape"};
        const char second = text_[pos_ + 1];
        pos_ += 2;
        const std::uint32_t low = readHex4(second);
        if (low < 0xDC00 || low > 0xDFFF)
            throw Failure{line_, "unpaired surrogate in a \\u escape"};
        return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    int line_ = 1;
};

// Checked before parsing so that the reader only ever sees whole, valid characters.
std::optional<StringsSyntaxError> checkEncoding(std::string_view text)
{
    if (text.size() >= 2) {
        const auto b0 = static_cast<unsigned char>(text[0]);
        const auto b1 = static_cast<unsigned char>(text[1]);
        if ((b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF))
            return StringsSyntaxError{1, "UTF-16 text; the table must be saved as UTF-8"};
    }
    int line = 1;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '\0')
            return StringsSyntaxError{line, "NUL byte in the text"};
        if (text[i] == '\n')
            ++line;
        const std::size_t length = utf8SequenceLength(text, i);
        if (length == 0)
            return StringsSyntaxError{line, "invalid UTF-8"};
        i += length;
    }
    return std::nullopt;
}

} // namespace

bool isValidUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = utf8SequenceLength(text, i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

StringsParseResult parseStringsText(std::string_view text)
{
    constexpr std::string_view bom = "\xEF\xBB\xBF";
    if (text.substr(0, bom.size()) == bom)
        text.remove_prefix(bom.size());

    StringsParseResult result;
    if (auto encodingError = checkEncoding(text)) {
        result.error = std::move(encodingError);
        return result;
    }
    try {
        return Reader(text).read();
    } catch (const Failure &failure) {
        result.error = StringsSyntaxError{failure.line, failure.reason};
        return result;
    }
}

} // namespace vardo
