// PageCheck: watches the coded data of a page while it is received.
//
// It counts the page's coded lines (EOL to EOL with codes between), bytes
// and time, runs the T.4 decoder over the data to tell which lines decode to
// a whole line, and from that says whether the page is usable (the copy
// quality a receiver answers with MCF or RTN), whether it arrived whole (its
// RTC seen), and whether it has grown past what a fax page can hold.
//
// Thresholds: a page is unusable when more than 5 % of its lines are bad or
// more than 10 bad lines follow one another. A page without any coded line
// (data the decoder cannot frame at all) is not judged. Limits: 65,536
// lines, 65,536 × 1,024 bytes, and 40 minutes of page data.
//
// Threading: one per receiving session.
#pragma once

#include "faximage/g3decoder.h"

#include <cstddef>
#include <cstdint>

namespace qln::fax {

class PageCheck {
public:
    static constexpr uint32_t kMaxLines = 65536;
    static constexpr uint64_t kMaxBytes = uint64_t(kMaxLines) * 1024;
    static constexpr long kMaxPageSeconds = 40 * 60;
    static constexpr uint32_t kMaxBadRun = 10;     // longer runs make the page unusable
    static constexpr uint32_t kMaxBadPercent = 5;  // a larger share does too

    PageCheck();
    // A new page begins at the given time (ticks of 55 ms).
    void begin(long nowTicks);
    // Page data in the order it is stored (first bit lowest).
    void feed(const uint8_t *data, std::size_t len);

    uint32_t lines() const { return lines_; }
    uint32_t badLines() const;
    uint32_t longestBadRun() const { return longestRun_; }
    uint64_t bytes() const { return bytes_; }
    // RTC (EOLs in a row after the page's lines) has arrived.
    bool ended() const { return decoder_.pageEnded(); }
    bool usable() const;
    // The data arrived whole: its end seen and its lines usable.
    bool whole() const { return ended() && usable(); }
    // The page holds more lines or bytes than a fax page can, or its data
    // has run longer than the time limit.
    bool overLimit(long nowTicks) const;

private:
    void onEol();

    G3Decoder decoder_;
    long startTicks_ = 0;
    uint64_t bytes_ = 0;
    uint32_t lines_ = 0;
    uint32_t goodSeen_ = 0;
    uint32_t run_ = 0;
    uint32_t longestRun_ = 0;
    unsigned zeros_ = 0;
    bool codesSinceEol_ = false;
    bool seenEol_ = false;
};

} // namespace qln::fax
