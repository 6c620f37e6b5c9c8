// The facsimile information field of DIS and DCS: which modulations and bit
// rates a receiver offers and which one a sender chose, resolution, page
// width and length, and the minimum scan-line time.
//
// Octets are numbered from 1 and hold the field's bits in the order a Class
// 1 modem delivers them: the first bit on the line is the least significant
// bit of the octet, so bit 9 of the field is 0x01 of octet 2, bit 16 is 0x80.
//
// The bit-rate field (bits 11 to 14, octet 2 mask 0x3C) has one table for a
// DIS (what the receiver can take) and another for a DCS (the one rate in
// use); both are written below as named constants.
//
// Threading: pure functions and constants.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qln::fax::t30 {

// --- octet 2 (bits 9 to 16) ---
constexpr uint8_t kBitReceiveFax = 0x02;   // bit 10: DIS can receive; DCS receiver set to receive
constexpr uint8_t kBitFine = 0x40;         // bit 15: 7.7 lines/mm (fine)
constexpr uint8_t kBitTwoDimensional = 0x80; // bit 16: 2-D coding (never offered or used)
constexpr uint8_t kRateFieldMask = 0x3C;   // bits 11..14

// DIS bit-rate field (what the receiver offers).
constexpr uint8_t kDisV27terFallback = 0x00; // 0000: V.27 ter fall-back, 2400 only
constexpr uint8_t kDisV27ter = 0x08;         // 0100: V.27 ter, 4800 and 2400
constexpr uint8_t kDisV29 = 0x04;            // 1000: V.29, 9600 and 7200
constexpr uint8_t kDisV27terV29 = 0x0C;      // 1100: V.27 ter and V.29
constexpr uint8_t kDisV27terV29V33 = 0x1C;   // 1110: V.27 ter, V.29 and V.33 (not offered)
constexpr uint8_t kDisV27terV29V17 = 0x2C;   // 1101: V.27 ter, V.29 and V.17

// DCS bit-rate field (the rate in use).
constexpr uint8_t kDcsV27ter2400 = 0x00; // 0000: 2400, V.27 ter
constexpr uint8_t kDcsV27ter4800 = 0x08; // 0100: 4800, V.27 ter
constexpr uint8_t kDcsV29_9600 = 0x04;   // 1000: 9600, V.29
constexpr uint8_t kDcsV29_7200 = 0x0C;   // 1100: 7200, V.29
constexpr uint8_t kDcsV33_14400 = 0x10;  // 0010: 14400, V.33 (not used by Class 1 modems)
constexpr uint8_t kDcsV33_12000 = 0x18;  // 0110: 12000, V.33 (not used)
constexpr uint8_t kDcsV17_14400 = 0x20;  // 0001: 14400, V.17
constexpr uint8_t kDcsV17_12000 = 0x28;  // 0101: 12000, V.17
constexpr uint8_t kDcsV17_9600 = 0x24;   // 1001: 9600, V.17
constexpr uint8_t kDcsV17_7200 = 0x2C;   // 1101: 7200, V.17

// --- octet 3 (bits 17 to 24) ---
constexpr uint8_t kWidthFieldMask = 0x03;  // bits 17, 18: recording width
constexpr uint8_t kWidth1728 = 0x00;       // DIS and DCS: 215 mm, 1728 pels
constexpr uint8_t kDisWidth2048 = 0x01;    // DIS: 1728 and 2048 pels (B4)
constexpr uint8_t kDisWidth2432 = 0x02;    // DIS: 1728, 2048 and 2432 pels (A3)
constexpr uint8_t kDcsWidth2048 = 0x01;    // DCS: 255 mm, 2048 pels
constexpr uint8_t kLengthFieldMask = 0x0C; // bits 19, 20: recording length
constexpr uint8_t kLengthA4 = 0x00;        // DIS and DCS: A4 (297 mm)
constexpr uint8_t kDisLengthB4 = 0x04;     // DIS: A4 and B4
constexpr uint8_t kDcsLengthB4 = 0x04;     // DCS: B4 (364 mm)
constexpr uint8_t kLengthUnlimited = 0x08; // DIS and DCS: unlimited
constexpr uint8_t kScanFieldMask = 0x70;   // bits 21..23: minimum scan-line time
constexpr uint8_t kBitExtend = 0x80;       // bit 24: another octet follows

