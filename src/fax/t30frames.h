// T.30 control frames as a Class 1 fax modem carries them, plus the
// scan-time and training-check rules of Class 1 sessions. The rates and the
// DIS/DCS information bytes are in t30capabilities.h.
//
// Builders return the bytes to write after "AT+FTH=3" has connected: 0xFF,
// the control byte (0x13 final, 0x03 not final), the FCF, the information
// bytes, then DLE ETX. The frame collector takes the bytes a modem delivers
// after "AT+FRH=3" answered CONNECT.
//
// Threading: pure functions and value types; a collector belongs to one
// session.
#pragma once

#include "fax/t30capabilities.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qln::fax::t30 {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t DLE = 0x10;
constexpr uint8_t ETX = 0x03;

// Frame control fields with the X bit (the lowest bit) clear. The X bit is
// set in every frame of the station that received a valid DIS (here the
// sender: see withX) and clear in the other station's frames; a receiver of
// a frame compares Frame::kind(), the FCF with the X bit cleared.
constexpr uint8_t fcfDIS = 0x80; // digital identification signal (receiver's capabilities)
constexpr uint8_t fcfCSI = 0x40; // called subscriber identification
constexpr uint8_t fcfNSF = 0x20; // non-standard facilities (ignored)
constexpr uint8_t fcfDCS = 0x82; // digital command signal (sender's choice)
constexpr uint8_t fcfTSI = 0x42; // transmitting subscriber identification
constexpr uint8_t fcfNSS = 0x22; // non-standard set-up (ignored)
constexpr uint8_t fcfCFR = 0x84; // confirmation to receive
constexpr uint8_t fcfFTT = 0x44; // failure to train
constexpr uint8_t fcfEOM = 0x8E; // end of message (back to phase B)
constexpr uint8_t fcfMPS = 0x4E; // multi-page signal
constexpr uint8_t fcfEOP = 0x2E; // end of procedure
constexpr uint8_t fcfMCF = 0x8C; // message confirmation (page good)
constexpr uint8_t fcfRTP = 0xCC; // retrain positive (page good, retrain)
constexpr uint8_t fcfRTN = 0x4C; // retrain negative (page bad, retrain)
constexpr uint8_t fcfPIP = 0xAC; // procedure interrupt positive
constexpr uint8_t fcfPIN = 0x2C; // procedure interrupt negative
constexpr uint8_t fcfDCN = 0xFA; // disconnect
constexpr uint8_t fcfCRP = 0x1A; // command repeat (the last command arrived damaged)
constexpr uint8_t kXBit = 0x01;
constexpr uint8_t withX(uint8_t fcf) { return static_cast<uint8_t>(fcf | kXBit); }

// Minimum scan-line time in ms by scan-time code 0..7 and resolution.
int scanTimeMs(int scanCode, bool fine);
// Minimum bytes per coded scan line.
int minBytesPerLine(int scanCode, bool fine, int bps);
// Training check length in zero bytes (1728 at 9600, at most 8192).
int tcfLength(int bps);

Bytes buildFrame(uint8_t fcf, const Bytes &info, bool final);
// The 20 identification bytes: the identification from its last character
// to its first, then blanks for the remaining length (T.30's order).
Bytes idInfo(const std::string &stationId);
Bytes buildIdFrame(uint8_t fcf, const std::string &stationId, bool final);
// DIS and DCS frames from their information bytes (t30capabilities.h).
Bytes buildDIS(const Bytes &info, bool final = true);
Bytes buildDCS(const Bytes &info, bool final = true);

// Remote identification from the information bytes of CSI/TSI, with
// bytes that are not printable as blanks. Blanks are stripped on both
// sides, so a peer that fills before the number reads as well as one that
// fills after it.
std::string parseIdInfo(const Bytes &info);

// The longest frame taken: an ECM frame (address, control, FCF, frame
// number and 256 octets of page data) with room to spare. A frame that runs
// on past it without its end (flags or 0xFF for ever) is cut off.
constexpr std::size_t kMaxFrameBytes = 300;

// One received frame.
struct Frame {
    uint8_t control = 0;
    uint8_t fcf = 0;
    Bytes info;
    bool cut = false; // ran past kMaxFrameBytes: damaged, its bytes dropped
    bool final() const { return (control & 0x10) != 0; }
    // FCF with the X bit cleared.
    uint8_t kind() const { return fcf & 0xFE; }
};

// Collects one frame from modem bytes: bytes before 0xFF are dropped, a
// doubled DLE stands for one 0x10, DLE ETX ends the frame.
class FrameCollector {
public:
    void reset();
    // Returns true when the byte completed a frame, or cut one off that grew
    // past kMaxFrameBytes (Frame::cut).
    bool feed(uint8_t b);
    const Frame &frame() const { return frame_; }

private:
    bool cutIfTooLong();

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
