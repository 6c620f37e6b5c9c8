#include "faximage/twodimencoder.h"

#include <algorithm>
#include <cstring>

#include "faximage/t4bits.h"
#include "faximage/t4codes.h"

namespace qln::fax {

namespace {

constexpr int kRtcEols = 6;

} // namespace

TwoDimEncoder::TwoDimEncoder(FaxCoding coding, int width, ByteSink sink, const TwoDimOptions &options)
    : coding_(coding)
    , width_(std::clamp(width, 1, kMaxTwoDimWidth))
    , sink_(std::move(sink))
    , options_(options)
{
    if (coding == FaxCoding::MH)
        options_.k = 1;
    options_.k = std::max(options_.k, 1);
    options_.minLineBits = std::max(options_.minLineBits, 0);
    for (auto &c : changes_)
        c.assign(changeListSize(width_), 0);
    // A line takes at most 7 bits a pixel (a vertical code of 7 bits for
    // each pixel a0 moves), plus its EOL, tag, fill and the 8 bytes a store
    // may write past the last one.
    buf_.assign(std::size_t(width_) + std::size_t(options_.minLineBits) / 8 + 128, 0);
    beginPage();
}

void TwoDimEncoder::beginPage()
{
    lines_ = 0;
    bytesOut_ = 0;
    out_ = 0;
    acc_ = 0;
    nacc_ = 0;
    lineStartBit_ = 0;
    // The reference line of the first line is all white.
    uint16_t *ref = changes_[refIndex_].data() + kChangeLead;
    for (int s = 0; s < kChangeSentinels; ++s)
        ref[s] = uint16_t(width_);
}

void TwoDimEncoder::put(uint32_t bits, unsigned len)
{
    acc_ |= uint64_t(bits) << nacc_;
    nacc_ += len;
    store64le(buf_.data() + out_, acc_);
    const unsigned whole = nacc_ >> 3;
    out_ += whole;
    acc_ >>= whole * 8;
    nacc_ &= 7;
}

void TwoDimEncoder::putFill(unsigned bits)
{
    for (; bits > 32; bits -= 32)
        put(0, 32);
    put(0, bits);
}

void TwoDimEncoder::putRun(int run, int colour)
{
    const T4ReversedTables &codes = t4Reversed();
    while (run > kMaxMakeupRun) {
        const T4RevCode &m = codes.makeup[colour][kMaxMakeupRun / 64 - 1];
        put(m.bits, m.len);
        run -= kMaxMakeupRun;
    }
    if (run >= 64) {
        const T4RevCode &m = codes.makeup[colour][run / 64 - 1];
        put(m.bits, m.len);
        run &= 63;
    }
    const T4RevCode &t = codes.terminating[colour][run];
    put(t.bits, t.len);
}

void TwoDimEncoder::putEol(bool oneDim)
{
    const uint64_t pos = (bytesOut_ + out_) * 8 + nacc_;
    if (lines_ > 0 && pos - lineStartBit_ < uint64_t(options_.minLineBits))
        putFill(unsigned(uint64_t(options_.minLineBits) - (pos - lineStartBit_)));
    if (options_.alignEol)
        putFill((8 - (nacc_ + 12) % 8) % 8);
    lineStartBit_ = (bytesOut_ + out_) * 8 + nacc_;
    // EOL (eleven 0 bits and a 1), then for MR the tag: 1 one-dimensional.
    if (coding_ == FaxCoding::MH)
        put(0x800, 12);
    else
        put(0x800 | (oneDim ? 0x1000u : 0u), 13);
}

void TwoDimEncoder::flushWhole()
{
    if (out_ == 0)
        return;
    if (sink_)
        sink_(buf_.data(), out_);
    bytesOut_ += out_;
    // The partial byte's bits are still in acc_; the buffer starts over.
    out_ = 0;
}

void TwoDimEncoder::code1D(const uint16_t *cur, int n)
{
    int prev = 0;
    int colour = 0;
    for (int i = 0; i < n; ++i) {
        putRun(cur[i] - prev, colour);
        prev = cur[i];
        colour ^= 1;
    }
    putRun(width_ - prev, colour);
}

void TwoDimEncoder::code2D(const uint16_t *cur, const uint16_t *ref)
{
    const TwoDimCode *modes = twoDimCodes();
    const TwoDimCode &pass = modes[unsigned(TwoDimMode::Pass)];
    const TwoDimCode &horiz = modes[unsigned(TwoDimMode::Horizontal)];
    const int width = width_;
    int a0 = -1;   // the imaginary white element before the line at first
    int colour = 0; // colour of a0
    int i = 0;     // cur[i] = a1, the first change after a0
    int j = 0;     // b1 = ref[j] after stepping; j's parity matches colour
    for (;;) {
        while (ref[j] <= a0)
            j += 2;
        const int b1 = ref[j], b2 = ref[j + 1];
        const int a1 = cur[i];
        if (b2 < a1) {
            put(pass.bits, pass.len);
            a0 = b2;
            j += 2;
        } else if (a1 - b1 <= 3 && b1 - a1 <= 3) {
            const TwoDimCode &v = verticalCode(a1 - b1);
            put(v.bits, v.len);
            a0 = a1;
            colour ^= 1;
            ++i;
            j += a1 < b1 ? -1 : 1;
        } else {
            const int a2 = cur[i + 1];
            put(horiz.bits, horiz.len);
            putRun(a1 - std::max(a0, 0), colour);
            putRun(a2 - a1, colour ^ 1);
            a0 = a2;
            i += 2;
        }
        if (a0 >= width)
            break;
    }
}

void TwoDimEncoder::encodeLine(const uint8_t *line)
{
    uint16_t *cur = changes_[refIndex_ ^ 1].data() + kChangeLead;
    const uint16_t *ref = changes_[refIndex_].data() + kChangeLead;
    const int n = rasterToChanges(line, width_, cur);
    if (coding_ == FaxCoding::MMR) {
        code2D(cur, ref);
    } else {
        const bool oneDim = lines_ % uint32_t(options_.k) == 0;
        putEol(oneDim);
        if (oneDim)
            code1D(cur, n);
        else
            code2D(cur, ref);
    }
    ++lines_;
    refIndex_ ^= 1;
    flushWhole();
}

void TwoDimEncoder::endPage()
{
    if (coding_ == FaxCoding::MMR) {
        put(0x800, 12);
        put(0x800, 12);
    } else {
        for (int e = 0; e < kRtcEols; ++e) {
            putEol(true);
            lines_ = 0; // no minimum length for the EOLs of RTC
        }
    }
    if (nacc_ > 0) {
        store64le(buf_.data() + out_, acc_);
        ++out_;
        acc_ = 0;
        nacc_ = 0;
    }
    flushWhole();
    beginPage();
}

} // namespace qln::fax
