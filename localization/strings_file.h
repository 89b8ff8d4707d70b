#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vardo {

// Reader for the classic strings-table text format:
//
//     /* comment */  // comment
//     "key" = "value";
//
// Whitespace and comments may stand between any two tokens. Keys and values are
// always quoted; inside the quotes the escapes \" \\ \' \n \t \r and \Uxxxx / \uxxxx
// (exactly four hex digits, surrogate pairs joined) are understood. The text must be
// UTF-8; a leading byte-order mark is skipped.
//
// Stricter than the format's historic readers on purpose, because every rejection
// here is a translator's typo caught before it reaches the screen:
// - unquoted words, the `"key";` shortcut and unknown escapes are errors;
// - NUL (raw or as \0 or \U0000) is an error: it would cut the text short wherever
//   it is handed on as a C string;
// - an empty key is an error.
//
// One syntax error rejects the whole file (no entries are returned), so a table is
// either used as written or not at all, and the caller falls back to another one.
// Duplicate keys are not an error: the later entry wins, and every repetition is
// listed so that it can be reported.

struct StringsEntry {
    std::string key;   // UTF-8, escapes resolved
    std::string value; // UTF-8, escapes resolved
    int line = 0;      // line of the key's opening quote, from 1
};

struct StringsSyntaxError {
    int line = 0;       // from 1
    std::string reason; // e.g. "expected ';' after value"
};

struct StringsDuplicate {
    std::string key;
    int firstLine = 0;
    int line = 0;
};

struct StringsParseResult {
    std::vector<StringsEntry> entries; // file order, repetitions included; empty on error
    std::vector<StringsDuplicate> duplicates;
    std::optional<StringsSyntaxError> error;

    bool ok() const { return !error.has_value(); }
};

StringsParseResult parseStringsText(std::string_view text);

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates, nothing
// above U+10FFFF).
bool isValidUtf8(std::string_view text);

} // namespace vardo
