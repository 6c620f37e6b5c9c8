// TwoDimDecoder: decodes a T.4 two-dimensional (MR) or T.6 (MMR) code
// stream, fed in pieces of any size, into raster lines of a given width
// (1 bit per pixel, 1 = black, most significant bit first). Only the line
// before is kept (as a change list), beside the line being decoded.
//
// MR: codes before the page's first EOL are ignored. After each EOL the tag
// bit says how the line is coded (1 one-dimensional, 0 against the line
// before). A line is handed on at the EOL that follows it, whole: its runs
// or modes must end exactly at the width, with nothing but fill before the
// EOL. A line that breaks these rules (a code that does not exist, a run or
// vertical mode past the width, an EOL before the line is complete, other
// bits after it) is damaged: it is handed on as a copy of the line before
// (white for the page's first line) and counted, the decoder skips to the
// next EOL and goes on from there, and a two-dimensional line after it is
// decoded against the copy. The page ends at the third EOL in a row (RTC is
// six; a line's own EOL counts as the first), as the MH decoder does.
//
// MMR: the first line is decoded against an all-white line; a line is
// handed on as soon as it is complete; EOFB (two EOLs where a line would
// begin) ends the page. A coding error ends the decodable part of the page:
// failed() is set, the line in progress is dropped and the rest of the data
// is ignored; rows() says how many lines came before it.
//
// Both: a zero-length run (horizontal mode, or a one-dimensional run after
// the first) is taken as no change, and a vertical mode may put a1 on a0, as
// other decoders take them. Uncompressed mode and the other extensions are
// not supported: MR counts the line damaged, MMR fails. Every line handed on
// takes at least one bit of input (MR at least an EOL), so the lines of a
// stream are bounded by its size.
//
// MH (`coding` MH) is decoded the same way as MR with every line
// one-dimensional and no tag bits: a width-checked MH decoder that counts
// damaged lines.
//
// Not thread-safe: one decoder per thread (the tables are shared, read-only).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "faximage/t4twod.h"

namespace qln::fax {

class TwoDimDecoder {
public:
    // Called for each line with its (width + 7) / 8 bytes; `damaged` when
    // the line could not be decoded and is a copy of the line before.
    using LineSink = std::function<void(const uint8_t *line, int bytes, bool damaged)>;

    // `width` is clamped to 1..kMaxTwoDimWidth.
    TwoDimDecoder(FaxCoding coding, int width, LineSink sink);

    void setLineSink(LineSink sink) { sink_ = std::move(sink); }
    // Starts a new page: all state back to its start, counters to 0.
    void reset();
    // Decodes bytes. Returns the number taken: all of them unless the page
    // ended inside them (then up to and including the byte that held the
    // end of RTC or EOFB); 0 once the page has ended.
    std::size_t feed(const uint8_t *data, std::size_t len);
    // The data has ended: a complete MR line still waiting for its EOL is
    // handed on, an incomplete one is handed on damaged; an incomplete MMR
    // line is dropped. Afterwards feed() takes nothing until reset().
    void finish();

    // RTC or EOFB seen.
    bool ended() const { return state_ == State::Ended; }
    // MMR: a coding error ended the decodable part of the page.
    bool failed() const { return state_ == State::Failed; }
    uint32_t rows() const { return rows_; }
    uint32_t damagedRows() const { return damaged_; }
    uint32_t longestDamagedRun() const { return longestRun_; }
    int width() const { return width_; }
    FaxCoding coding() const { return coding_; }

private:
    enum class State : uint8_t {
        Sync,    // MR: looking for an EOL, ignoring everything else
        Tag,     // MR: the bit after an EOL
        Mode,    // a two-dimensional line: the next mode code
        Run,     // a one-dimensional line or horizontal mode: the next run code
        RowDone, // MR: the line is complete; fill and an EOL must follow
        Zeros,   // counting the 0 bits of what must be an EOL
        Ended,    // RTC or EOFB seen
        Failed,   // MMR: a coding error
        Finished, // finish() called
    };

    void startRow(bool oneDim);
    void rowComplete();
    void emitRow(bool damaged);
    void onEol(bool fromSync);
    void onError();
    // Change list k (its first entry, after the lead).
    uint16_t *list(int k) { return changes_[k].data() + kChangeLead; }

    FaxCoding coding_;
    int width_;
    LineSink sink_;
    std::vector<uint16_t> changes_[2];
    int refIndex_ = 1;
    int refN_ = 0; // changes of the reference line
    std::vector<uint8_t> raster_;
    std::vector<uint64_t> flips_;

    State state_ = State::Sync;
    // The line being decoded.
    int n_ = 0;           // changes so far
    int a0_ = -1;
    int colour_ = 0;      // colour of a0 (two-dimensional), of the run (one-dimensional)
    int j_ = 0;           // where the search for b1 goes on (parity matches colour_)
    bool oneDim_ = false; // MR: the line is coded one-dimensionally
    int runsLeft_ = 0;    // horizontal mode: runs still to come (2 or 1); 0: one-dimensional line
    int runStart_ = 0;    // where the run being read begins
    int pending_ = 0;     // make-up lengths of the run being read
    bool rowData_ = false; // a code of this line has been read
    bool rowWasComplete_ = false; // Zeros: the line was complete before them
    bool eofbHalf_ = false;       // MMR: the first EOL of EOFB has been read
    unsigned zeros_ = 0;
    int eolRun_ = 0;

    uint32_t rows_ = 0;
    uint32_t damaged_ = 0;
    uint32_t run_ = 0;
    uint32_t longestRun_ = 0;
    uint64_t acc_ = 0; // pending bits, first bit lowest; bits above nbits_ are 0
    unsigned nbits_ = 0;
};

} // namespace qln::fax
