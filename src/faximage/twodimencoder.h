// TwoDimEncoder: codes raster lines into a T.4 two-dimensional (MR) or a
// T.6 (MMR) code stream, one line at a time, appending the coded bytes to a
// sink. Only the line before (as a change list) is kept.
//
// MR: each line begins with an EOL and a tag bit: EOL+1 for a line coded
// one-dimensionally (the first line of a page and then every K-th), EOL+0
// for a line coded two-dimensionally against the one before it. The page
// ends with RTC of the 2-D form, six EOL+1. Options: fill (0 bits before an
// EOL) so that each coded line, from its EOL to the next, takes at least a
// given number of bits (the minimum scan line time of a Class 1 link), and
// fill so that every EOL ends on a byte boundary.
//
// MMR: every line is coded two-dimensionally, the first against an all-white
// line; there are no EOLs and no fill. The page ends with EOFB (two EOLs).
//
// Pass, horizontal and vertical modes are chosen as T.4 4.2.1.3 and T.6 lay
// down, so the stream is the one any conforming coder makes of the page.
// Bits are packed least significant bit first, like the APF code stream; the
// last byte of a page is filled with 0 bits. Whole bytes go to the sink as
// each line is done; the bits of a byte not yet full wait for the next line.
//
// Raster lines are 1 bit per pixel, 1 = black, most significant bit first,
// (width + 7) / 8 bytes; pixels past the width are not looked at.
//
// Not thread-safe: one encoder per thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "faximage/t4twod.h"

namespace qln::fax {

struct TwoDimOptions {
    // MR: a one-dimensional line, then at most K - 1 two-dimensional ones.
    // kFactorFor() gives T.4's values; any K of 1 or more is taken.
    int k = 2;
    // MR: each coded line (EOL, tag, data and fill) takes at least this many
    // bits; 0 for none.
    int minLineBits = 0;
    // MR: fill so that each EOL ends on a byte boundary (then every line's
    // tag bit is the first bit of a byte).
    bool alignEol = false;
};

class TwoDimEncoder {
public:
    // `coding` is MR or MMR; MH gives plain MH lines (EOL without tag bits,
    // RTC of six EOLs) with the same fill options. `width` is clamped to
    // 1..kMaxTwoDimWidth.
    TwoDimEncoder(FaxCoding coding, int width, ByteSink sink, const TwoDimOptions &options = {});

    // Starts a new page: the next line is the page's first.
    void beginPage();
    // Codes one raster line.
    void encodeLine(const uint8_t *line);
    // Ends the page: RTC (MR) or EOFB (MMR), then the last byte filled with
    // 0 bits; everything goes to the sink. beginPage() is implied after it.
    void endPage();

    int width() const { return width_; }
    FaxCoding coding() const { return coding_; }
    uint32_t linesCoded() const { return lines_; }
    // Bytes handed to the sink since the page began.
    uint64_t bytesOut() const { return bytesOut_; }

private:
    void put(uint32_t bits, unsigned len);
    void putRun(int run, int colour);
    void putFill(unsigned bits);
    void putEol(bool oneDim);
    void code1D(const uint16_t *cur, int n);
    void code2D(const uint16_t *cur, const uint16_t *ref);
    void flushWhole();

    FaxCoding coding_;
    int width_;
    ByteSink sink_;
    TwoDimOptions options_;
    std::vector<uint16_t> changes_[2]; // this line's and the reference line's
    int refIndex_ = 1;
    uint32_t lines_ = 0;
    uint64_t bytesOut_ = 0;
    // Bit writer: whole bytes collect in buf_ until the line is done; acc_
    // holds the bits not yet in a whole byte (fewer than 8 between puts).
    std::vector<uint8_t> buf_;
    std::size_t out_ = 0;
    uint64_t acc_ = 0;
    unsigned nacc_ = 0;
    uint64_t lineStartBit_ = 0; // bit position of the current line's EOL
};

} // namespace qln::fax
