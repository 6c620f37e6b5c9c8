// printableText: table text escaped for the terminal (see commands.h).
#include "commands.h"

#include <cstdint>

#include "faximage/apf.h"

namespace {

// Length of the well-formed UTF-8 sequence at s[i] whose character is
// printable (U+00A0 and above), 0 for anything else.
std::size_t printableSequence(const std::string &s, std::size_t i)
{
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    std::size_t n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    if (n == 0 || i + n > s.size())
        return 0;
    uint32_t cp = c & (n == 2 ? 0x1F : n == 3 ? 0x0F : 0x07);
    for (std::size_t k = 1; k < n; ++k) {
        if ((b(i + k) & 0xC0) != 0x80)
            return 0;
        cp = cp << 6 | (b(i + k) & 0x3F);
    }
    const bool overlong = (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) || cp < 0xA0)
        return 0;
    return n;
}

}  // namespace

std::string printableText(const std::string &utf8)
{
    std::string out, pending;
    for (std::size_t i = 0; i < utf8.size();) {
        if (const std::size_t n = static_cast<unsigned char>(utf8[i]) >= 0x80 ? printableSequence(utf8, i) : 0) {
            out += qln::fax::escapedText(pending);
            pending.clear();
            out.append(utf8, i, n);
            i += n;
        } else {
            pending += utf8[i++];
        }
    }
    return out + qln::fax::escapedText(pending);
}
