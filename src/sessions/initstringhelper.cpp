#include "sessions/initstringhelper.h"

#include <algorithm>
#include <cctype>

namespace qln {

const std::array<ModemKind, 6> kModemKinds = {{
    {"Hayes Compatible modem   or   UNKNOWN", "AT&F&C1&D2&K3", ""},
    {"US Robotics/3COM Modem   or   WinModem", "AT&H3&I2&R2", ""},
    {"US Robotics/3COM Sportster 28.8 or Early 33.6 model", "AT&H3&I2&R2", "S36=0"},
    {"US Robotics/3COM Late Model Sportster 33.6 model", "AT&H3&I2&R2", "S36=8"},
    {"US Robotics/3COM Sportster X2 modem", "AT&H3&I2&R2", "S36=8S33=34"},
    {"Cirrus Logic or AT&&T modem or Motorola SM56", "AT&F&C1&D2\\Q3", ""},
}};

namespace {

std::string upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}

bool has(const std::string &s, const char *part) { return s.find(part) != std::string::npos; }

} // namespace

InitStringHelper::InitStringHelper(std::string current, bool hangUpOffered)
    : current_(std::move(current)), offered_(hangUpOffered)
{
    kind = presetKind(current_);
    hangUp = offered_ && presetHangUp(current_);
}

int InitStringHelper::presetKind(const std::string &current)
{
    const std::string s = upper(current);
    if (has(s, "S36=0"))
        return 2;
    if (has(s, "S33=34"))
        return 4;
    if (has(s, "S36=8"))
        return 3;
    if (has(s, "\\Q3"))
        return 5;
    if (has(s, "&R2"))
        return 1;
    return 0;
}

bool InitStringHelper::presetHangUp(const std::string &current)
{
    const std::string s = upper(current);
    const size_t at = s.find("S7=");
    if (at == std::string::npos)
        return false;
    // The six characters from "S7=", without trailing non-digits; what
    // follows "S7=" is the number.
    std::string part = s.substr(at, 6);
    while (!part.empty() && !std::isdigit(static_cast<unsigned char>(part.back())))
        part.pop_back();
    if (part.size() <= 3)
        return false;
    const std::string digits = part.substr(3);
    if (!std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
        return false;
    const int wait = std::stoi(digits);
    return wait > (has(s, "&H3") ? 90 : 65);
}

std::string InitStringHelper::build(int kind, bool hangUpOffered, bool hangUpChecked)
{
    if (kind < 0 || kind >= int(kModemKinds.size()))
        kind = 0;
    const ModemKind &k = kModemKinds[size_t(kind)];
    std::string s7 = "S7=65";
    if (hangUpOffered && hangUpChecked)
        s7 = "S7=120";
    else if (hangUpOffered && kind != 0)
        s7 = "S7=90";
    return std::string(k.base) + s7 + k.suffix;
}

} // namespace qln
