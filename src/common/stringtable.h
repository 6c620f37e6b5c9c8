// Texts of the fax library's codes, from string tables compiled into the
// program.
//
// A string table is a block in the "STR0" format (docs/string-table.md): the
// four characters "STR0", a u32 entry count, that many entries of three u32
// (code, offset of the text from the block start in bytes, length in UTF-16
// units) in ascending order of code, then the UTF-16LE texts. Two tables are
// built in: "RIZI_ERROR_STRINGS_ENGLISH" (the library codes) and
// "ADSRMGR_STRINGS" (the string manager's own messages, codes 1 to 5).
//
// Lookups are thread-safe: the built-in tables are parsed once, on first use.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qln {

class StringTable {
public:
    StringTable() = default;

    // Parses a block; nullopt (with a reason) when it does not start with
    // "STR0", is truncated, has entries outside the block or out of order.
    static std::optional<StringTable> parse(const std::uint8_t *data, std::size_t size,
                                            std::string *why = nullptr);

    // Text of |code| (binary search on the absolute value), as UTF-8 cut to
    // 255 characters; nullopt when the table has no entry.
    std::optional<std::string> find(long code) const;

    std::size_t size() const { return entries_.size(); }
    // Codes in table order.
    std::vector<std::uint32_t> codes() const;

private:
    struct Entry {
        std::uint32_t code;
        std::u16string text;
    };
    std::vector<Entry> entries_;
};

// Raw bytes of a built-in resource by name; empty when there is none.
std::vector<std::uint8_t> builtinResource(const std::string &name);

// The built-in library table ("RIZI_ERROR_STRINGS_ENGLISH").
const StringTable &libraryStrings();

// Text of a library code: the table's text, or when it has none the
// operating system's message for |code| with control characters turned into
// blanks and runs of blanks folded into one.
std::string libraryText(long code);

// Whether the library table has a text of its own for |code|.
bool hasLibraryText(long code);

// The operating system's message for |code| (absolute value), cleaned as
// described for libraryText.
std::string systemErrorText(long code);

// String manager message (codes 1 to 5 of "ADSRMGR_STRINGS"); empty when
// there is none.
std::string stringManagerText(int code);

}  // namespace qln
