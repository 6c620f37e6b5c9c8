#include "faximage/twodimdecoder.h"

#include <algorithm>
#include <cstring>

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
    uint16_t *ref = changes_[refIndex_].data();
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

bool TwoDimDecoder::addChange(int pos)
{
    if (pos > width_)
        return false;
    if (pos == width_)
        return true; // the end of the line is no change
    uint16_t *cur = changes_[refIndex_ ^ 1].data();
    // A zero-length run: the change before is undone.
    if (n_ > 0 && cur[n_ - 1] == pos)
        --n_;
    else
        cur[n_++] = uint16_t(pos);
    return true;
}

void TwoDimDecoder::emitRow(bool damaged)
{
    if (damaged) {
        // The line before stands in; it stays the reference.
        changesToRaster(changes_[refIndex_].data(), refN_, width_, raster_.data(), flips_.data());
        ++damaged_;
        ++run_;
        longestRun_ = std::max(longestRun_, run_);
    } else {
        uint16_t *cur = changes_[refIndex_ ^ 1].data();
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
    const T4RunLookup &runs = t4RunLookup();
    for (;;) {
        if (nbits_ <= 56) {
            if (end - p >= 8) {
                // Whole bytes from one 8-byte load; bits of bytes not taken
                // are masked off so that nothing above nbits_ is set.
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
        }
        if (nbits_ == 0)
            break;
        bool needMore = false;
        switch (state_) {
        case State::Sync:
        case State::Zeros: {
            if (acc_ == 0) {
                zeros_ = std::min(zeros_ + nbits_, kZerosCap);
                consume(nbits_);
                needMore = true;
                break;
            }
            const unsigned z = unsigned(__builtin_ctzll(acc_));
            zeros_ += z;
            consume(z + 1);
            if (zeros_ >= kEolZeros)
                onEol(state_ == State::Sync);
            else if (state_ == State::Sync)
                zeros_ = 0;
            else
                onError();
            break;
        }
        case State::Tag:
            startRow((acc_ & 1) != 0);
            consume(1);
            break;
        case State::RowDone:
            // Only fill and an EOL may follow a complete line.
            if (acc_ & 1) {
                consume(1);
                onError();
            } else {
                rowWasComplete_ = true;
                state_ = State::Zeros;
            }
            break;
        case State::Mode: {
            const unsigned e = modes[acc_ & ((1u << kModeLookupBits) - 1)];
            const unsigned codeLen = e >> 4;
            if (codeLen > nbits_) {
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
                onError();
                break;
            }
            consume(codeLen);
            rowData_ = true;
            // b1: the first change of the reference line after a0 to the
            // colour opposite a0's; b2 the change after it.
            const uint16_t *ref = changes_[refIndex_].data();
            int j = j_;
            if (j > 0 && ref[j - 1] > a0_)
                --j;
            while (ref[j] <= a0_)
                ++j;
            if ((j & 1) != colour_)
                ++j;
            j_ = j;
            const int b1 = ref[j], b2 = ref[j + 1];
            if (mode == TwoDimMode::Pass) {
                a0_ = b2;
                j_ = j + 2;
            } else if (mode == TwoDimMode::Horizontal) {
                runsLeft_ = 2;
                runStart_ = std::max(a0_, 0);
                pending_ = 0;
                state_ = State::Run;
                break;
            } else {
                static constexpr int kDelta[] = {0, 0, 0, 1, 2, 3, -1, -2, -3};
                const int a1 = b1 + kDelta[unsigned(mode)];
                if (a1 < std::max(a0_, 0) || !addChange(a1)) {
                    onError();
                    break;
                }
                a0_ = a1;
                colour_ ^= 1;
            }
            if (a0_ >= width_)
                rowComplete();
            break;
        }
        case State::Run: {
            const unsigned e = runs.t[colour_][acc_ & ((1u << kT4LookupBits) - 1)];
            const unsigned codeLen = e >> 12;
            const unsigned run = e & 0xFFF;
            if (codeLen > nbits_) {
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
                onError();
                break;
            }
            consume(codeLen);
            rowData_ = true;
            if (run >= 64) {
                pending_ += int(run);
                if (runStart_ + pending_ > width_)
                    onError();
                break;
            }
            const int endPos = runStart_ + pending_ + int(run);
            pending_ = 0;
            if (!addChange(endPos)) {
                onError();
                break;
            }
            colour_ ^= 1;
            runStart_ = endPos;
            if (runsLeft_ == 0) {
                if (endPos == width_)
                    rowComplete();
            } else if (--runsLeft_ == 0) {
                a0_ = endPos;
                state_ = State::Mode;
                if (a0_ >= width_)
                    rowComplete();
            }
            break;
        }
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
    if (state_ != State::Ended)
        return len;
    const std::size_t read = std::size_t(p - data);
    const std::size_t pending = nbits_ / 8;
    return read > pending ? read - pending : 0;
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
