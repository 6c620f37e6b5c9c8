#include "fax/pagecheck.h"

#include <algorithm>

namespace qln::fax {

PageCheck::PageCheck() { begin(0); }

void PageCheck::begin(long nowTicks)
{
    decoder_.reset();
    startTicks_ = nowTicks;
    bytes_ = 0;
    lines_ = goodSeen_ = run_ = longestRun_ = 0;
    zeros_ = 0;
    codesSinceEol_ = seenEol_ = false;
}

void PageCheck::onEol()
{
    // An EOL closes a line when codes came since the one before; EOLs in a
    // row (RTC) close none.
    if (seenEol_ && codesSinceEol_) {
        ++lines_;
        // The decoder hands on each line that decodes whole; a line it did
        // not count is bad. It may not have reached this EOL yet, which
        // moves a verdict by at most one line.
        const uint32_t good = decoder_.lines();
        if (good == goodSeen_) {
            ++run_;
            longestRun_ = std::max(longestRun_, run_);
        } else {
            run_ = 0;
        }
        goodSeen_ = good;
    }
    seenEol_ = true;
    codesSinceEol_ = false;
}

void PageCheck::feed(const uint8_t *data, std::size_t len)
{
    bytes_ += len;
    if (lines_ > kMaxLines)
        return; // over the limit: the session ends the call
    for (std::size_t i = 0; i < len; ++i) {
        // The decoder takes the data byte by byte with this scan, so that at
        // each EOL it has decoded the line before (it looks at most 13 bits
        // ahead, less than the shortest line).
        if (!decoder_.pageEnded())
            decoder_.feed(data + i, 1);
        uint8_t b = data[i];
        if (b == 0) {
            zeros_ += 8;
            continue;
        }
        for (int bit = 0; bit < 8; ++bit, b >>= 1) {
            if (!(b & 1)) {
                ++zeros_;
                continue;
            }
            if (zeros_ >= 11)
                onEol();
            else
                codesSinceEol_ = true;
            zeros_ = 0;
        }
    }
}

uint32_t PageCheck::badLines() const
{
    const uint32_t good = decoder_.lines();
    return lines_ > good ? lines_ - good : 0;
}

bool PageCheck::usable() const
{
    if (lines_ == 0)
        return true;
    return longestRun_ <= kMaxBadRun && uint64_t(badLines()) * 100 <= uint64_t(lines_) * kMaxBadPercent;
}

bool PageCheck::overLimit(long nowTicks) const
{
    return lines_ > kMaxLines || bytes_ > kMaxBytes || (nowTicks - startTicks_) * 55 / 1000 > kMaxPageSeconds;
}

} // namespace qln::fax
