// Small text helpers.
#include "common/textutil.h"

namespace qln {

std::string trimLeft(const std::string &s)
{
    std::size_t b = s.find_first_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b);
}

std::string trimRight(const std::string &s)
{
    std::size_t e = s.find_last_not_of(' ');
    return e == std::string::npos ? std::string() : s.substr(0, e + 1);
}

std::string trim(const std::string &s) { return trimLeft(trimRight(s)); }

std::string faxClassName(int faxClass)
{
    switch (faxClass) {
    case 0:
        return "AutoDetect";
    case 1:
        return "Class 1";
    case 2:
        return "Class 2";
    case 3:
        return "Class 2.0";
    default:
        return "unknown";
    }
}

namespace {
constexpr int kRates[] = {2400, 4800, 7200, 9600, 12000, 14400};
}

int rateFromIndex(int index)
{
    if (index < 0 || index > 5)
        return 9600;
    return kRates[index];
}

int indexFromRate(int rate)
{
    for (int i = 0; i < 6; ++i)
        if (kRates[i] == rate)
            return i;
    return 3;
}

bool richTextIsEmpty(bool reportsNoText, const std::string &plainText)
{
    if (reportsNoText)
        return true;
    // Count code points: bytes that do not continue a UTF-8 sequence.
    std::size_t chars = 0;
    for (unsigned char c : plainText)
        if ((c & 0xC0) != 0x80)
            ++chars;
    if (chars >= 256)
        return false;
    std::size_t pos = 0;
    for (int line = 0; line < 201 && pos <= plainText.size(); ++line) {
        std::size_t nl = plainText.find('\n', pos);
        std::string text = plainText.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        if (!trim(text).empty())
            return false;
        if (nl == std::string::npos)
            break;
        pos = nl + 1;
    }
    return true;
}

}  // namespace qln
