// PageCheck: watches the coded data of a page while it is received.
//
// It counts the page's coded lines (EOL to EOL with codes between), bytes
// and time, decodes each line on its own to tell whether it is a whole line
// (the copy quality a receiver answers with MCF or RTN), says whether the
// page arrived whole (its RTC seen), and whether it has grown past what a
// fax page can hold.
//
// Each line is judged by itself: the check starts afresh at every EOL, so a
// damaged line costs that line only, however its damage would have thrown a
// decoder that carries on across lines. A line is whole when its codes are
// all one-dimensional T.4 codes, end with a terminating code, and add up to
// a width of 1728 or 2048 pixels (in whole bytes, as the page decoder takes
// lines).
//
// Thresholds: a page is unusable when more than 5 % of its lines are bad or
// more than 10 bad lines follow one another. A page without any coded line
// (data that holds no EOL at all) is not judged. Limits: 65,536 lines,
// 65,536 × 1,024 bytes, and 40 minutes of page data.
//
// Threading: one per receiving session.
#pragma once

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
    static constexpr int kRtcEols = 3;             // EOLs in a row that end the page

    PageCheck();
    // A new page begins at the given time (ticks of 55 ms).
    void begin(long nowTicks);
    // Page data in the order it is stored (first bit lowest).
    void feed(const uint8_t *data, std::size_t len);

    uint32_t lines() const { return lines_; }
    uint32_t badLines() const { return lines_ - goodLines_; }
    uint32_t longestBadRun() const { return longestRun_; }
    uint64_t bytes() const { return bytes_; }
    // RTC (EOLs in a row after the page's lines) has arrived.
    bool ended() const { return ended_; }
    bool usable() const;
    // The data arrived whole: its end seen and its lines usable.
    bool whole() const { return ended() && usable(); }
    // The page holds more lines or bytes than a fax page can, or its data
    // has run longer than the time limit.
    bool overLimit(long nowTicks) const;

private:
    void onEol(unsigned zerosBefore);
    void codeBit(unsigned bit);
    void startLine();
    bool lineWhole() const;

    long startTicks_ = 0;
    uint64_t bytes_ = 0;
    uint32_t lines_ = 0;
    uint32_t goodLines_ = 0;
    uint32_t run_ = 0;
    uint32_t longestRun_ = 0;
    unsigned zeros_ = 0;
    int eolRun_ = 0;
    bool codesSinceEol_ = false;
    bool seenEol_ = false;
    bool ended_ = false;

    // The line being decoded since the last EOL.
    unsigned code_ = 0;     // bits of the code so far, first bit most significant
    unsigned codeLen_ = 0;
    unsigned pixels_ = 0;
    int colour_ = 0;        // 0 white, 1 black
    bool makeup_ = false;   // the last code was a make-up code
    bool lineBad_ = false;
};

} // namespace qln::fax
