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
    for (int c = 0; c < 2; ++c)
        for (int r = 0; r < 64; ++r)
            packedTerm_[c][r] = codes_.terminating[c][r].bits | (codes_.terminating[c][r].len << 24);
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

namespace {

inline uint64_t load64be(const uint8_t *p)
{
    uint64_t v;
    std::memcpy(&v, p, 8);
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    return v;
}

} // namespace

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
    // Work on a padded copy so that whole 64-bit words may be read.
    const int used = (width + 7) / 8;
    std::memcpy(raster_, line, std::size_t(used));
    std::memset(raster_ + used, 0, 16);
    // Colour changes of a whole 64-pixel word are found at once: bit i of
    // `changes` is set when pixel i differs from the pixel before it. The
    // runs are the distances between changes.
    int runStart = 0;
    int colour = 0;
    uint64_t prevPixel = 0; // the line begins white
    // The bit writer's state lives in locals in the loop: stores into the
    // byte buffer could otherwise alias the members and force reloads.
    uint64_t acc = acc_;
    unsigned nacc = nacc_;
    std::size_t out = pos_;
    // Branch-free bit writer: store 8 bytes, advance by the whole bytes
    // filled (codes are at most 13 bits, so at most 5 bytes at a time).
    auto put = [&](uint32_t bits, unsigned len) {
        acc |= uint64_t(bits) << nacc;
        nacc += len;
        store64le(buf_ + out, acc);
        const unsigned whole = nacc >> 3;
        out += whole;
        acc >>= whole * 8;
        nacc &= 7;
    };
    for (int base = 0; base < width; base += 64) {
        const uint64_t w = load64be(raster_ + base / 8);
        uint64_t changes = w ^ ((w >> 1) | (prevPixel << 63));
        if (width - base < 64)
            changes &= ~uint64_t(0) << (64 - (width - base));
        prevPixel = w & 1;
        int at = base - 1;
        while (changes) {
            // Shift the found change out: a short dependency chain per run.
            const int b = __builtin_clzll(changes);
            changes <<= b;
            changes <<= 1;
            at += b + 1;
            int run = at - runStart;
            runStart = at;
            if (run >= 64) {
                const T4RevCode *makeup = codes_.makeup[colour];
                while (run > kMaxMakeupRun) {
                    put(makeup[kMaxMakeupRun / 64 - 1].bits, makeup[kMaxMakeupRun / 64 - 1].len);
                    run -= kMaxMakeupRun;
                }
                if (run >= 64) {
                    put(makeup[run / 64 - 1].bits, makeup[run / 64 - 1].len);
                    run &= 63;
                }
            }
            const uint32_t c = packedTerm_[colour][run];
            put(c & 0xFFFFFF, c >> 24);
            colour ^= 1;
        }
    }
    acc_ = acc;
    nacc_ = nacc;
    pos_ = out;
    putRun(width - runStart, colour != 0);
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
