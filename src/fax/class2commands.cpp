#include "fax/class2commands.h"

#include "fax/faxclass.h"

#include <cctype>
#include <cstdlib>

namespace qln::fax::class2 {

namespace {

constexpr CommandTable kClass2 = {"CLASS=2", "MDL?", "MFR?", "REV?", "DIS", "LID", "DCC",
                                  "CON", "DIS", "DCS", "TSI", "CSI", "PTS", "FHNG"};
constexpr CommandTable kClass20 = {"CLASS=2.0", "MI?", "MM?", "MR?", "IS", "LI", "CC",
                                   "CO", "IS", "CS", "TI", "CI", "PS", "FHS"};

std::string trim(const std::string &s)
{
    size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a])))
        ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1])))
        --b;
    return s.substr(a, b - a);
}

// Text after the first ":" (or "=" when there is none), trimmed.
std::string afterColon(const std::string &line)
{
    std::string t = trim(line);
    size_t p = t.find(':');
    if (p == std::string::npos)
        p = t.find('=');
    return trim(p == std::string::npos ? t : t.substr(p + 1));
}

char at(const std::string &s, size_t oneBased)
{
    return oneBased <= s.size() ? s[oneBased - 1] : '\0';
}

} // namespace

const CommandTable &commandsClass2() { return kClass2; }
const CommandTable &commandsClass20() { return kClass20; }

char speedCode(int bps)
{
    switch (bps) {
    case 2400: return '0';
    case 4800: return '1';
    case 7200: return '2';
    case 9600: return '3';
    case 12000: return '4';
    case 14400: return '5';
    default: return '3';
    }
}

int speedFromCode(char code)
{
    switch (code) {
    case '0': return 2400;
    case '1': return 4800;
    case '2': return 7200;
    case '4': return 12000;
    case '5': return 14400;
    default: return 9600;
    }
}

ReportParams parseParams(const std::string &line)
{
    std::string s = afterColon(line);
    ReportParams p;
    p.fine = at(s, 1) == '1';
    p.bps = speedFromCode(at(s, 3));
    p.wide = at(s, 5) == '1';
    char ec = at(s, 11);
    p.ecm = ec == '1' || ec == '2';
    char st = at(s, 15);
    p.scanCode = (st >= '0' && st <= '7') ? st - '0' : 0;
    return p;
}

std::string parseRemoteId(const std::string &line)
{
    std::string s = printableStationId(afterColon(line));
    if (!s.empty() && s[0] == '"')
        s[0] = ' ';
    while (!s.empty() && !std::isalnum(static_cast<unsigned char>(s.back())))
        s.pop_back();
    s = trim(s);
    return s.substr(0, 20);
}

int parseHangupCode(const std::string &line)
{
    std::string s = trim(afterColon(line).substr(0, 3));
    if (s.empty())
        return 0;
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
    if (c >= 'A' && c <= 'F') {
        int d = (s.size() > 1 && std::isdigit(static_cast<unsigned char>(s[1]))) ? s[1] - '0' : 0;
        return 100 + d;
    }
    char *end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    return end == s.c_str() ? 0 : static_cast<int>(v);
}

std::string sendCapabilities(bool fine, int desiredBps, bool wide, bool ecm)
{
    std::string s;
    s += fine ? '1' : '0';
    s += ',';
    s += speedCode(desiredBps);
    s += ',';
    s += wide ? '1' : '0';
    s += ",2,0,";
    s += ecm ? '1' : '0';
    s += ",0,0";
    return s;
}

std::string receiveCapabilities(int desiredBps, bool ecm)
{
    std::string s = "1,";
    s += speedCode(desiredBps);
    s += ",0,2,0,";
    s += ecm ? '1' : '0';
    s += ",0,0";
    return s;
}

std::string pageEndClass20(bool morePages, bool resolutionChanges)
{
    std::string s(1, '\x10');
    s += !morePages ? '.' : (resolutionChanges ? ';' : ',');
    return s;
}

char postPageClass2(bool morePages, bool resolutionChanges)
{
    return !morePages ? '2' : (resolutionChanges ? '1' : '0');
}

} // namespace qln::fax::class2
