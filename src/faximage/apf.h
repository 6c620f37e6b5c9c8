// APF fax file layout: the 64-byte file header, the 16-byte page header, the
// page flags and the packed DOS date, with conversion to and from the bytes on
// disk (all integers little-endian). The writer and reader classes are in
// apfwriter.h and apfreader.h; this header includes both.
//
// File layout: file header at offset 0; pages one after another from the
// offset the header names (64 as written), each a page header followed by its
// image length in bytes of coded data. Pages are found by walking.
//
// Plain value types; thread-safe as values are.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

namespace qln::fax {

inline constexpr std::array<uint8_t, 6> kApfSignature = {'A', 'P', 'F', '1', '0', 0x1A};
inline constexpr std::size_t kApfFileHeaderSize = 64;
inline constexpr std::size_t kApfPageHeaderSize = 16;
inline constexpr std::size_t kApfStationIdMax = 20;
// Longest coded line a framed page may hold after its length word.
inline constexpr std::size_t kApfMaxFramedLine = 4096;
// Most lines a page may hold: the converter writes no longer page, and the
// unpacker refuses one (a fax page of unlimited length ends well before).
inline constexpr int kApfMaxPageLines = 65536;

// Page flags.
inline constexpr uint16_t pfFine = 1;        // fine vertical resolution
inline constexpr uint16_t pfWide = 2;        // 2048 pixels per line (else 1728)
inline constexpr uint16_t pfLineLengths = 4; // framed lines: u16 length before each

inline constexpr int kNormalWidth = 1728;
inline constexpr int kWideWidth = 2048;
inline constexpr int kNormalLineBytes = kNormalWidth / 8; // 216
inline constexpr int kWideLineBytes = kWideWidth / 8;     // 256

struct ApfFileHeader {
    std::array<uint8_t, 6> signature = kApfSignature;
    uint32_t dateTime = 0;         // packed DOS date (high 16) and time (low 16)
    uint8_t stationIdLength = 0;   // 0..20
    std::array<char, 20> stationId{}; // character bytes, padding included
    uint16_t pageCount = 0;
    uint32_t firstPageOffset = kApfFileHeaderSize;

    bool hasSignature() const { return signature == kApfSignature; }
    // The station identifier text (length byte applied, at most 20 chars).
    std::string stationText() const;
    // Sets text (cut to 20 characters) and fills the rest with `pad`.
    void setStation(const std::string &text, char pad = ' ');

    void pack(uint8_t out[kApfFileHeaderSize]) const;
    static ApfFileHeader unpack(const uint8_t in[kApfFileHeaderSize]);
};

struct ApfPageHeader {
    uint32_t imageLength = 0; // coded bytes following this header
    uint16_t flags = 0;

    bool fine() const { return flags & pfFine; }
    bool wide() const { return flags & pfWide; }
    bool framed() const { return flags & pfLineLengths; }
    int width() const { return wide() ? kWideWidth : kNormalWidth; }

    void pack(uint8_t out[kApfPageHeaderSize]) const;
    static ApfPageHeader unpack(const uint8_t in[kApfPageHeaderSize]);
};

// Text from a file (a station identifier) made safe to print on one line:
// bytes 0x20..0x7E stay, except that a backslash and a double quote get a
// backslash before them; every other byte becomes \xNN. So a control byte
// can neither split a line nor drive a terminal, and the original bytes can
// be read back from the result.
std::string escapedText(const std::string &raw);

// Packs a local broken-down time into the DOS form; 0 when the year lies
// outside 1980..2099.
uint32_t packDosDateTime(const std::tm &local);
// The current local time, packed.
uint32_t dosDateTimeNow();
// Unpacks into a broken-down time (tm_year etc. as std::tm counts them).
std::tm unpackDosDateTime(uint32_t packed);

// Little-endian helpers shared by the file code.
inline uint16_t getU16(const uint8_t *p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t getU32(const uint8_t *p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void putU16(uint8_t *p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void putU32(uint8_t *p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

} // namespace qln::fax

#include "faximage/apfreader.h"
#include "faximage/apfwriter.h"
