#include "faximage/g3encoder.h"

#include <algorithm>
#include <cstring>

namespace qln::fax {

namespace {

inline void store64le(uint8_t *p, uint64_t v)
{
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    std::memcpy(p, &v, 8);
#else
    for (int i = 0; i < 8; ++i)
        p[i] = uint8_t(v >> (8 * i));
#endif
}

} // namespace

G3LineEncoder::G3LineEncoder()
    : codes_(t4Reversed())
{
    std::memset(buf_, 0, sizeof buf_);
}

void G3LineEncoder::beginLine()
{
    pos_ = 0;
    acc_ = 0;
    nacc_ = 0;
    putCode(codes_.lineStart);
}

void G3LineEncoder::putCode(const T4RevCode &code)
{
    // A line that would overrun the buffer keeps its first 4 KB; callers
    // never get there with lines of at most kMaxWidth pixels.
    if (pos_ >= kBufferSize - 8)
        return;
    acc_ |= uint64_t(code.bits) << nacc_;
    nacc_ += code.len;
    if (nacc_ >= 32) {
        store64le(buf_ + pos_, acc_);
        pos_ += 4;
        acc_ >>= 32;
        nacc_ -= 32;
    }
}

void G3LineEncoder::putRun(int run, bool black)
{
    const int c = black ? 1 : 0;
    if (run < 0)
        run = 0;
    while (run > kMaxMakeupRun) {
        putCode(codes_.makeup[c][kMaxMakeupRun / 64 - 1]);
        run -= kMaxMakeupRun;
    }
    if (run >= 64) {
        putCode(codes_.makeup[c][run / 64 - 1]);
        run &= 63;
    }
    putCode(codes_.terminating[c][run]);
}

void G3LineEncoder::putBlankLine(int width)
{
    beginLine();
    putRun(width, false);
}

void G3LineEncoder::store()
{
    // Writes the pending bits and zeros after them; the tail bytes of the
    // line (the partial byte and one more) are covered by the 8-byte store.
    store64le(buf_ + pos_, acc_);
    buf_[pos_ + 8] = 0;
}

const uint8_t *G3LineEncoder::data()
{
    store();
    return buf_;
}

int G3LineEncoder::findChange(const uint8_t *line, int pos, int end, bool black)
{
    if (pos >= end)
        return end;
    const unsigned inv = black ? 0xFFu : 0u;
    int byte = pos >> 3;
    const int endByte = (end + 7) >> 3;
    unsigned v = (line[byte] ^ inv) & (0xFFu >> (pos & 7));
    if (v)
        return std::min((byte << 3) + __builtin_clz(v) - 24, end);
    ++byte;
    const uint64_t inv64 = black ? ~uint64_t(0) : 0;
    while (byte + 8 <= endByte) {
        uint64_t w;
        std::memcpy(&w, line + byte, 8);
        if (w != inv64)
            break;
        byte += 8;
    }
    for (; byte < endByte; ++byte) {
        v = line[byte] ^ inv;
        if (v)
            return std::min((byte << 3) + __builtin_clz(v) - 24, end);
    }
    return end;
}

std::size_t G3LineEncoder::encodeRaster(const uint8_t *line, int width)
{
    width = std::clamp(width, 0, kMaxWidth);
    beginLine();
    const int bytes = width / 8;
    bool blank = true;
    for (int i = 0; i < bytes; ++i) {
        if (line[i]) {
            blank = false;
            break;
        }
    }
    if (blank) {
        putRun(width, false);
        return codedLength();
    }
    int pos = 0;
    bool black = false;
    while (pos < width) {
        int next = findChange(line, pos, width, black);
        putRun(next - pos, black);
        pos = next;
        black = !black;
    }
    return codedLength();
}

void G3LineEncoder::endOfPageLine(uint8_t out[kEndOfPageLength])
{
    G3LineEncoder enc;
    enc.beginLine();
    for (int i = 0; i < 7; ++i)
        enc.putCode(enc.codes_.eol);
    std::memcpy(out, enc.data(), kEndOfPageLength);
}

} // namespace qln::fax
