#include "faxengine/t30frames.h"

#include <algorithm>

namespace qln::fax::t30 {

namespace {

struct SpeedEntry {
    int bps;
    const char *tcfCode;
    const char *pageCode;
    uint8_t disBits;
    uint8_t dcsBits;
};

constexpr SpeedEntry kSpeeds[kMaxSpeedIndex + 1] = {
    {0, "", "", 0, 0},
    {2400, "24", "24", 0x00, 0x00},
    {4800, "48", "48", 0x08, 0x08},
    {7200, "72", "72", 0x0C, 0x0C},
    {9600, "96", "96", 0x0C, 0x04},
    {12000, "121", "122", 0x1C, 0x10},
    {14400, "145", "146", 0x2C, 0x20},
};

struct ScanEntry {
    int normalMs, fineMs;
    uint8_t normalBits, fineBits;
};

constexpr ScanEntry kScan[8] = {
    {0, 0, 0x70, 0x70},  {5, 5, 0x10, 0x10},   {10, 5, 0x20, 0x10},  {10, 10, 0x20, 0x20},
    {20, 10, 0x00, 0x20}, {20, 20, 0x00, 0x00}, {40, 20, 0x40, 0x00}, {40, 40, 0x40, 0x40},
};

// Scan-time code from DIS/DCS byte 3 bits 0x70.
constexpr int kScanFromBits[8] = {5, 1, 3, 4, 7, 6, 2, 0};

bool validIndex(int i) { return i >= kMinSpeedIndex && i <= kMaxSpeedIndex; }

} // namespace

int speedBps(int index) { return validIndex(index) ? kSpeeds[index].bps : 0; }
std::string tcfModulation(int index) { return validIndex(index) ? kSpeeds[index].tcfCode : ""; }
std::string pageModulation(int index) { return validIndex(index) ? kSpeeds[index].pageCode : ""; }

int speedIndexOf(int bps)
{
    for (int i = kMinSpeedIndex; i <= kMaxSpeedIndex; ++i)
        if (kSpeeds[i].bps == bps)
            return i;
    return 0;
}

SpeedMask parseModulationList(const std::string &line)
{
    SpeedMask m = kBaseSpeeds;
    const char *codes[] = {"72", "96", "121", "145"};
    for (int i = 0; i < 4; ++i)
        if (line.find(codes[i]) != std::string::npos)
            m |= speedBit(3 + i);
    return m;
}

int chooseSpeed(SpeedMask own, SpeedMask remote, int desiredBps)
{
    for (int i = kMaxSpeedIndex; i >= kMinSpeedIndex; --i)
        if ((own & remote & speedBit(i)) && kSpeeds[i].bps <= desiredBps)
            return i;
    return 0;
}

int lowerSpeed(int current, SpeedMask own, SpeedMask remote)
{
    for (int i = current - 1; i >= kMinSpeedIndex; --i)
        if (own & remote & speedBit(i))
            return i;
    return 0;
}

int scanTimeMs(int scanCode, bool fine)
{
    const auto &e = kScan[scanCode & 7];
    return fine ? e.fineMs : e.normalMs;
}

int minBytesPerLine(int scanCode, bool fine, int bps)
{
    return scanTimeMs(scanCode, fine) * bps / 8000;
}

int tcfLength(int bps) { return std::min(bps / 100 * 18, 8192); }

Bytes buildFrame(uint8_t fcf, const Bytes &info, bool final)
{
    Bytes f{0xFF, static_cast<uint8_t>(final ? 0x13 : 0x03), fcf};
    f.insert(f.end(), info.begin(), info.end());
    f.push_back(DLE);
    f.push_back(ETX);
    return f;
}

Bytes idInfo(const std::string &stationId)
{
    std::string id = stationId.substr(0, 20);
    Bytes b(20 - id.size(), ' ');
    for (auto it = id.rbegin(); it != id.rend(); ++it)
        b.push_back(static_cast<uint8_t>(*it));
    return b;
}

Bytes buildIdFrame(uint8_t fcf, const std::string &stationId, bool final)
{
    return buildFrame(fcf, idInfo(stationId), final);
}

Bytes buildDIS(int speedIndex, bool final)
{
    uint8_t bits = validIndex(speedIndex) ? kSpeeds[speedIndex].disBits : 0;
    return buildFrame(fcfDIS, {0x00, static_cast<uint8_t>(0x42 + bits), 0xF9, 0x00}, final);
}

Bytes buildDCS(int speedIndex, bool fine, int scanCode, bool wide, bool final)
{
    uint8_t bits = validIndex(speedIndex) ? kSpeeds[speedIndex].dcsBits : 0;
    uint8_t b2 = static_cast<uint8_t>((fine ? 0x42 : 0x02) + bits);
    const auto &s = kScan[scanCode & 7];
    uint8_t b3 = static_cast<uint8_t>((fine ? s.fineBits : s.normalBits) + 0x88 + (wide ? 1 : 0));
    return buildFrame(fcfDCS, {0x00, b2, b3, 0x00}, final);
}

namespace {
void parseCommon(FrameParams &p, uint8_t b2, uint8_t b3)
{
    p.fine = (b2 & 0x40) != 0;
    p.wide = (b3 & 0x03) == 1;
    p.scanCode = kScanFromBits[(b3 >> 4) & 7];
}
} // namespace

FrameParams parseDIS(uint8_t b2, uint8_t b3)
{
    FrameParams p;
    parseCommon(p, b2, b3);
    p.speeds = kBaseSpeeds;
    if (b2 & 0x20)
        p.speeds |= speedBit(6);
    if (b2 & 0x10)
        p.speeds |= speedBit(5);
    if ((b2 & 0x0C) == 0x04)
        p.speeds |= speedBit(4);
    else if ((b2 & 0x0C) == 0x0C)
        p.speeds |= speedBit(3) | speedBit(4);
    return p;
}

FrameParams parseDCS(uint8_t b2, uint8_t b3)
{
    FrameParams p;
    parseCommon(p, b2, b3);
    if (b2 & 0x20)
        p.speedIndex = 6;
    else if (b2 & 0x10)
        p.speedIndex = 5;
    else {
        static constexpr int kByBits[4] = {1, 4, 2, 3}; // 0, 0x04, 0x08, 0x0C
        p.speedIndex = kByBits[(b2 >> 2) & 3];
    }
    p.speeds = speedBit(p.speedIndex);
    return p;
}

std::string parseIdInfo(const Bytes &info)
{
    size_t n = std::min<size_t>(info.size(), 20);
    std::string s;
    for (size_t i = n; i-- > 0;)
        s += static_cast<char>(info[i]);
    auto junk = [](char c) { return c == ' ' || c == '"' || c == '\0'; };
    while (!s.empty() && junk(s.back()))
        s.pop_back();
    size_t start = 0;
    while (start < s.size() && s[start] == ' ')
        ++start;
    return s.substr(start);
}

void FrameCollector::reset()
{
    raw_.clear();
    started_ = false;
    dle_ = false;
}

bool FrameCollector::feed(uint8_t b)
{
    if (!started_) {
        if (b != 0xFF)
            return false;
        started_ = true;
        raw_.assign(1, b);
        return false;
    }
    if (dle_) {
        dle_ = false;
        if (b == ETX) {
            frame_ = Frame{};
            if (raw_.size() >= 2)
                frame_.control = raw_[1];
            if (raw_.size() >= 3)
                frame_.fcf = raw_[2];
            if (raw_.size() > 3)
                frame_.info.assign(raw_.begin() + 3, raw_.end());
            reset();
            return true;
        }
        raw_.push_back(b); // DLE DLE stands for one DLE; DLE x for x
        return false;
    }
    if (b == DLE) {
        dle_ = true;
        return false;
    }
    raw_.push_back(b);
    return false;
}

void TcfChecker::reset() { *this = TcfChecker{}; }

bool TcfChecker::feed(uint8_t b)
{
    ++total_;
    if (b != 0)
        ++nonZero_;
    if (dle_) {
        dle_ = false;
        return b == ETX;
    }
    dle_ = (b == DLE);
    return false;
}

bool TcfChecker::good() const
{
    return total_ > 0 && (nonZero_ * 100) / total_ < 10;
}

} // namespace qln::fax::t30
