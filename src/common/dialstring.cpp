#include "common/dialstring.h"

#include <cctype>

namespace qln {

bool isDialCharacter(char ch)
{
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c >= '0' && c <= '9')
        return true;
    switch (std::toupper(c)) {
    case 'A': case 'B': case 'C': case 'D':   // DTMF tones
    case 'W': case 'T': case 'P':             // wait, tone, pulse
        return true;
    default:
        break;
    }
    switch (c) {
    case '*': case '#': case '+':
    case ',': case '!': case '@':
    case ' ': case '-': case '(': case ')': case '.':
        return true;
    default:
        return false;
    }
}

std::string dialableForm(std::string_view text)
{
    std::string out;
    for (char c : text)
        if (c != '(' && c != ')' && c != '.')
            out += c;
    return out;
}

std::string dialStringProblem(std::string_view text, std::string_view what)
{
    for (char ch : text) {
        if (isDialCharacter(ch))
            continue;
        const unsigned char c = static_cast<unsigned char>(ch);
        std::string shown;
        if (c >= 0x21 && c <= 0x7E) {
            shown = std::string("\"") + ch + "\"";
        } else {
            static const char hex[] = "0123456789ABCDEF";
            shown = std::string("\\x") + hex[c >> 4] + hex[c & 15];
        }
        return std::string(what) + " holds " + shown +
               ", which a modem cannot dial; use only digits, * # + , ! @ W T P A-D, blanks and - ( ) .";
    }
    return {};
}

}  // namespace qln
