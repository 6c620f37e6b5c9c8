// The one-dimensional modified Huffman code tables of ITU-T T.4 (Group 3):
// white and black terminating codes (runs 0..63), make-up codes (64..1728)
// and the extended make-up codes shared by both colours (1792..2560), plus
// the end-of-line code.
//
// Codes are stored as in the standard (first bit is the most significant of
// `bits` low bits). The APF code stream sends the first bit of a code in the
// least significant free bit of a byte, so coders use the bit-reversed forms,
// computed once (t4Reversed()).
//
// The tables are constant; t4Reversed() is thread-safe (built on first use).
#pragma once

#include <cstdint>

namespace qln::fax {

struct T4Code {
    uint16_t code; // bit pattern, first bit most significant
    uint8_t bits;  // length in bits (2..13)
};

extern const T4Code kWhiteTerminating[64];
extern const T4Code kBlackTerminating[64];
extern const T4Code kWhiteMakeup[27]; // runs 64, 128, ..., 1728
extern const T4Code kBlackMakeup[27];
extern const T4Code kExtendedMakeup[13]; // runs 1792, 1856, ..., 2560
inline constexpr T4Code kEolCode{0x001, 12};
// Longest run a single make-up code covers.
inline constexpr int kMaxMakeupRun = 2560;

// A code reversed for least-significant-bit-first packing.
struct T4RevCode {
    uint32_t bits; // reversed pattern in the low `len` bits
    uint32_t len;
};

struct T4ReversedTables {
    T4RevCode terminating[2][64]; // [0] white, [1] black
    T4RevCode makeup[2][41];      // index run/64 - 1: 64..1728 colour's own, 1792..2624 extended
    T4RevCode eol;                // 12-bit EOL
    T4RevCode lineStart;          // 16-bit line start: four fill bits and EOL
};

const T4ReversedTables &t4Reversed();

// Run-code look-up for decoders: per colour ([0] white, [1] black) 8192
// entries indexed by the next 13 bits of the stream (first bit lowest). An
// entry holds the number of bits taken in its high 4 bits and the run in its
// low 12 bits, or one of the two markers: kT4Fill for eleven 0 bits (fill or
// the start of an EOL; 11 bits taken) and kT4Bad for a 13-bit prefix that is
// no code (13 bits taken). Make-up codes give runs of 64 and more, the
// extended make-up codes are in both colours' tables.
inline constexpr unsigned kT4LookupBits = 13;
inline constexpr unsigned kT4Fill = 0xFFF;
inline constexpr unsigned kT4Bad = 0xFFE;
struct T4RunLookup {
    uint16_t t[2][1u << kT4LookupBits];
};
const T4RunLookup &t4RunLookup();

// Reverses the low `len` bits of `v`.
uint32_t reverseBits(uint32_t v, unsigned len);

} // namespace qln::fax
