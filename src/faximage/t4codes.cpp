#include "faximage/t4codes.h"

namespace qln::fax {

// Patterns written as in ITU-T T.4 tables 2 and 3.
const T4Code kWhiteTerminating[64] = {
    {0x35, 8}, {0x07, 6}, {0x07, 4}, {0x08, 4}, {0x0B, 4}, {0x0C, 4}, {0x0E, 4}, {0x0F, 4},
    {0x13, 5}, {0x14, 5}, {0x07, 5}, {0x08, 5}, {0x08, 6}, {0x03, 6}, {0x34, 6}, {0x35, 6},
    {0x2A, 6}, {0x2B, 6}, {0x27, 7}, {0x0C, 7}, {0x08, 7}, {0x17, 7}, {0x03, 7}, {0x04, 7},
    {0x28, 7}, {0x2B, 7}, {0x13, 7}, {0x24, 7}, {0x18, 7}, {0x02, 8}, {0x03, 8}, {0x1A, 8},
    {0x1B, 8}, {0x12, 8}, {0x13, 8}, {0x14, 8}, {0x15, 8}, {0x16, 8}, {0x17, 8}, {0x28, 8},
    {0x29, 8}, {0x2A, 8}, {0x2B, 8}, {0x2C, 8}, {0x2D, 8}, {0x04, 8}, {0x05, 8}, {0x0A, 8},
    {0x0B, 8}, {0x52, 8}, {0x53, 8}, {0x54, 8}, {0x55, 8}, {0x24, 8}, {0x25, 8}, {0x58, 8},
    {0x59, 8}, {0x5A, 8}, {0x5B, 8}, {0x4A, 8}, {0x4B, 8}, {0x32, 8}, {0x33, 8}, {0x34, 8},
};

const T4Code kBlackTerminating[64] = {
    {0x37, 10}, {0x02, 3},  {0x03, 2},  {0x02, 2},  {0x03, 3},  {0x03, 4},  {0x02, 4},  {0x03, 5},
    {0x05, 6},  {0x04, 6},  {0x04, 7},  {0x05, 7},  {0x07, 7},  {0x04, 8},  {0x07, 8},  {0x18, 9},
    {0x17, 10}, {0x18, 10}, {0x08, 10}, {0x67, 11}, {0x68, 11}, {0x6C, 11}, {0x37, 11}, {0x28, 11},
    {0x17, 11}, {0x18, 11}, {0xCA, 12}, {0xCB, 12}, {0xCC, 12}, {0xCD, 12}, {0x68, 12}, {0x69, 12},
    {0x6A, 12}, {0x6B, 12}, {0xD2, 12}, {0xD3, 12}, {0xD4, 12}, {0xD5, 12}, {0xD6, 12}, {0xD7, 12},
    {0x6C, 12}, {0x6D, 12}, {0xDA, 12}, {0xDB, 12}, {0x54, 12}, {0x55, 12}, {0x56, 12}, {0x57, 12},
    {0x64, 12}, {0x65, 12}, {0x52, 12}, {0x53, 12}, {0x24, 12}, {0x37, 12}, {0x38, 12}, {0x27, 12},
    {0x28, 12}, {0x58, 12}, {0x59, 12}, {0x2B, 12}, {0x2C, 12}, {0x5A, 12}, {0x66, 12}, {0x67, 12},
};

const T4Code kWhiteMakeup[27] = {
    {0x1B, 5},  {0x12, 5},  {0x17, 6},  {0x37, 7},  {0x36, 8},  {0x37, 8},  {0x64, 8},
    {0x65, 8},  {0x68, 8},  {0x67, 8},  {0xCC, 9},  {0xCD, 9},  {0xD2, 9},  {0xD3, 9},
    {0xD4, 9},  {0xD5, 9},  {0xD6, 9},  {0xD7, 9},  {0xD8, 9},  {0xD9, 9},  {0xDA, 9},
    {0xDB, 9},  {0x98, 9},  {0x99, 9},  {0x9A, 9},  {0x18, 6},  {0x9B, 9},
};

const T4Code kBlackMakeup[27] = {
    {0x0F, 10}, {0xC8, 12}, {0xC9, 12}, {0x5B, 12}, {0x33, 12}, {0x34, 12}, {0x35, 12},
    {0x6C, 13}, {0x6D, 13}, {0x4A, 13}, {0x4B, 13}, {0x4C, 13}, {0x4D, 13}, {0x72, 13},
    {0x73, 13}, {0x74, 13}, {0x75, 13}, {0x76, 13}, {0x77, 13}, {0x52, 13}, {0x53, 13},
    {0x54, 13}, {0x55, 13}, {0x5A, 13}, {0x5B, 13}, {0x64, 13}, {0x65, 13},
};

const T4Code kExtendedMakeup[13] = {
    {0x08, 11}, {0x0C, 11}, {0x0D, 11}, {0x12, 12}, {0x13, 12}, {0x14, 12}, {0x15, 12},
    {0x16, 12}, {0x17, 12}, {0x1C, 12}, {0x1D, 12}, {0x1E, 12}, {0x1F, 12},
};

uint32_t reverseBits(uint32_t v, unsigned len)
{
    uint32_t r = 0;
    for (unsigned i = 0; i < len; ++i)
        r |= ((v >> i) & 1u) << (len - 1 - i);
    return r;
}

namespace {

T4RevCode rev(const T4Code &c)
{
    return {reverseBits(c.code, c.bits), c.bits};
}

T4ReversedTables build()
{
    T4ReversedTables t{};
    for (int i = 0; i < 64; ++i) {
        t.terminating[0][i] = rev(kWhiteTerminating[i]);
        t.terminating[1][i] = rev(kBlackTerminating[i]);
    }
    for (int i = 0; i < 27; ++i) {
        t.makeup[0][i] = rev(kWhiteMakeup[i]);
        t.makeup[1][i] = rev(kBlackMakeup[i]);
    }
    for (int i = 0; i < 13; ++i)
        t.makeup[0][27 + i] = t.makeup[1][27 + i] = rev(kExtendedMakeup[i]);
    // Index 40 (2624) does not exist; keep it equal to 2560 so lookups of
    // the largest make-up stay in range.
    t.makeup[0][40] = t.makeup[0][39];
    t.makeup[1][40] = t.makeup[1][39];
    t.eol = rev(kEolCode);
    t.lineStart = {reverseBits(0x0001, 16), 16};
    return t;
}

void addLookup(uint16_t *table, const T4Code &c, unsigned run)
{
    const uint32_t rev = reverseBits(c.code, c.bits);
    const uint16_t entry = uint16_t((unsigned(c.bits) << 12) | run);
    for (uint32_t high = 0; high < ((1u << kT4LookupBits) >> c.bits); ++high)
        table[rev | (high << c.bits)] = entry;
}

T4RunLookup buildLookup()
{
    T4RunLookup d{};
    for (int c = 0; c < 2; ++c) {
        uint16_t *t = d.t[c];
        const T4Code *term = c ? kBlackTerminating : kWhiteTerminating;
        const T4Code *makeup = c ? kBlackMakeup : kWhiteMakeup;
        for (unsigned i = 0; i < (1u << kT4LookupBits); ++i)
            t[i] = uint16_t((kT4LookupBits << 12) | kT4Bad);
        for (unsigned r = 0; r < 64; ++r)
            addLookup(t, term[r], r);
        for (unsigned i = 0; i < 27; ++i)
            addLookup(t, makeup[i], 64 * (i + 1));
        for (unsigned i = 0; i < 13; ++i)
            addLookup(t, kExtendedMakeup[i], 1792 + 64 * i);
        for (unsigned high = 0; high < ((1u << kT4LookupBits) >> 11); ++high)
            t[high << 11] = uint16_t((11u << 12) | kT4Fill);
    }
    return d;
}

constexpr uint32_t pairEntry(unsigned run1, unsigned len1, unsigned run2, unsigned len2)
{
    return (len1 + len2) | (len1 << 6) | (run1 << 10) | (run2 << 22) | (len2 ? kT4PairTwo : 0);
}

T4PairLookup buildPairs(const T4RunLookup &runs)
{
    // A code is known from the low kT4PairBits bits when it is no longer
    // than that: the 13-bit table gives the same entry whatever the bits
    // above.
    T4PairLookup d{};
    for (int c = 0; c < 2; ++c) {
        for (unsigned i = 0; i < (1u << kT4PairBits); ++i) {
            const unsigned e1 = runs.t[c][i];
            const unsigned run1 = e1 & 0xFFF, len1 = e1 >> 12;
            if (run1 >= kT4Bad || len1 > kT4PairBits) {
                d.t[c][i] = pairEntry(kT4PairLong, 0, 0, 0);
                continue;
            }
            uint32_t entry = pairEntry(run1, len1, 0, 0);
            if (run1 < 64) {
                const unsigned e2 = runs.t[c ^ 1][i >> len1];
                const unsigned run2 = e2 & 0xFFF, len2 = e2 >> 12;
                if (run2 < 64 && len2 <= kT4PairBits - len1)
                    entry = pairEntry(run1, len1, run2, len2);
            }
            d.t[c][i] = entry;
        }
    }
    return d;
}

} // namespace

const T4ReversedTables &t4Reversed()
{
    static const T4ReversedTables tables = build();
    return tables;
}

const T4RunLookup &t4RunLookup()
{
    static const T4RunLookup tables = buildLookup();
    return tables;
}

const T4PairLookup &t4PairLookup()
{
    static const T4PairLookup tables = buildPairs(t4RunLookup());
    return tables;
}

} // namespace qln::fax
