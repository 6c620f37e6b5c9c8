// G3LineEncoder: codes raster lines into the one-dimensional T.4 code stream
// of APF files, one line at a time.
//
// A coded line is: the 16-bit line start (four fill bits and an EOL, bytes
// 0x00 0x80), the line's runs (white first; make-up code for the largest
// multiple of 64 not above a run of 64 or more, then the terminating code for
// the remainder), then a tail: the byte holding the next free bit and one
// further 0 byte. codedLength() is therefore the index of the byte holding the
// next free bit plus 2. Bits are packed least significant first, using code
// tables reversed once at start-up. encodeRaster() codes a byte at a time:
// a table built once gives, for each byte value and colour, the codes of the
// runs that begin and end inside the byte, so a busy line costs one table
// look-up per byte rather than one per run.
//
// Raster lines are 1 bit per pixel, 1 = black, most significant bit first.
//
// Not thread-safe: one encoder per thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "faximage/t4codes.h"

namespace qln::fax {

class G3LineEncoder {
public:
    static constexpr std::size_t kBufferSize = 4096;
    static constexpr std::size_t kEndOfPageLength = 12;
    // Widest line the encoder codes; wider requests are cut to it.
    static constexpr int kMaxWidth = 4096;

    G3LineEncoder();

    // Starts a line: empties the buffer and puts the line start.
    void beginLine();
    // Puts one code at the coding position.
    void putCode(const T4RevCode &code);
    // Puts a run of the given colour with the make-up / terminating rule.
    void putRun(int run, bool black);
    // A whole blank line: line start and one white run of `width` pixels.
    // With width 1728 this gives the six bytes 00 80 B2 59 01 00.
    void putBlankLine(int width);
    // Codes a raster line of `width` pixels without margin: line start, then
    // one white run when every byte is 0, else the line's runs. `line` must
    // hold (width + 7) / 8 bytes; pixels past `width` are not coded.
    // Returns codedLength().
    std::size_t encodeRaster(const uint8_t *line, int width);

    // Byte index and bit index of the next free bit.
    std::size_t byteIndex() const { return pos_ + nacc_ / 8; }
    unsigned bitIndex() const { return nacc_ % 8; }
    std::size_t codedLength() const { return byteIndex() + 2; }
    // The coded bytes (codedLength() of them are the line).
    const uint8_t *data();

    // The twelve end-of-page bytes: line start then six EOLs, cut after
    // twelve whole bytes (00 80 00 08 80 00 08 80 00 08 80 00).
    static void endOfPageLine(uint8_t out[kEndOfPageLength]);
    // Position of the first pixel at or after `pos` (below `end`) whose colour
    // differs from `black`; `end` when there is none.
    static int findChange(const uint8_t *line, int pos, int end, bool black);

private:
    void store();

    const T4ReversedTables &codes_;
    // Room for the largest line plus the 8-byte stores past its end.
    uint8_t buf_[kBufferSize + 16];
    uint8_t raster_[kMaxWidth / 8 + 16]; // padded copy of the line being coded
    uint32_t packedTerm_[2][64];          // terminating codes: bits | length << 24
    std::size_t pos_ = 0; // bytes stored from the accumulator
    uint64_t acc_ = 0;    // bits not stored yet, first bit lowest
    unsigned nacc_ = 0;   // number of bits in acc_ (< 32 between puts)
};

} // namespace qln::fax
