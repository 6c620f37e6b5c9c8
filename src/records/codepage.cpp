#include "records/codepage.h"

#include <array>
#include <cstdint>

namespace qln::records {

namespace {

// Unicode code points of bytes 0x80..0x9F; the rest of the code page is
// Latin-1. Undefined bytes keep their own value.
constexpr std::array<char32_t, 32> kHigh{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool undefinedByte(unsigned b) { return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D; }

char encode(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return char(cp);
    for (unsigned i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == cp && !undefinedByte(0x80 + i))
            return char(0x80 + i);
    return '?';
}

void appendUtf8(std::string &out, char32_t cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at s[i]; returns its length, 0 when invalid.
size_t decodeUtf8(std::string_view s, size_t i, char32_t &cp)
{
    const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned c = b(i);
    size_t len;
    char32_t min;
    if (c < 0x80)
        return cp = c, 1;
    if ((c & 0xE0) == 0xC0)
        len = 2, cp = c & 0x1F, min = 0x80;
    else if ((c & 0xF0) == 0xE0)
        len = 3, cp = c & 0x0F, min = 0x800;
    else if ((c & 0xF8) == 0xF0)
        len = 4, cp = c & 0x07, min = 0x10000;
    else
        return 0;
    if (i + len > s.size())
        return 0;
    for (size_t k = 1; k < len; ++k) {
        if ((b(i + k) & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

} // namespace

std::string toWindows1252(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        size_t n = decodeUtf8(utf8, i, cp);
        if (n == 0) {
            out += '?';
            ++i;
            continue;
        }
        out += encode(cp);
        i += n;
    }
    return out;
}

std::string fromWindows1252(std::string_view ansi)
{
    std::string out;
    out.reserve(ansi.size());
    for (char ch : ansi) {
        const unsigned b = static_cast<unsigned char>(ch);
        if (b < 0x80)
            out += ch;
        else if (b < 0xA0)
            appendUtf8(out, kHigh[b - 0x80]);
        else
            appendUtf8(out, b);
    }
    return out;
}

char upperWindows1252(char c)
{
    const unsigned b = static_cast<unsigned char>(c);
    if (b >= 'a' && b <= 'z')
        return char(b - 0x20);
    if (b >= 0xE0 && b <= 0xFE && b != 0xF7)
        return char(b - 0x20);
    switch (b) {
    case 0x9A: return char(0x8A);  // š
    case 0x9C: return char(0x8C);  // œ
    case 0x9E: return char(0x8E);  // ž
    case 0xFF: return char(0x9F);  // ÿ
    default: return c;
    }
}

char lowerWindows1252(char c)
{
    const unsigned b = static_cast<unsigned char>(c);
    if (b >= 'A' && b <= 'Z')
        return char(b + 0x20);
    if (b >= 0xC0 && b <= 0xDE && b != 0xD7)
        return char(b + 0x20);
    switch (b) {
    case 0x8A: return char(0x9A);
    case 0x8C: return char(0x9C);
    case 0x8E: return char(0x9E);
    case 0x9F: return char(0xFF);
    default: return c;
    }
}

} // namespace qln::records
