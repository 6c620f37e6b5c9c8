#include "fax/pagecheck.h"

#include "faximage/t4codes.h"

#include <algorithm>
#include <array>
#include <vector>

namespace qln::fax {

namespace {

// Run length of a code by colour, indexed by (1 << length) | pattern;
// -1 where no code of that colour has that pattern.
constexpr unsigned kMaxCodeBits = 13;
constexpr unsigned kWidest = 2048;

struct CodeTables {
    std::vector<int16_t> run[2];
    CodeTables()
    {
        for (auto &r : run)
            r.assign(std::size_t(1) << (kMaxCodeBits + 1), -1);
        auto put = [this](int colour, const T4Code &c, int length) {
            run[colour][(1u << c.bits) | c.code] = static_cast<int16_t>(length);
        };
        for (int i = 0; i < 64; ++i) {
            put(0, kWhiteTerminating[i], i);
            put(1, kBlackTerminating[i], i);
        }
        for (int i = 0; i < 27; ++i) {
            put(0, kWhiteMakeup[i], 64 * (i + 1));
            put(1, kBlackMakeup[i], 64 * (i + 1));
        }
        for (int i = 0; i < 13; ++i) {
            put(0, kExtendedMakeup[i], 1792 + 64 * i);
            put(1, kExtendedMakeup[i], 1792 + 64 * i);
        }
    }
};

const CodeTables &codeTables()
{
    static const CodeTables t;
    return t;
}

} // namespace

PageCheck::PageCheck() { begin(0); }

void PageCheck::begin(long nowTicks)
{
    codeTables();
    startTicks_ = nowTicks;
    bytes_ = 0;
    lines_ = goodLines_ = run_ = longestRun_ = 0;
    zeros_ = 0;
    eolRun_ = 0;
    codesSinceEol_ = seenEol_ = ended_ = false;
    startLine();
}

void PageCheck::startLine()
{
    code_ = codeLen_ = pixels_ = 0;
    colour_ = 0;
    makeup_ = lineBad_ = false;
}

void PageCheck::codeBit(unsigned bit)
{
    if (lineBad_)
        return;
    code_ = (code_ << 1) | bit;
    ++codeLen_;
    const int run = codeTables().run[colour_][(1u << codeLen_) | code_];
    if (run < 0) {
        if (codeLen_ >= kMaxCodeBits)
            lineBad_ = true; // no code of this colour starts so
        return;
    }
    code_ = codeLen_ = 0;
    pixels_ += static_cast<unsigned>(run);
    if (pixels_ > kWidest) {
        lineBad_ = true;
        return;
    }
    makeup_ = run >= 64;
    if (!makeup_)
        colour_ ^= 1;
}

bool PageCheck::lineWhole() const
{
    const unsigned bytes = (pixels_ + 7) / 8;
    return !lineBad_ && codeLen_ == 0 && !makeup_ && (bytes == 216 || bytes == 256);
}

void PageCheck::onEol(unsigned zerosBefore)
{
    // An EOL closes a line when codes came since the one before; EOLs in a
    // row (RTC) close none.
    if (seenEol_ && codesSinceEol_) {
        // The zeros before the EOL's own eleven may end the line's last
        // code (a code can end in 0 bits); the rest is fill.
        for (unsigned z = 0; z < zerosBefore && codeLen_ > 0 && !lineBad_; ++z)
            codeBit(0);
        ++lines_;
        if (lineWhole()) {
            ++goodLines_;
            run_ = 0;
        } else {
            ++run_;
            longestRun_ = std::max(longestRun_, run_);
        }
        eolRun_ = 1;
    } else if (++eolRun_ >= kRtcEols && lines_ > 0) {
        ended_ = true;
    }
    seenEol_ = true;
    codesSinceEol_ = false;
    startLine();
}

void PageCheck::feed(const uint8_t *data, std::size_t len)
{
    bytes_ += len;
    if (lines_ > kMaxLines)
        return; // over the limit: the session ends the call
    for (std::size_t i = 0; i < len; ++i) {
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
            if (zeros_ >= 11) {
                onEol(zeros_ - 11);
            } else {
                // Codes before the page's first EOL are not part of a line.
                if (seenEol_) {
                    for (unsigned z = 0; z < zeros_; ++z)
                        codeBit(0);
                    codeBit(1);
                }
                codesSinceEol_ = true;
            }
            zeros_ = 0;
        }
    }
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
