// Ordered dither used when a colour bitmap is turned into fax black and
// white: a pixel becomes black when R + G + B lies below the threshold of its
// position.
//
// threshold(x, y) = 10 * d(x mod 32, y mod 32), where d is built from the
// lowest four bits of a = x and b = y in four steps, lowest bit first:
// d := 2d | 2((a ^ b) & 1) | (b & 1), then a and b shift right by one.
// The thresholds therefore repeat every 16 pixels and lie in 0..310.
//
// Thread-safe: constant table built at compile time.
#pragma once

#include <array>
#include <cstdint>

namespace qln::fax {

constexpr int ditherCell(int a, int b)
{
    int d = 0;
    for (int i = 0; i < 4; ++i) {
        d = (2 * d) | (2 * ((a ^ b) & 1)) | (b & 1);
        a >>= 1;
        b >>= 1;
    }
    return d;
}

struct DitherTable {
    std::array<std::array<uint16_t, 32>, 32> t{}; // [y][x]
    constexpr DitherTable()
    {
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                t[y][x] = uint16_t(10 * ditherCell(x, y));
    }
};

inline constexpr DitherTable kDitherTable{};

inline int ditherThreshold(int x, int y)
{
    return kDitherTable.t[y & 31][x & 31];
}

// True when a pixel of colour sum r + g + b at (x, y) prints black.
inline bool ditherBlack(int rgbSum, int x, int y)
{
    return rgbSum < ditherThreshold(x, y);
}

} // namespace qln::fax
