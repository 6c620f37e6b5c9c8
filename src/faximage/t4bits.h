// Word-wide helpers of the fax coders: bit streams sent least significant
// bit first (bits are gathered in a 64-bit accumulator, first bit lowest),
// raster lines read most significant bit first, and the turning of colour
// change marks into pixels.
#pragma once

#include <cstdint>
#include <cstring>

namespace qln::fax {

// Stores 8 bytes, the lowest first.
inline void store64le(uint8_t *p, uint64_t v)
{
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    std::memcpy(p, &v, 8);
#else
    for (int i = 0; i < 8; ++i)
        p[i] = uint8_t(v >> (8 * i));
#endif
}

// Loads 8 bytes of a raster line: the first pixel in the top bit.
inline uint64_t load64be(const uint8_t *p)
{
    uint64_t v;
    std::memcpy(&v, p, 8);
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    return v;
}

// Tops up a decoder's accumulator with the whole bytes that fit, from one
// 8-byte load (8 bytes must be readable at p); bits of bytes not taken are
// masked off, so nothing above nbits is set.
inline void refill64(uint64_t &acc, unsigned &nbits, const uint8_t *&p)
{
    uint64_t v;
    std::memcpy(&v, p, 8);
#if __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    const unsigned take = (63 - nbits) >> 3;
    acc |= v << nbits;
    p += take;
    nbits += take * 8;
    acc &= (uint64_t(1) << nbits) - 1;
}

// Pixels from colour change marks: bit 63 - (x % 64) of flips[x / 64] is set
// where the colour flips at pixel x (the line starts white). Each word of
// pixels is the running XOR of its marks, inverted when the line is black at
// the end of the word before. Writes 8 * words bytes.
inline void flipsToRaster(const uint64_t *flips, unsigned words, uint8_t *line)
{
    uint64_t carry = 0;
    for (unsigned w = 0; w < words; ++w) {
        uint64_t x = flips[w];
        x ^= x >> 1;
        x ^= x >> 2;
        x ^= x >> 4;
        x ^= x >> 8;
        x ^= x >> 16;
        x ^= x >> 32;
        x ^= carry;
        carry = uint64_t(0) - (x & 1);
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        x = __builtin_bswap64(x);
#endif
        std::memcpy(line + 8 * w, &x, 8);
    }
}

} // namespace qln::fax
