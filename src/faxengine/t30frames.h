// T.30 control frames as a Class 1 fax modem carries them, plus the speed,
// scan-time and training-check rules of Class 1 sessions.
//
// Builders return the bytes to write after "AT+FTH=3" has connected: 0xFF,
// the control byte (0x13 final, 0x03 not final), the FCF, the information
// bytes, then DLE ETX. The frame collector takes the bytes a modem delivers
// after "AT+FRH=3" answered CONNECT.
//
// Threading: pure functions and value types; a collector belongs to one
// session.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qln::fax::t30 {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t DLE = 0x10;
constexpr uint8_t ETX = 0x03;

// Frame control fields as sent (the lowest bit is the T.30 X bit, which a
// receiver ignores).
constexpr uint8_t fcfCSI = 0x40; // called subscriber identification
constexpr uint8_t fcfTSI = 0x43; // transmitting subscriber identification
constexpr uint8_t fcfDIS = 0x80; // digital identification signal (receiver)
constexpr uint8_t fcfDCS = 0x83; // digital command signal (sender's choice)
constexpr uint8_t fcfCFR = 0x84; // confirmation to receive
constexpr uint8_t fcfFTT = 0x44; // failure to train
constexpr uint8_t fcfMCF = 0x8C; // message confirmation (page good)
constexpr uint8_t fcfRTN = 0x4C; // retrain negative (page bad)
constexpr uint8_t fcfRTP = 0xCC; // retrain positive (page good, retrain)
constexpr uint8_t fcfMPS = 0x4F; // multi-page signal
constexpr uint8_t fcfEOM = 0x8F; // end of message
constexpr uint8_t fcfEOP = 0x2F; // end of procedure
constexpr uint8_t fcfDCN = 0xFB; // disconnect

constexpr int kMinSpeedIndex = 1; // 2400
constexpr int kMaxSpeedIndex = 6; // 14400

// Speed table, index 1..6.
int speedBps(int index);
// Modulation code for the training check and for pages after MCF.
std::string tcfModulation(int index);
// Modulation code for the first page after CFR.
std::string pageModulation(int index);
// Index of a speed in bps, 0 when it is not in the table.
int speedIndexOf(int bps);

// A set of speed indices as bits (bit i = index i).
using SpeedMask = unsigned;
constexpr SpeedMask speedBit(int index) { return 1u << index; }
constexpr SpeedMask kBaseSpeeds = speedBit(1) | speedBit(2); // always available

// Own modem speeds from a "+FTM=?"/"+FRM=?" reply line (one containing ",").
SpeedMask parseModulationList(const std::string &line);
// Highest index in own and remote not above desiredBps; 0 when none.
int chooseSpeed(SpeedMask own, SpeedMask remote, int desiredBps);
// Next lower index in both sets; 0 when none is left.
int lowerSpeed(int current, SpeedMask own, SpeedMask remote);

// Minimum scan-line time in ms by scan-time code 0..7 and resolution.
int scanTimeMs(int scanCode, bool fine);
// Minimum bytes per coded scan line.
int minBytesPerLine(int scanCode, bool fine, int bps);
// Training check length in zero bytes (1728 at 9600, at most 8192).
int tcfLength(int bps);

Bytes buildFrame(uint8_t fcf, const Bytes &info, bool final);
// The 20 identification bytes: blanks for the remaining length, then the
// identification from its last character to its first.
Bytes idInfo(const std::string &stationId);
Bytes buildIdFrame(uint8_t fcf, const std::string &stationId, bool final);
// DIS offering fine resolution and the speeds of index.
Bytes buildDIS(int speedIndex, bool final = true);
Bytes buildDCS(int speedIndex, bool fine, int scanCode, bool wide, bool final = true);

// What a DIS or DCS says.
struct FrameParams {
    SpeedMask speeds = 0; // DIS: every speed offered; DCS: the one chosen
    int speedIndex = 0;   // DCS: the chosen index
    bool fine = false;
    bool wide = false;
    int scanCode = 0;
};
FrameParams parseDIS(uint8_t b2, uint8_t b3);
FrameParams parseDCS(uint8_t b2, uint8_t b3);

// Remote identification from the information bytes of CSI/TSI.
std::string parseIdInfo(const Bytes &info);

// One received frame.
struct Frame {
    uint8_t control = 0;
    uint8_t fcf = 0;
    Bytes info;
    bool final() const { return (control & 0x10) != 0; }
    // FCF with the X bit cleared.
    uint8_t kind() const { return fcf & 0xFE; }
};

// Collects one frame from modem bytes: bytes before 0xFF are dropped, a
// doubled DLE stands for one 0x10, DLE ETX ends the frame.
class FrameCollector {
public:
    void reset();
    // Returns true when the byte completed a frame.
    bool feed(uint8_t b);
    const Frame &frame() const { return frame_; }

private:
    Bytes raw_;
    bool started_ = false;
    bool dle_ = false;
    Frame frame_;
};

// Training check reception: counts every byte and every non-zero byte, the
// closing DLE and ETX included, until DLE ETX.
class TcfChecker {
public:
    void reset();
    // Returns true when DLE ETX arrived.
    bool feed(uint8_t b);
    bool good() const;
    int total() const { return total_; }
    int nonZero() const { return nonZero_; }

private:
    int total_ = 0;
    int nonZero_ = 0;
    bool dle_ = false;
};

} // namespace qln::fax::t30