// Modulations a Class 1 modem offers for page data.
enum class Modulation : uint8_t { V27ter, V29, V17 };

// A bit rate with its modulation.
struct Rate {
    int bps;
    Modulation modulation;
    const char *trainingCode; // "AT+FTM="/"AT+FRM=" code with long training
    const char *pageCode;     // with short training (V.17) for page data
    uint8_t dcsBits;
};

// Rates from the fastest to the slowest, in the order a sender falls back
// after a failed training: V.17 14400, 12000, 9600, V.29 9600, V.17 7200,
// V.29 7200, V.27 ter 4800, 2400.
constexpr int kRateCount = 8;
const Rate &rateAt(int index);
const char *modulationName(Modulation m); // "V.17", "V.29", "V.27ter"

// A set of rates as bits (bit i = rateAt(i)).
using RateMask = unsigned;
constexpr RateMask rateBit(int index) { return 1u << index; }
// V.27 ter 4800 and 2400, which every fax modem has.
RateMask baseRates();

// Own modem rates from a "+FTM=?"/"+FRM=?" reply (the line with ","): the
// codes 24, 48, 72, 73/74, 96, 97/98, 121/122, 145/146. 2400 and 4800 are
// always included.
RateMask ratesFromModulationList(const std::string &line);
// The rates a DIS offers (octet 2). 2400 and 4800 are always included; V.33
// counts for its V.29 and V.27 ter part only.
RateMask ratesFromDis(uint8_t octet2);
// DIS bit-rate field a receiver with these own rates offers when it wants at
// most desiredBps, and the rates that field covers (of the own ones).
// V.17 is offered from 12000 on (it cannot be offered without 14400).
uint8_t disRateField(RateMask own, int desiredBps, RateMask *offered = nullptr);
// The rate of a DCS bit-rate field; -1 for V.33 and reserved codes.
int rateFromDcs(uint8_t octet2);

// Highest rate in own and remote not above desiredBps; -1 when none.
int chooseRate(RateMask own, RateMask remote, int desiredBps);
// The next rate after current (slower, or the same bit rate on an older
// modulation) in own and remote; -1 when none is left.
int lowerRate(int current, RateMask own, RateMask remote);

// What a DIS offers or a DCS sets, beyond the bit rate.
struct FrameParams {
    bool receiveFax = false; // bit 10
    bool fine = false;
    bool wide = false;       // DIS: 2048 pels (or more) accepted; DCS: 2048 in use
    uint8_t length = kLengthA4; // DIS: kLengthA4, kDisLengthB4 or kLengthUnlimited
    int scanCode = 0;
    RateMask rates = 0;      // DIS: every rate offered; DCS: the one in use
    int rate = -1;           // DCS: the rate in use
};
// From the information bytes of a DIS or DCS; a field shorter than three
// octets has no capabilities (receiveFax false, no rates).
FrameParams parseDIS(const std::vector<uint8_t> &info);
FrameParams parseDCS(const std::vector<uint8_t> &info);

// Three-octet DIS: receive capability, fine resolution, the bit-rate field,
// 1728 and 2048 pels, unlimited length, no minimum scan-line time.
std::vector<uint8_t> disInfo(uint8_t rateField);
// Three-octet DCS for a rate, resolution, scan-time code and page width,
// claiming only what the DIS offered: the longest length it accepts and
// 2048 pels only for a wide page it accepts.
std::vector<uint8_t> dcsInfo(int rate, bool fine, int scanCode, bool wide, const FrameParams &dis);

} // namespace qln::fax::t30
