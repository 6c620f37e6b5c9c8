#include "faximage/g3decoder.h"

#include <algorithm>
#include <cstring>

#include "faximage/t4bits.h"
#include "faximage/t4codes.h"

namespace qln::fax {

namespace {

// Run look-up entries (t4RunLookup): high 4 bits the number of bits taken,
// low 12 bits the run, or one of the two markers.
constexpr unsigned kFill = kT4Fill; // eleven 0 bits: the fill / EOL node
constexpr unsigned kBad = kT4Bad;   // a 13-bit prefix that is no code
constexpr unsigned kIndexBits = kT4LookupBits;
constexpr unsigned kTableSize = 1u << kIndexBits;
constexpr unsigned kMaxLinePixels = G3Decoder::kMaxLineBytes * 8;

// Pair table (t4PairLookup): two short terminating codes at once.
constexpr unsigned kPairBits = kT4PairBits;
constexpr unsigned kPairSize = 1u << kPairBits;
constexpr uint32_t kLong = kT4PairLong;
constexpr uint32_t kPairTwo = kT4PairTwo;

inline void flipAt(uint64_t *flips, unsigned pos)
{
    flips[pos >> 6] ^= (uint64_t(1) << 63) >> (pos & 63);
}

} // namespace

G3Decoder::G3Decoder()
    : G3Decoder(LineSink())
{
}

G3Decoder::G3Decoder(LineSink sink)
    : sink_(std::move(sink))
{
    tables_[0] = t4RunLookup().t[0];
    tables_[1] = t4RunLookup().t[1];
    pairs_[0] = t4PairLookup().t[0];
    pairs_[1] = t4PairLookup().t[1];
    std::memset(line_, 0, sizeof line_);
    std::memset(flips_, 0, sizeof flips_);
    reset();
}

void G3Decoder::reset()
{
    std::memset(line_, 0, sizeof line_);
    std::memset(flips_, 0, sizeof flips_);
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
    bitPos_ += run;
    if (run < 64) {
        colour_ ^= 1;
        flipAt(flips_, bitPos_);
    }
}

void G3Decoder::onEol()
{
    seenEol_ = true;
    const unsigned bytes = bitPos_ / 8;
    if (bitPos_ > 0 && (bytes == 216 || bytes == 256)) {
        flipsToRaster(flips_, (bytes * 8 + 63) / 64, line_);
        ++lines_;
        if (sink_)
            sink_(line_, int(bytes));
    }
    std::memset(flips_, 0, ((bitPos_ >> 6) + 1) * sizeof(uint64_t));
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
            refill64(acc_, nbits_, p);
        } else {
            while (nbits_ <= 56 && p < end) {
                acc_ |= uint64_t(*p++) << nbits_;
                nbits_ += 8;
            }
        }
        if (nbits_ == 0)
            break;
        if (state_ == State::Code) {
            // Fast path: whole codes while at least 13 bits are at hand,
            // refilling from the input while 8 bytes of it remain. The
            // state is held in locals: the line stores could otherwise
            // alias the members and force reloads. The flip word being
            // written is kept in a register too (pixels only move forward).
            {
                uint64_t acc = acc_;
                unsigned nbits = nbits_;
                unsigned bitPos = bitPos_;
                unsigned colour = unsigned(colour_);
                const bool seen = seenEol_;
                int eolRun = eolRun_;
                uint64_t *const flips = flips_;
                unsigned flipWord = bitPos >> 6;
                uint64_t flipBits = flips[flipWord];
                auto flip = [&](unsigned pos) {
                    const unsigned w = pos >> 6;
                    if (w != flipWord) {
                        flips[flipWord] = flipBits;
                        flipWord = w;
                        flipBits = flips[w];
                    }
                    flipBits ^= (uint64_t(1) << 63) >> (pos & 63);
                };
                const uint16_t *const tables[2] = {tables_[0], tables_[1]};
                const uint32_t *const pairs[2] = {pairs_[0], pairs_[1]};
                for (;;) {
                    if (nbits < kIndexBits) {
                        if (end - p < 8)
                            break;
                        refill64(acc, nbits, p);
                    }
                    const uint32_t pe = pairs[colour][acc & (kPairSize - 1)];
                    unsigned run = (pe >> 10) & 0xFFF;
                    unsigned len;
                    if (pe & kPairTwo) {
                        // Two terminating codes: this colour's run, then
                        // the other colour's; the colour is as before.
                        const unsigned run2 = (pe >> 22) & 0x3F;
                        if (seen && bitPos + run + run2 <= kMaxLinePixels) {
                            const unsigned used = pe & 0x3F;
                            acc >>= used;
                            nbits -= used;
                            eolRun = 0;
                            bitPos += run;
                            flip(bitPos);
                            bitPos += run2;
                            flip(bitPos);
                            continue;
                        }
                        len = (pe >> 6) & 0xF;
                    } else if (run == kLong) {
                        const unsigned e = tables[colour][acc & (kTableSize - 1)];
                        run = e & 0xFFF;
                        if (run >= kBad)
                            break;
                        len = e >> 12;
                    } else {
                        len = pe & 0x3F;
                    }
                    acc >>= len;
                    nbits -= len;
                    eolRun = 0;
                    if (!seen || bitPos + run > kMaxLinePixels)
                        continue;
                    bitPos += run;
                    if (run < 64) {
                        colour ^= 1;
                        flip(bitPos);
                    }
                }
                flips[flipWord] = flipBits;
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
