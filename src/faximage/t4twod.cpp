#include "faximage/t4twod.h"

#include <cstring>

#include "faximage/t4bits.h"
#include "faximage/t4codes.h"

namespace qln::fax {

const char *faxCodingName(FaxCoding c)
{
    switch (c) {
    case FaxCoding::MR:
        return "MR";
    case FaxCoding::MMR:
        return "MMR";
    case FaxCoding::MH:
        break;
    }
    return "MH";
}

namespace {

// Mode codes as written in ITU-T T.4 table 4 (first bit most significant).
struct ModeCode {
    TwoDimMode mode;
    uint8_t code;
    uint8_t bits;
};

constexpr ModeCode kModeCodes[] = {
    {TwoDimMode::Pass, 0x1, 4},      // 0001
    {TwoDimMode::Horizontal, 0x1, 3}, // 001
    {TwoDimMode::V0, 0x1, 1},        // 1
    {TwoDimMode::VR1, 0x3, 3},       // 011
    {TwoDimMode::VR2, 0x3, 6},       // 000011
    {TwoDimMode::VR3, 0x3, 7},       // 0000011
    {TwoDimMode::VL1, 0x2, 3},       // 010
    {TwoDimMode::VL2, 0x2, 6},       // 000010
    {TwoDimMode::VL3, 0x2, 7},       // 0000010
    {TwoDimMode::Extension, 0x1, 7}, // 0000001, three more bits follow
    {TwoDimMode::Zeros, 0x0, 7},     // 0000000
};

struct ModeTables {
    TwoDimCode codes[9];
    uint8_t lookup[1u << kModeLookupBits];
};

ModeTables buildModeTables()
{
    ModeTables t{};
    for (const ModeCode &m : kModeCodes) {
        const uint32_t rev = reverseBits(m.code, m.bits);
        if (unsigned(m.mode) < 9)
            t.codes[unsigned(m.mode)] = {rev, m.bits};
        for (uint32_t high = 0; high < ((1u << kModeLookupBits) >> m.bits); ++high)
            t.lookup[rev | (high << m.bits)] = uint8_t(unsigned(m.mode) | (unsigned(m.bits) << 4));
    }
    return t;
}

const ModeTables &modeTables()
{
    static const ModeTables t = buildModeTables();
    return t;
}

constexpr uint64_t kTop = uint64_t(1) << 63;

// Appends the changes marked in t (bit 63 - k set: a change at base + k).
inline int takeChanges(uint64_t t, int base, uint16_t *changes, int n)
{
    while (t) {
        const int k = __builtin_clzll(t);
        changes[n++] = uint16_t(base + k);
        t ^= kTop >> k;
    }
    return n;
}

} // namespace

const TwoDimCode *twoDimCodes()
{
    return modeTables().codes;
}

const TwoDimCode &verticalCode(int delta)
{
    static constexpr TwoDimMode byDelta[7] = {TwoDimMode::VL3, TwoDimMode::VL2, TwoDimMode::VL1, TwoDimMode::V0,
                                              TwoDimMode::VR1, TwoDimMode::VR2, TwoDimMode::VR3};
    return modeTables().codes[unsigned(byDelta[delta + 3])];
}

const uint8_t *twoDimModeLookup()
{
    return modeTables().lookup;
}

int rasterToChanges(const uint8_t *line, int width, uint16_t *changes)
{
    // A pixel is a change when it differs from the one before it (the pixel
    // before the line counts as white): the set bits of v ^ (v >> 1), with
    // the last pixel of the word before shifted in at the top.
    int n = 0;
    uint64_t prev = 0;
    const int full = width / 64;
    for (int w = 0; w < full; ++w) {
        const uint64_t v = load64be(line + 8 * w);
        const uint64_t t = v ^ ((v >> 1) | (prev << 63));
        prev = v & 1;
        if (t)
            n = takeChanges(t, 64 * w, changes, n);
    }
    const int rest = width - 64 * full;
    if (rest > 0) {
        uint64_t v = 0;
        for (int b = 0; b < (rest + 7) / 8; ++b)
            v |= uint64_t(line[8 * full + b]) << (56 - 8 * b);
        const uint64_t t = (v ^ ((v >> 1) | (prev << 63))) & (~uint64_t(0) << (64 - rest));
        n = takeChanges(t, 64 * full, changes, n);
    }
    for (int s = 0; s < kChangeSentinels; ++s)
        changes[n + s] = uint16_t(width);
    return n;
}

void changesToRaster(const uint16_t *changes, int n, int width, uint8_t *line, uint64_t *flips)
{
    // Each change flips the colour from its pixel on: mark the flips; a
    // running XOR over the marks gives the pixels, so a run costs one bit
    // whatever its length.
    const int words = (width + 63) / 64;
    std::memset(flips, 0, std::size_t(words + 1) * sizeof(uint64_t));
    // The marks of one word gather in a register (changes are in order), so
    // the stores do not wait on one another.
    unsigned word = 0;
    uint64_t bits = 0;
    for (int i = 0; i < n; ++i) {
        const unsigned w = changes[i] >> 6;
        if (w != word) {
            flips[word] = bits;
            word = w;
            bits = 0;
        }
        bits |= kTop >> (changes[i] & 63);
    }
    flips[word] = bits;
    if (n & 1) // the line ends black: back to white past its end
        flips[width >> 6] ^= kTop >> (width & 63);
    flipsToRaster(flips, unsigned(words), line);
}

} // namespace qln::fax
