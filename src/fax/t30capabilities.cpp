#include "fax/t30capabilities.h"

#include <sstream>

namespace qln::fax::t30 {

namespace {

constexpr Rate kRates[kRateCount] = {
    {14400, Modulation::V17, "145", "146", kDcsV17_14400},
    {12000, Modulation::V17, "121", "122", kDcsV17_12000},
    {9600, Modulation::V17, "97", "98", kDcsV17_9600},
    {9600, Modulation::V29, "96", "96", kDcsV29_9600},
    {7200, Modulation::V17, "73", "74", kDcsV17_7200},
    {7200, Modulation::V29, "72", "72", kDcsV29_7200},
    {4800, Modulation::V27ter, "48", "48", kDcsV27ter4800},
    {2400, Modulation::V27ter, "24", "24", kDcsV27ter2400},
};
constexpr int kV27ter4800 = 6;
constexpr int kV27ter2400 = 7;

RateMask ratesOf(Modulation m)
{
    RateMask r = 0;
    for (int i = 0; i < kRateCount; ++i)
        if (kRates[i].modulation == m)
            r |= rateBit(i);
    return r;
}

// DIS/DCS minimum scan-line time bits (octet 3, mask 0x70) by scan-time
// code 0..7, for normal and for fine resolution.
struct ScanBits {
    uint8_t normal, fine;
};
constexpr ScanBits kScanBits[8] = {
    {0x70, 0x70}, {0x10, 0x10}, {0x20, 0x10}, {0x20, 0x20},
    {0x00, 0x20}, {0x00, 0x00}, {0x40, 0x00}, {0x40, 0x40},
};
// Scan-time code from the bits 0x70 of a received DIS or DCS.
constexpr int kScanFromBits[8] = {5, 1, 3, 4, 7, 6, 2, 0};

void parseCommon(FrameParams &p, const std::vector<uint8_t> &info)
{
    const uint8_t b2 = info[1], b3 = info[2];
    p.receiveFax = (b2 & kBitReceiveFax) != 0;
    p.fine = (b2 & kBitFine) != 0;
    p.scanCode = kScanFromBits[(b3 & kScanFieldMask) >> 4];
}

} // namespace

const Rate &rateAt(int index) { return kRates[index >= 0 && index < kRateCount ? index : kV27ter2400]; }

const char *modulationName(Modulation m)
{
    switch (m) {
    case Modulation::V17: return "V.17";
    case Modulation::V29: return "V.29";
    default: return "V.27ter";
    }
}

RateMask baseRates() { return rateBit(kV27ter4800) | rateBit(kV27ter2400); }

RateMask ratesFromModulationList(const std::string &line)
{
    RateMask m = baseRates();
    std::string s = line;
    for (char &c : s)
        if (c < '0' || c > '9')
            c = ' ';
    std::istringstream in(s);
    int code = 0;
    while (in >> code) {
        for (int i = 0; i < kRateCount; ++i)
            if (std::to_string(code) == kRates[i].trainingCode || std::to_string(code) == kRates[i].pageCode)
                m |= rateBit(i);
    }
    return m;
}

RateMask ratesFromDis(uint8_t octet2)
{
    RateMask m = baseRates();
    const uint8_t field = octet2 & kRateFieldMask;
    if (field & kDisV29) // bit 11: V.29, alone or with V.33/V.17
        m |= ratesOf(Modulation::V29);
    if (field == kDisV27terV29V17 || (field & 0x20)) // bit 14: V.17
        m |= ratesOf(Modulation::V17);
    return m;
}

uint8_t disRateField(RateMask own, int desiredBps, RateMask *offered)
{
    const RateMask v17 = own & ratesOf(Modulation::V17);
    const RateMask v29 = own & ratesOf(Modulation::V29);
    uint8_t field = kDisV27terFallback;
    RateMask covered = rateBit(kV27ter2400);
    if (desiredBps >= 12000 && v17) {
        field = kDisV27terV29V17;
        covered = baseRates() | v29 | v17;
    } else if (desiredBps >= 7200 && v29) {
        field = kDisV27terV29;
        covered = baseRates() | v29;
    } else if (desiredBps >= 4800) {
        field = kDisV27ter;
        covered = baseRates();
    }
    if (offered)
        *offered = covered;
    return field;
}

int rateFromDcs(uint8_t octet2)
{
    const uint8_t field = octet2 & kRateFieldMask;
    for (int i = 0; i < kRateCount; ++i)
        if (kRates[i].dcsBits == field)
            return i;
    return -1;
}

int chooseRate(RateMask own, RateMask remote, int desiredBps)
{
    for (int i = 0; i < kRateCount; ++i)
        if ((own & remote & rateBit(i)) && kRates[i].bps <= desiredBps)
            return i;
    return -1;
}

int lowerRate(int current, RateMask own, RateMask remote)
{
    for (int i = current + 1; i < kRateCount; ++i)
        if (i >= 0 && (own & remote & rateBit(i)))
            return i;
    return -1;
}

FrameParams parseDIS(const std::vector<uint8_t> &info)
{
    FrameParams p;
    if (info.size() < 3)
        return p;
    parseCommon(p, info);
    p.rates = ratesFromDis(info[1]);
    // 0,1 offers 2432 pels and 1,1 (invalid) counts as 0,1: both include 2048.
    p.wide = (info[2] & kWidthFieldMask) != kWidth1728;
    const uint8_t len = info[2] & kLengthFieldMask;
    p.length = len == kLengthA4 ? kLengthA4 : len == kDisLengthB4 ? kDisLengthB4 : kLengthUnlimited;
    return p;
}

FrameParams parseDCS(const std::vector<uint8_t> &info)
{
    FrameParams p;
    if (info.size() < 3)
        return p;
    parseCommon(p, info);
    p.rate = rateFromDcs(info[1]);
    p.rates = p.rate >= 0 ? rateBit(p.rate) : 0;
    p.wide = (info[2] & kWidthFieldMask) == kDcsWidth2048;
    p.length = info[2] & kLengthFieldMask;
    return p;
}

std::vector<uint8_t> disInfo(uint8_t rateField)
{
    return {0x00, static_cast<uint8_t>(kBitReceiveFax | kBitFine | (rateField & kRateFieldMask)),
            static_cast<uint8_t>(kDisWidth2048 | kLengthUnlimited | kScanBits[0].normal)};
}

std::vector<uint8_t> dcsInfo(int rate, bool fine, int scanCode, bool wide, const FrameParams &dis)
{
    const uint8_t b2 = static_cast<uint8_t>(kBitReceiveFax | (fine ? kBitFine : 0) | rateAt(rate).dcsBits);
    const ScanBits &s = kScanBits[scanCode & 7];
    const uint8_t length = dis.length == kLengthUnlimited ? kLengthUnlimited
                           : dis.length == kDisLengthB4   ? kDcsLengthB4
                                                          : kLengthA4;
    const uint8_t width = wide && dis.wide ? kDcsWidth2048 : kWidth1728;
    return {0x00, b2, static_cast<uint8_t>((fine ? s.fine : s.normal) | length | width)};
}

} // namespace qln::fax::t30
