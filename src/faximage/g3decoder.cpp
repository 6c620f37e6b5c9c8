#include "faximage/g3decoder.h"

#include <algorithm>
#include <cstring>

#include "faximage/t4codes.h"

namespace qln::fax {

namespace {

// Table entry: high 4 bits the number of bits taken, low 12 bits the run, or
// one of the two markers below.
constexpr unsigned kFill = 0xFFF; // eleven 0 bits: the fill / EOL node
constexpr unsigned kBad = 0xFFE;  // a 13-bit prefix that is no code
constexpr unsigned kIndexBits = 13;
constexpr unsigned kTableSize = 1u << kIndexBits;
constexpr unsigned kMaxLinePixels = G3Decoder::kMaxLineBytes * 8;

struct DecodeTables {
    uint16_t t[2][kTableSize];
};

void addCode(uint16_t *table, const T4Code &c, unsigned run)
{
    const uint32_t rev = reverseBits(c.code, c.bits);
    const uint16_t entry = uint16_t((unsigned(c.bits) << 12) | run);
    for (uint32_t high = 0; high < (kTableSize >> c.bits); ++high)
        table[rev | (high << c.bits)] = entry;
}

DecodeTables buildTables()
{
    DecodeTables d{};
    for (int c = 0; c < 2; ++c) {
        uint16_t *t = d.t[c];
        const T4Code *term = c ? kBlackTerminating : kWhiteTerminating;
        const T4Code *makeup = c ? kBlackMakeup : kWhiteMakeup;
        for (unsigned i = 0; i < kTableSize; ++i)
            t[i] = uint16_t((kIndexBits << 12) | kBad);
        for (unsigned r = 0; r < 64; ++r)
            addCode(t, term[r], r);
        for (unsigned i = 0; i < 27; ++i)
            addCode(t, makeup[i], 64 * (i + 1));
        for (unsigned i = 0; i < 13; ++i)
            addCode(t, kExtendedMakeup[i], 1792 + 64 * i);
        for (unsigned high = 0; high < (kTableSize >> 11); ++high)
            t[high << 11] = uint16_t((11u << 12) | kFill);
    }
    return d;
}

const DecodeTables &tables()
{
    static const DecodeTables t = buildTables();
    return t;
}

inline void setBits(uint8_t *line, unsigned pos, unsigned n)
{
    if (n == 0)
        return;
    const unsigned end = pos + n;
    const unsigned first = pos >> 3, last = (end - 1) >> 3;
    const uint8_t head = uint8_t(0xFFu >> (pos & 7));
    const uint8_t tail = uint8_t(0xFFu << (7 - ((end - 1) & 7)));
    if (first == last) {
        line[first] |= uint8_t(head & tail);
        return;
    }
    line[first] |= head;
    if (last > first + 1)
        std::memset(line + first + 1, 0xFF, last - first - 1);
    line[last] |= tail;
}

} // namespace

G3Decoder::G3Decoder()
    : G3Decoder(LineSink())
{
}

G3Decoder::G3Decoder(LineSink sink)
    : sink_(std::move(sink))
{
    const DecodeTables &t = tables();
    tables_[0] = t.t[0];
    tables_[1] = t.t[1];
    std::memset(line_, 0, sizeof line_);
    reset();
}

void G3Decoder::reset()
{
    std::memset(line_, 0, sizeof line_);
    bitPos_ = 0;
    colour_ = 0;
    state_ = State::Code;
    seenEol_ = false;
    pageEnded_ = false;
    eolRun_ = 0;
    badCodes_ = 0;
    lines_ = 0;
    acc_ = 0;
    nbits_ = 0;
}

void G3Decoder::onRun(unsigned run)
{
    eolRun_ = 0;
    if (!seenEol_)
        return;
    if (bitPos_ + run > kMaxLinePixels)
        return;
    if (colour_)
        setBits(line_, bitPos_, run);
    bitPos_ += run;
    if (run < 64)
        colour_ ^= 1;
}

void G3Decoder::onEol()
{
    seenEol_ = true;
    const unsigned bytes = bitPos_ / 8;
    if (bitPos_ > 0 && (bytes == 216 || bytes == 256)) {
        ++lines_;
        if (sink_)
            sink_(line_, int(bytes));
    }
    std::memset(line_, 0, (bitPos_ + 7) / 8);
    bitPos_ = 0;
    colour_ = 0;
    if (++eolRun_ >= 3)
        pageEnded_ = true;
}

std::size_t G3Decoder::feed(const uint8_t *data, std::size_t len)
{
    if (pageEnded_)
        return 0;
    const uint8_t *p = data;
    const uint8_t *const end = data + len;
    auto consume = [this](unsigned n) {
        acc_ = n >= 64 ? 0 : acc_ >> n;
        nbits_ -= n;
    };
    for (;;) {
        if (end - p >= 8 && nbits_ < 56) {
            // Refill whole bytes from one 8-byte load; bits of bytes not
            // taken are masked off so nothing above nbits_ is set.
            uint64_t v;
            std::memcpy(&v, p, 8);
#if __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
            v = __builtin_bswap64(v);
#endif
            const unsigned take = (63 - nbits_) >> 3;
            acc_ |= v << nbits_;
            p += take;
            nbits_ += take * 8;
            acc_ &= (uint64_t(1) << nbits_) - 1;
        } else {
            while (nbits_ <= 56 && p < end) {
                acc_ |= uint64_t(*p++) << nbits_;
                nbits_ += 8;
            }
        }
        if (nbits_ == 0)
            break;
        if (state_ == State::Code) {
            // Fast path: whole codes while at least 13 bits are at hand. The
            // state is held in locals: the line stores could otherwise alias
            // the members and force reloads.
            {
                uint64_t acc = acc_;
                unsigned nbits = nbits_;
                unsigned bitPos = bitPos_;
                unsigned colour = unsigned(colour_);
                const bool seen = seenEol_;
                int eolRun = eolRun_;
                uint8_t *const line = line_;
                const uint16_t *const tables[2] = {tables_[0], tables_[1]};
                while (nbits >= kIndexBits) {
                    const unsigned e = tables[colour][acc & (kTableSize - 1)];
                    const unsigned run = e & 0xFFF;
                    if (run >= kBad)
                        break;
                    acc >>= (e >> 12);
                    nbits -= (e >> 12);
                    eolRun = 0;
                    if (!seen || bitPos + run > kMaxLinePixels)
                        continue;
                    if (colour)
                        setBits(line, bitPos, run);
                    bitPos += run;
                    if (run < 64) // a branch, so the next lookup can start early
                        colour ^= 1;
                }
                acc_ = acc;
                nbits_ = nbits;
                bitPos_ = bitPos;
                colour_ = int(colour);
                eolRun_ = eolRun;
            }
            const unsigned e = tables_[colour_][acc_ & (kTableSize - 1)];
            const unsigned n = e >> 12;
            if (n > nbits_) {
                if (p < end)
                    continue;
                break; // the code completes in later data
            }
            consume(n);
            const unsigned run = e & 0xFFF;
            if (run == kFill) {
                state_ = State::Fill;
            } else if (run == kBad) {
                ++badCodes_;
                state_ = State::SkipOnes;
            } else {
                onRun(run);
                continue;
            }
        } else if (state_ == State::Fill) {
            if (acc_ == 0) {
                consume(nbits_);
                if (p < end)
                    continue;
                break;
            }
            consume(unsigned(__builtin_ctzll(acc_)) + 1);
            state_ = State::Code;
            onEol();
            if (pageEnded_)
                break;
        } else { // SkipOnes
            uint64_t zeros = ~acc_;
            if (nbits_ < 64)
                zeros &= (uint64_t(1) << nbits_) - 1;
            if (zeros == 0) {
                consume(nbits_);
                if (p < end)
                    continue;
                break;
            }
            consume(unsigned(__builtin_ctzll(zeros)));
            state_ = State::Code;
        }
    }
    if (!pageEnded_)
        return len;
    const std::size_t read = std::size_t(p - data);
    const std::size_t pending = nbits_ / 8;
    return read > pending ? read - pending : 0;
}

} // namespace qln::fax
