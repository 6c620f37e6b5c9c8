#include "faximage/twodimdecoder.h"

#include <algorithm>
#include <cstring>

#include "faximage/t4bits.h"
#include "faximage/t4codes.h"

namespace qln::fax {

namespace {

constexpr unsigned kEolZeros = 11;
constexpr unsigned kZerosCap = 1u << 20; // long fill is counted only this far

} // namespace

TwoDimDecoder::TwoDimDecoder(FaxCoding coding, int width, LineSink sink)
    : coding_(coding)
    , width_(std::clamp(width, 1, kMaxTwoDimWidth))
    , sink_(std::move(sink))
{
    for (auto &c : changes_)
        c.assign(changeListSize(width_), 0);
    raster_.assign(rasterScratchBytes(width_), 0);
    flips_.assign(std::size_t((width_ + 63) / 64 + 1), 0);
    reset();
}

void TwoDimDecoder::reset()
{
    // The reference line of the first line is all white.
    refN_ = 0;
    uint16_t *ref = list(refIndex_);
    for (int s = 0; s < kChangeSentinels; ++s)
        ref[s] = uint16_t(width_);
    startRow(false);
    state_ = coding_ == FaxCoding::MMR ? State::Mode : State::Sync;
    rowWasComplete_ = false;
    eofbHalf_ = false;
    zeros_ = 0;
    eolRun_ = 0;
    rows_ = damaged_ = run_ = longestRun_ = 0;
    acc_ = 0;
    nbits_ = 0;
}

void TwoDimDecoder::startRow(bool oneDim)
{
    n_ = 0;
    a0_ = -1;
    colour_ = 0;
    j_ = 0;
    oneDim_ = oneDim;
    runsLeft_ = 0;
    runStart_ = 0;
    pending_ = 0;
    rowData_ = false;
    state_ = oneDim ? State::Run : State::Mode;
}

void TwoDimDecoder::emitRow(bool damaged)
{
    if (damaged) {
        // The line before stands in; it stays the reference.
        changesToRaster(list(refIndex_), refN_, width_, raster_.data(), flips_.data());
        ++damaged_;
        ++run_;
        longestRun_ = std::max(longestRun_, run_);
    } else {
        uint16_t *cur = list(refIndex_ ^ 1);
        for (int s = 0; s < kChangeSentinels; ++s)
            cur[n_ + s] = uint16_t(width_);
        changesToRaster(cur, n_, width_, raster_.data(), flips_.data());
        refIndex_ ^= 1;
        refN_ = n_;
        run_ = 0;
    }
    ++rows_;
    if (sink_)
        sink_(raster_.data(), (width_ + 7) / 8, damaged);
}

void TwoDimDecoder::rowComplete()
{
    if (coding_ == FaxCoding::MMR) {
        emitRow(false);
        startRow(false);
    } else {
        state_ = State::RowDone;
    }
}

void TwoDimDecoder::onError()
{
    if (coding_ == FaxCoding::MMR) {
        state_ = State::Failed;
        return;
    }
    emitRow(true);
    zeros_ = 0;
    state_ = State::Sync;
}

void TwoDimDecoder::onEol(bool fromSync)
{
    zeros_ = 0;
    if (coding_ == FaxCoding::MMR) {
        // Only EOFB has EOLs, where a line would begin.
        if (rowData_) {
            onError();
        } else if (eofbHalf_) {
            state_ = State::Ended;
        } else {
            eofbHalf_ = true;
            state_ = State::Zeros;
        }
        return;
    }
    if (fromSync) {
        eolRun_ = 1; // a damaged line before was handed on already
    } else if (rowWasComplete_) {
        emitRow(false);
        eolRun_ = 1;
    } else if (rowData_) {
        emitRow(true); // the line ended early
        eolRun_ = 1;
    } else {
        ++eolRun_; // no line between two EOLs: RTC
    }
    rowWasComplete_ = false;
    if (eolRun_ >= 3) {
        state_ = State::Ended;
        return;
    }
    if (coding_ == FaxCoding::MH)
        startRow(true);
    else
        state_ = State::Tag;
}

std::size_t TwoDimDecoder::feed(const uint8_t *data, std::size_t len)
{
    if (state_ == State::Ended || state_ == State::Finished)
        return 0;
    if (state_ == State::Failed)
        return len;
    const uint8_t *p = data;
    const uint8_t *const end = data + len;
    const uint8_t *const modes = twoDimModeLookup();
    const uint16_t *const runTab[2] = {t4RunLookup().t[0], t4RunLookup().t[1]};
    const uint32_t *const pairTab[2] = {t4PairLookup().t[0], t4PairLookup().t[1]};
    const int width = width_;

    // The line's state lives in locals while codes are read: the stores of
    // the change list could otherwise alias the members and force reloads.
    // They are written back around every call of a member that uses them.
    uint64_t acc = acc_;
    unsigned nbits = nbits_;
    int a0, colour, j, n, runStart, pending, runsLeft;
    bool rowData;
    uint16_t *cur;
    const uint16_t *ref;
    auto load = [&] {
        a0 = a0_;
        colour = colour_;
        j = j_;
        n = n_;
        runStart = runStart_;
        pending = pending_;
        runsLeft = runsLeft_;
        rowData = rowData_;
        cur = list(refIndex_ ^ 1);
        ref = list(refIndex_);
    };
    auto store = [&] {
        acc_ = acc;
        nbits_ = nbits;
        a0_ = a0;
        colour_ = colour;
        j_ = j;
        n_ = n;
        runStart_ = runStart;
        pending_ = pending;
        runsLeft_ = runsLeft;
        rowData_ = rowData;
    };
    auto consume = [&](unsigned k) {
        acc = k >= 64 ? 0 : acc >> k;
        nbits -= k;
    };
    // A change at pos (at most the width; the width itself is none). A
    // zero-length run undoes the change before.
    auto change = [&](int pos) {
        if (pos >= width)
            return;
        if (n > 0 && cur[n - 1] == pos)
            --n;
        else
            cur[n++] = uint16_t(pos);
    };
    auto error = [&] {
        store();
        onError();
        load();
    };
    auto complete = [&] {
        store();
        rowComplete();
        load();
    };
    load();
    for (;;) {
        if (nbits < 32) {
            if (end - p >= 8) {
                refill64(acc, nbits, p);
            } else {
                while (nbits <= 56 && p < end) {
                    acc |= uint64_t(*p++) << nbits;
                    nbits += 8;
                }
            }
        }
        if (nbits == 0)
            break;
        bool needMore = false;
        switch (state_) {
        case State::Mode:
            // Mode codes one after another while the input lasts for
            // whole 8-byte refills; anything else goes round the outer loop.
            for (;;) {
                const unsigned e = modes[acc & ((1u << kModeLookupBits) - 1)];
                const unsigned codeLen = e >> 4;
                if (codeLen > nbits) {
                    needMore = true;
                    break;
                }
                const auto mode = TwoDimMode(e & 15);
                if (mode == TwoDimMode::Zeros) {
                    consume(codeLen);
                    zeros_ = codeLen;
                    rowWasComplete_ = false;
                    state_ = State::Zeros;
                    break;
                }
                if (mode == TwoDimMode::Extension) {
                    error();
                    break;
                }
                consume(codeLen);
                rowData = true;
                while (ref[j] <= a0)
                    j += 2;
                if (mode == TwoDimMode::Pass) {
                    a0 = ref[j + 1];
                    j += 2;
                } else if (mode == TwoDimMode::Horizontal) {
                    // Mostly two short terminating codes, from one look-up;
                    // else two terminating codes from the 13-bit tables.
                    // Make-up codes, errors and codes past the bits at hand
                    // go to the run state.
                    const int start = std::max(a0, 0);
                    const uint32_t pe = pairTab[colour][acc & ((1u << kT4PairBits) - 1)];
                    unsigned used = pe & 0x3F;
                    int a1 = start + int((pe >> 10) & 0xFFF);
                    int a2 = a1 + int((pe >> 22) & 0x3F);
                    if (!(pe & kT4PairTwo)) {
                        const unsigned e1 = runTab[colour][acc & ((1u << kT4LookupBits) - 1)];
                        const unsigned len1 = e1 >> 12, run1 = e1 & 0xFFF;
                        const unsigned e2 = runTab[colour ^ 1][(acc >> len1) & ((1u << kT4LookupBits) - 1)];
                        const unsigned run2 = e2 & 0xFFF;
                        used = len1 + (e2 >> 12);
                        a1 = start + int(run1);
                        a2 = a1 + int(run2);
                        if (run1 >= 64 || run2 >= 64)
                            used = 64; // not two terminating codes
                    }
                    if (used > nbits || a2 > width) {
                        runsLeft = 2;
                        runStart = start;
                        pending = 0;
                        state_ = State::Run;
                        break;
                    }
                    consume(used);
                    change(a1);
                    change(a2);
                    a0 = a2;
                } else {
                    static constexpr int kDelta[] = {0, 0, 0, 1, 2, 3, -1, -2, -3};
                    const int delta = kDelta[unsigned(mode)];
                    const int a1 = ref[j] + delta;
                    if (a1 < std::max(a0, 0) || a1 > width) {
                        error();
                        break;
                    }
                    change(a1);
                    a0 = a1;
                    colour ^= 1;
                    j += delta < 0 ? -1 : 1;
                }
                if (a0 >= width) {
                    complete();
                    if (state_ != State::Mode)
                        break;
                }
                if (nbits < 32) {
                    if (end - p < 8)
                        break;
                    refill64(acc, nbits, p);
                }
            }
            break;
        case State::Run: {
            if (runsLeft == 0 && pending == 0) {
                // A one-dimensional line: two short runs at once where the
                // first ends inside the line.
                const uint32_t pe = pairTab[colour][acc & ((1u << kT4PairBits) - 1)];
                const unsigned used = pe & 0x3F;
                if ((pe & kT4PairTwo) && used <= nbits) {
                    const int endA = runStart + int((pe >> 10) & 0xFFF);
                    const int endB = endA + int((pe >> 22) & 0x3F);
                    if (endA < width && endB <= width) {
                        consume(used);
                        rowData = true;
                        change(endA);
                        change(endB);
                        runStart = endB;
                        if (endB == width)
                            complete();
                        break;
                    }
                }
            }
            const unsigned e = runTab[colour][acc & ((1u << kT4LookupBits) - 1)];
            const unsigned codeLen = e >> 12;
            const unsigned run = e & 0xFFF;
            if (codeLen > nbits) {
                needMore = true;
                break;
            }
            if (run == kT4Fill) {
                // An EOL inside the line (or where a line would begin).
                consume(codeLen);
                zeros_ = codeLen;
                rowWasComplete_ = false;
                state_ = State::Zeros;
                break;
            }
            if (run == kT4Bad) {
                error();
                break;
            }
            consume(codeLen);
            rowData = true;
            if (run >= 64) {
                pending += int(run);
                if (runStart + pending > width)
                    error();
                break;
            }
            const int endPos = runStart + pending + int(run);
            pending = 0;
            if (endPos > width) {
                error();
                break;
            }
            change(endPos);
            colour ^= 1;
            runStart = endPos;
            if (runsLeft == 0) {
                if (endPos == width)
                    complete();
            } else if (--runsLeft == 0) {
                a0 = endPos;
                state_ = State::Mode;
                if (a0 >= width)
                    complete();
            }
            break;
        }
        case State::Sync:
        case State::Zeros: {
            if (acc == 0) {
                zeros_ = std::min(zeros_ + nbits, kZerosCap);
                consume(nbits);
                needMore = true;
                break;
            }
            const unsigned z = unsigned(__builtin_ctzll(acc));
            zeros_ += z;
            consume(z + 1);
            const bool sync = state_ == State::Sync;
            if (zeros_ >= kEolZeros) {
                store();
                onEol(sync);
                load();
            } else if (sync) {
                zeros_ = 0;
            } else {
                error();
            }
            break;
        }
        case State::Tag: {
            const bool oneDim = (acc & 1) != 0;
            consume(1);
            store();
            startRow(oneDim);
            load();
            break;
        }
        case State::RowDone:
            // Only fill and an EOL may follow a complete line.
            if (acc & 1) {
                consume(1);
                error();
            } else {
                rowWasComplete_ = true;
                state_ = State::Zeros;
            }
            break;
        case State::Ended:
        case State::Failed:
        case State::Finished:
            break;
        }
        if (state_ == State::Ended || state_ == State::Failed)
            break;
        if (needMore && p == end)
            break;
    }
    store();
    if (state_ != State::Ended)
        return len;
    const std::size_t read = std::size_t(p - data);
    const std::size_t unread = nbits_ / 8;
    return read > unread ? read - unread : 0;
}

void TwoDimDecoder::finish()
{
    if (coding_ != FaxCoding::MMR) {
        if (state_ == State::RowDone || (state_ == State::Zeros && rowWasComplete_))
            emitRow(false);
        else if ((state_ == State::Mode || state_ == State::Run || state_ == State::Zeros) && rowData_)
            emitRow(true);
    }
    if (state_ != State::Ended && state_ != State::Failed)
        state_ = State::Finished;
}

} // namespace qln::fax
