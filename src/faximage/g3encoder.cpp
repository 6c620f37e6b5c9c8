#include "faximage/g3encoder.h"

#include <algorithm>
#include <cstring>

#include "faximage/t4bits.h"

namespace qln::fax {

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

// The codes of the runs that begin and end inside one byte, for every byte
// and both colours of the run the byte continues. For colour c and a byte x
// whose bits say which pixels differ from c (most significant bit first,
// x != 0): the leading pixels equal to c extend the run in progress; the
// runs after them that end inside the byte are complete and their
// terminating codes are packed here; the last run goes on into the next
// byte. Entry: code bits (low 40 bits), their length (bits 40-47), the
// length of the last run (bits 48-55).
struct ByteRunTable {
    uint64_t entry[2][256];
};

ByteRunTable buildByteRuns(const T4ReversedTables &codes)
{
    ByteRunTable t{};
    for (int c = 0; c < 2; ++c) {
        for (int x = 1; x < 256; ++x) {
            uint64_t bits = 0;
            unsigned len = 0;
            int colour = c, run = 0;
            bool lead = true;
            for (int i = 0; i < 8; ++i) {
                const int pixel = c ^ ((x >> (7 - i)) & 1);
                if (pixel != colour) {
                    if (!lead) {
                        const T4RevCode &code = codes.terminating[colour][run];
                        bits |= uint64_t(code.bits) << len;
                        len += code.len;
                    }
                    lead = false;
                    colour = pixel;
                    run = 0;
                }
                ++run;
            }
            t.entry[c][x] = bits | uint64_t(len) << 40 | uint64_t(run) << 48;
        }
    }
    return t;
}

const ByteRunTable &byteRuns()
{
    static const ByteRunTable t = buildByteRuns(t4Reversed());
    return t;
}

} // namespace

std::size_t G3LineEncoder::encodeRaster(const uint8_t *line, int width)
{
    width = std::clamp(width, 0, kMaxWidth);
    beginLine();
    const int bytes = width / 8;
    bool blank = true;
    int i = 0;
    for (; i + 8 <= bytes; i += 8) {
        uint64_t w;
        std::memcpy(&w, line + i, 8);
        if (w) {
            blank = false;
            break;
        }
    }
    for (; blank && i < bytes; ++i) {
        if (line[i]) {
            blank = false;
            break;
        }
    }
    // Pixels after the last whole byte count too.
    if (blank && width % 8 && (line[bytes] & uint8_t(0xFF << (8 - width % 8))))
        blank = false;
    if (blank) {
        putRun(width, false);
        return codedLength();
    }
    // Work on a padded copy so that whole 64-bit words may be read.
    const int used = (width + 7) / 8;
    std::memcpy(raster_, line, std::size_t(used));
    std::memset(raster_ + used, 0, 16);

    // The line is coded a byte at a time: a byte of the colour of the run in
    // progress only lengthens it; any other byte ends that run (its code is
    // put together with the codes of the runs inside the byte, from
    // ByteRunTable) and starts the next one. Whole 64-pixel words of one
    // colour are skipped at once.
    const ByteRunTable &tab = byteRuns();
    int colour = 0;  // colour of the run in progress; the line begins white
    int pending = 0; // its length so far
    // The bit writer's state lives in locals in the loop: stores into the
    // byte buffer could otherwise alias the members and force reloads.
    uint64_t acc = acc_;
    unsigned nacc = nacc_;
    std::size_t out = pos_;
    // Branch-free bit writer: store 8 bytes, advance by the whole bytes
    // filled. Up to 56 bits may be put at once (nacc stays below 8, and
    // a put is at most 12 bits of run code and 40 of ByteRunTable codes).
    auto put = [&](uint64_t bits, unsigned len) {
        acc |= bits << nacc;
        nacc += len;
        store64le(buf_ + out, acc);
        const unsigned whole = nacc >> 3;
        out += whole;
        acc >>= whole * 8;
        nacc &= 7;
    };
    // The code of a run, make-up codes first, with `more` (moreLen bits)
    // appended in the same put when the run needs no make-up code.
    auto putRunThen = [&](int run, int c, uint64_t more, unsigned moreLen) __attribute__((always_inline)) {
        if (run >= 64) {
            const T4RevCode *makeup = codes_.makeup[c];
            while (run > kMaxMakeupRun) {
                put(makeup[kMaxMakeupRun / 64 - 1].bits, makeup[kMaxMakeupRun / 64 - 1].len);
                run -= kMaxMakeupRun;
            }
            if (run >= 64) {
                put(makeup[run / 64 - 1].bits, makeup[run / 64 - 1].len);
                run &= 63;
            }
        }
        const uint32_t t = packedTerm_[c][run];
        const unsigned tlen = t >> 24;
        put((t & 0xFFFFFF) | more << tlen, tlen + moreLen);
    };
    auto codeByte = [&](unsigned b) {
        const unsigned x = b ^ (colour ? 0xFFu : 0u);
        if (x == 0) {
            pending += 8;
            return;
        }
        const int lead = __builtin_clz(x) - 24;
        const uint64_t e = tab.entry[colour][x];
        putRunThen(pending + lead, colour, e & 0xFFFFFFFFFFull, unsigned(e >> 40) & 0xFF);
        pending = int(e >> 48);
        colour ^= int(x & 1);
    };

    int at = 0;
    for (; at + 64 <= width; at += 64) {
        const uint64_t w = load64be(raster_ + at / 8);
        const uint64_t x = w ^ (colour ? ~uint64_t(0) : 0);
        if (x == 0) {
            pending += 64;
            continue;
        }
        // Leading bytes of the run's colour only lengthen it; after each
        // byte coded, the rest of the word may be all of the new colour.
        const int lead = __builtin_clzll(x) >> 3;
        pending += 8 * lead;
        for (int k = 56 - 8 * lead; k >= 0; k -= 8) {
            codeByte(unsigned(w >> k) & 0xFF);
            if (k > 0 && ((w ^ (colour ? ~uint64_t(0) : 0)) & ((uint64_t(1) << k) - 1)) == 0) {
                pending += k;
                break;
            }
        }
    }
    for (; at + 8 <= width; at += 8)
        codeByte(raster_[at / 8]);
    // Pixels after the last whole byte, one at a time.
    for (; at < width; ++at) {
        const int pixel = (raster_[at / 8] >> (7 - (at & 7))) & 1;
        if (pixel != colour) {
            putRunThen(pending, colour, 0, 0);
            colour = pixel;
            pending = 0;
        }
        ++pending;
    }
    putRunThen(pending, colour, 0, 0);
    acc_ = acc;
    nacc_ = nacc;
    pos_ = out;
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
