#include "fax/faxclass.h"

#include <cctype>

namespace qln::fax {

ClassDetection parseClassList(const std::string &reply)
{
    std::string s = reply;
    size_t p = s.find(':');
    if (p == std::string::npos)
        p = s.find('=');
    if (p != std::string::npos)
        s = s.substr(p + 1);
    std::string list;
    for (char c : s)
        if (c != ' ')
            list += c;

    ClassDetection d;
    if (list.find('1') != std::string::npos) {
        d.supported |= kClass1Bit;
        if (list.find("1.0") != std::string::npos)
            d.class1Command = "AT+FCLASS=1.0";
    }
    if (list.find("2.0") != std::string::npos) {
        d.supported |= kClass20Bit;
        if (list.find("2,") != std::string::npos)
            d.supported |= kClass2Bit;
    } else if (list.find('2') != std::string::npos) {
        d.supported |= kClass2Bit;
    }
    if (d.supported & kClass20Bit)
        d.best = fcClass2_0;
    else if (d.supported & kClass2Bit)
        d.best = fcClass2;
    else if (d.supported & kClass1Bit)
        d.best = fcClass1;
    return d;
}

std::string defaultInitString(bool blindDial, bool detectBusy)
{
    char x = detectBusy ? (blindDial ? '3' : '4') : (blindDial ? '1' : '2');
    return std::string("ATE0Q0V1X") + x + "S0=0S2=43";
}

std::string normalizeModemInit(const std::string &text)
{
    std::string s;
    for (char c : text)
        s += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (s.empty())
        return s;
    if (s.rfind("AT", 0) != 0)
        s = "AT" + s;
    return s.substr(0, 40);
}

std::string printableStationId(const std::string &raw)
{
    std::string s = raw;
    for (char &ch : s) {
        unsigned char u = static_cast<unsigned char>(ch);
        if (u < 0x20 || u > 0x7E)
            ch = ' ';
    }
    return s;
}

bool ResponseAssembler::feed(unsigned char b)
{
    if (inQuote_ && quoted_ < kMaxQuotedText && b < 32) {
        ++quoted_;
        if (cur_.size() < 128)
            cur_ += ' ';
        return false;
    }
    if (b == '\r') {
        inQuote_ = false;
        if (cur_.empty())
            return false;
        done_ = cur_;
        cur_.clear();
        return true;
    }
    if (b < 32)
        return false;
    if (b == '"') {
        inQuote_ = !inQuote_;
        quoted_ = 0;
    } else if (inQuote_) {
        ++quoted_;
    }
    if (cur_.size() < 128)
        cur_ += static_cast<char>(b);
    return false;
}

bool isResultLine(const std::string &line, const char *code)
{
    const std::size_t b = line.find_first_not_of(" \t");
    const std::size_t e = line.find_last_not_of(" \t");
    if (b == std::string::npos)
        return false;
    const std::string c = code;
    if (e - b + 1 != c.size())
        return false;
    for (std::size_t i = 0; i < c.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(line[b + i])) != std::toupper(static_cast<unsigned char>(c[i])))
            return false;
    return true;
}

} // namespace qln::fax
