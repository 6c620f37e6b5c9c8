// String tables in the "STR0" format and the lookup of library texts.
#include "common/stringtable.h"

#include "common/stringtable_data.h"

#include <algorithm>
#include <cstring>

#include <string.h>

namespace qln {

namespace {

std::uint32_t get32(const std::uint8_t *p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
           | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool refuse(std::string *why, const char *text)
{
    if (why)
        *why = text;
    return false;
}

// UTF-16 to UTF-8, at most |maxChars| characters; an unpaired surrogate
// becomes U+FFFD.
std::string toUtf8(const std::u16string &s, std::size_t maxChars)
{
    std::string out;
    std::size_t chars = 0;
    for (std::size_t i = 0; i < s.size() && chars < maxChars; ++i, ++chars) {
        std::uint32_t cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
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
    return out;
}

// Longest text handed out, in characters.
constexpr std::size_t kMaxTextChars = 255;

const StringTable &builtinTable(const char *name)
{
    // Parsed once; a broken built-in table reads as empty, so every lookup
    // falls back to the system's message rather than failing.
    struct Holder {
        StringTable table;
        explicit Holder(const char *n)
        {
            auto bytes = builtinResource(n);
            if (auto t = StringTable::parse(bytes.data(), bytes.size()))
                table = std::move(*t);
        }
    };
    if (std::strcmp(name, "ADSRMGR_STRINGS") == 0) {
        static const Holder h("ADSRMGR_STRINGS");
        return h.table;
    }
    static const Holder h("RIZI_ERROR_STRINGS_ENGLISH");
    return h.table;
}

}  // namespace

std::optional<StringTable> StringTable::parse(const std::uint8_t *data, std::size_t size, std::string *why)
{
    if (!data || size < 8 || std::memcmp(data, "STR0", 4) != 0) {
        refuse(why, "not a string table (no \"STR0\" signature)");
        return std::nullopt;
    }
    const std::uint64_t count = get32(data + 4);
    if (8 + count * 12 > size) {
        refuse(why, "entry list runs past the end");
        return std::nullopt;
    }
    StringTable table;
    table.entries_.reserve(static_cast<std::size_t>(count));
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint8_t *e = data + 8 + i * 12;
        const std::uint32_t code = get32(e), offset = get32(e + 4), length = get32(e + 8);
        if (static_cast<std::uint64_t>(offset) + 2ull * length > size) {
            refuse(why, "text runs past the end");
            return std::nullopt;
        }
        if (!table.entries_.empty() && table.entries_.back().code >= code) {
            refuse(why, "codes not in ascending order");
            return std::nullopt;
        }
        std::u16string text;
        text.reserve(length);
        for (std::uint32_t k = 0; k < length; ++k)
            text.push_back(static_cast<char16_t>(data[offset + 2 * k] | (data[offset + 2 * k + 1] << 8)));
        table.entries_.push_back({code, std::move(text)});
    }
    return table;
}

std::optional<std::string> StringTable::find(long code) const
{
    const std::uint64_t key = code < 0 ? -static_cast<std::uint64_t>(code) : static_cast<std::uint64_t>(code);
    std::size_t lo = 0, hi = entries_.size();
    while (lo < hi) {
        std::size_t mid = lo + (hi - lo) / 2;
        if (entries_[mid].code < key)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo == entries_.size() || entries_[lo].code != key)
        return std::nullopt;
    return toUtf8(entries_[lo].text, kMaxTextChars);
}

std::vector<std::uint32_t> StringTable::codes() const
{
    std::vector<std::uint32_t> out;
    out.reserve(entries_.size());
    for (const auto &e : entries_)
        out.push_back(e.code);
    return out;
}

std::vector<std::uint8_t> builtinResource(const std::string &name)
{
    for (std::size_t i = 0; i < detail::kBuiltinResourceCount; ++i) {
        const auto &r = detail::kBuiltinResources[i];
        if (name == r.name)
            return {r.data, r.data + r.size};
    }
    return {};
}

const StringTable &libraryStrings() { return builtinTable("RIZI_ERROR_STRINGS_ENGLISH"); }

std::string systemErrorText(long code)
{
    const long n = code < 0 ? -code : code;
    char buf[256];
    std::string text;
    if (n > 0x7FFFFFFFL) {
        text = "Unknown error " + std::to_string(n);
    } else {
        // GNU strerror_r returns the message (which may not be buf).
        text = ::strerror_r(static_cast<int>(n), buf, sizeof buf);
    }
    // Control characters become blanks, then runs of blanks fold into one.
    std::string out;
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        char d = (u < 0x20 || u == 0x7F) ? ' ' : c;
        if (d == ' ' && !out.empty() && out.back() == ' ')
            continue;
        out += d;
    }
    return out;
}

std::string libraryText(long code)
{
    if (auto t = libraryStrings().find(code))
        return *t;
    return systemErrorText(code);
}

bool hasLibraryText(long code) { return libraryStrings().find(code).has_value(); }

std::string stringManagerText(int code)
{
    if (auto t = builtinTable("ADSRMGR_STRINGS").find(code))
        return *t;
    return {};
}

}  // namespace qln
