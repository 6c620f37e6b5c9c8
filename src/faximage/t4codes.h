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

// Pair look-up for decoders: per colour 1024 entries indexed by the next 10
// bits. Where a terminating code of the colour and then a terminating code
// of the other colour both lie within those bits (a dense picture is mostly
// such pairs of short runs), the entry holds both. Entry: bits 0-5 the
// number of bits taken (both codes when it holds two), 6-9 the first code's
// length, 10-21 its run, 22-27 the second code's run, bit 28 set when there
// is a second code. kT4PairLong in the run field: the code is longer than
// 10 bits or no code (see the 13-bit table). The bits taken come first so
// that the shift of a bit buffer by them needs no more than a mask.
inline constexpr unsigned kT4PairBits = 10;
inline constexpr uint32_t kT4PairLong = 0xFFF;
inline constexpr uint32_t kT4PairTwo = 1u << 28;
struct T4PairLookup {
    uint32_t t[2][1u << kT4PairBits];
};
const T4PairLookup &t4PairLookup();

// Reverses the low `len` bits of `v`.
uint32_t reverseBits(uint32_t v, unsigned len);

} // namespace qln::fax
