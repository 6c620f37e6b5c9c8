#include "vline/line_call.h"

#include "vline/vline_log.h"

#define SPANDSP_EXPOSE_INTERNAL_STRUCTURES
#include <spandsp.h>

#include <algorithm>
#include <cmath>

namespace qln::vline {

namespace {
// One-way delay of the simulated line, in samples (50 ms).
constexpr size_t kLineDelay = 400;
// Mean square below which a block counts as silence (about -43 dBm0).
constexpr double kSilenceEnergy = 120.0 * 120.0;
// Level of the noise that replaces a carrier faster than the line carries:
// about the level of the carrier itself, so the receiver still hears a
// signal (no carrier drop) but nothing in it.
constexpr float kGarbleDbm0 = -12.0f;
// How long a too-fast carrier stays clean after its training: receivers
// check the first data symbols (scrambled ones) before they call the
// training good, and one that never trained does not answer the training
// check at all (no FTT, only time-outs).
constexpr int kGarbleAfter = 800;  // 100 ms

void delay(std::deque<int16_t> &line, int16_t *amp, int len)
{
    line.insert(line.end(), amp, amp + len);
    std::copy(line.begin(), line.begin() + len, amp);
    line.erase(line.begin(), line.begin() + len);
}
} // namespace

LineCall::LineCall(int id, Target target, double noiseDbm0)
    : id_(id), target_(target), delayAB_(kLineDelay, 0), delayBA_(kLineDelay, 0)
{
    if (!std::isnan(noiseDbm0)) {
        noiseAB_ = awgn_init_dbm0(nullptr, -(1234567 + id), static_cast<float>(noiseDbm0));
        noiseBA_ = awgn_init_dbm0(nullptr, -(7654321 + id), static_cast<float>(noiseDbm0));
    }
}

LineCall::~LineCall()
{
    if (noiseAB_)
        awgn_free(noiseAB_);
    if (noiseBA_)
        awgn_free(noiseBA_);
    for (Impairment *imp : {&limitAB_, &limitBA_})
        if (imp->noise)
            awgn_free(imp->noise);
}

LineEndpoint *LineCall::endA()
{
    if (caller)
        return caller;
    if (terminal)
        return terminal.get();
    return remote.get();  // the remote fax machine is calling
}

LineEndpoint *LineCall::endB()
{
    if (callee)
        return callee;
    if ((caller || terminal) && remote)
        return remote.get();
    return far.get();
}

void LineCall::addNoise(awgn_state_s *n, int16_t *amp, int len)
{
    if (!n)
        return;
    // Noise rides on the signal only: a silent direction stays silent, so
    // the modems' carrier and silence detectors keep working while the
    // signal-to-noise ratio of every transmission is degraded.
    double energy = 0;
    for (int i = 0; i < len; ++i)
        energy += static_cast<double>(amp[i]) * amp[i];
    if (energy / len < kSilenceEnergy)
        return;
    for (int i = 0; i < len; ++i) {
        int v = amp[i] + awgn(n);
        amp[i] = static_cast<int16_t>(std::clamp(v, -32768, 32767));
    }
}

void LineCall::limitRate(LineEndpoint *from, Impairment &imp, int16_t *amp, int len)
{
    if (maxBps_ <= 0 || !from)
        return;
    FastCarrier c = from->fastCarrier();
    if (c.bitRate <= maxBps_) {
        imp.active = false;
        return;
    }
    if (!imp.active) {
        imp.active = true;
        imp.cleanAfterTraining = 0;
        ++garbled_;
        VlineLog::write("call %d: %s sends %s at %d bit/s, above the line's %d bit/s: garbled after its training",
                        id_, from->lineName().c_str(), c.modulation, c.bitRate, maxBps_);
    }
    // The training goes through clean, so the receiver locks on and then
    // reads only errors.
    if (c.training)
        return;
    if (imp.cleanAfterTraining < kGarbleAfter) {
        imp.cleanAfterTraining += len;
        return;
    }
    if (!imp.noise)
        imp.noise = awgn_init_dbm0(nullptr, -(2468013 + id_ + (&imp == &limitBA_ ? 1000 : 0)), kGarbleDbm0);
    for (int i = 0; i < len; ++i)
        amp[i] = static_cast<int16_t>(std::clamp(static_cast<int>(awgn(imp.noise)), -32768, 32767));
}

void LineCall::exchangeAudio(int len)
{
    int16_t ab[kBlockSamples * 4] = {};
    int16_t ba[kBlockSamples * 4] = {};
    len = std::min<int>(len, kBlockSamples * 4);
    LineEndpoint *a = endA();
    LineEndpoint *b = endB();
    if (a)
        a->lineTx(ab, len);
    if (b)
        b->lineTx(ba, len);
    limitRate(a, limitAB_, ab, len);
    limitRate(b, limitBA_, ba, len);
    delay(delayAB_, ab, len);
    delay(delayBA_, ba, len);
    addNoise(noiseAB_, ab, len);
    addNoise(noiseBA_, ba, len);
    if (a)
        a->lineRx(ba, len);
    if (b)
        b->lineRx(ab, len);
}

} // namespace qln::vline
