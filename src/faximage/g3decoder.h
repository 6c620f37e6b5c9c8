// G3Decoder: decodes the one-dimensional T.4 code stream of an APF page into
// raster lines (1 bit per pixel, 1 = black, most significant bit first).
//
// The results are those of a bit-by-bit walk over one code tree per colour:
//  - any number of 0 bits (fill) followed by a 1 after at least eleven 0 bits
//    is one EOL;
//  - a 13-bit prefix that is no code counts one bad code; 1 bits after it
//    are skipped and the next 0 bit starts a new code;
//  - run codes are ignored until the page's first EOL;
//  - a white run advances the position, a black run sets its pixels; a run
//    that would carry the line past 4096 pixels is ignored and the colour
//    stays; after a terminating code (run below 64) the colour changes;
//  - on EOL a line holding at least one pixel whose length in whole bytes is
//    exactly 216 or 256 is handed on, any other is dropped; then the line is
//    cleared and the colour reset to white;
//  - EOLs in a row are counted (any run resets the count) and the third ends
//    the page.
// The walk is done with lookup tables, with the fill and bad-code states
// handled by bit scans: per colour a 1024-entry table indexed by the next 10
// bits gives the code there and, when it is a terminating code and the
// following terminating code of the other colour also lies within those 10
// bits, that code too (a dense picture is mostly such pairs of short runs);
// codes of more than 10 bits come from an 8192-entry table indexed by the
// next 13 bits. A line is collected as its colour changes: a bit marks each
// position where the colour flips, and at the EOL a running XOR over the
// marks gives the pixels, so a run costs one bit flip however long it is.
// Codes may straddle calls to feed().
//
// Not thread-safe: one decoder per thread (the tables are shared, read-only).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace qln::fax {

class G3Decoder {
public:
    static constexpr int kMaxLineBytes = 512;
    // Called for each complete line with its bytes (216 or 256).
    using LineSink = std::function<void(const uint8_t *line, int bytes)>;

    G3Decoder();
    explicit G3Decoder(LineSink sink);

    void setLineSink(LineSink sink) { sink_ = std::move(sink); }
    // Starts a new page: all state back to its start, counters to 0.
    void reset();
    // Decodes bytes. Returns the number of bytes taken: all of them unless
    // the page ended inside them (then up to and including the byte that
    // held the page's third EOL).
    std::size_t feed(const uint8_t *data, std::size_t len);

    bool pageEnded() const { return pageEnded_; }
    uint32_t badCodes() const { return badCodes_; }
    uint32_t lines() const { return lines_; }

private:
    enum class State : uint8_t { Code, Fill, SkipOnes };
    void onRun(unsigned run);
    void onEol();

    static constexpr int kFlipWords = kMaxLineBytes / 8 + 2;

    LineSink sink_;
    const uint16_t *tables_[2];
    const uint32_t *pairs_[2];
    uint8_t line_[kMaxLineBytes + 8];
    // Colour changes of the line so far: bit 63 - (x % 64) of word x / 64 is
    // set where the colour flips at pixel x. Words past the line are 0.
    uint64_t flips_[kFlipWords];
    unsigned bitPos_ = 0;
    int colour_ = 0; // 0 white, 1 black
    State state_ = State::Code;
    bool seenEol_ = false;
    bool pageEnded_ = false;
    int eolRun_ = 0;
    uint32_t badCodes_ = 0;
    uint32_t lines_ = 0;
    uint64_t acc_ = 0; // pending bits, first bit lowest; bits above nbits_ are 0
    unsigned nbits_ = 0;
};

} // namespace qln::fax
