// One call on the simulated exchange: who called whom, how far it got, and
// the audio path between the two ends once it is connected: a delay of 50 ms
// each way, like a long-distance line (without it two emulated modems hear
// each other's carrier start and stop in the same instant, closer than any
// real line, and hosts that wait for silence before listening miss frames),
// optional line noise in both directions, and optionally a highest bit rate:
// a fast fax carrier above it is garbled once its training is over, so the
// receiver trains, reads nothing but errors, and the training check or page
// fails every time (a deterministic stand-in for a line too poor for the
// higher speeds).
//
// Used by the server's single thread.
#pragma once

#include "vline/emulated_modem.h"
#include "vline/remote_fax.h"

#include <cstdint>
#include <memory>
#include <deque>
#include <string>

struct awgn_state_s;

namespace qln::vline {

class LineCall {
public:
    enum class State { Ringing, Connected };
    // What the dialled number reaches.
    enum class Target { Remote, Modem, Busy, NoAnswer, Voice };

    LineCall(int id, Target target, double noiseDbm0);
    ~LineCall();
    LineCall(const LineCall &) = delete;
    LineCall &operator=(const LineCall &) = delete;

    int id() const { return id_; }
    Target target() const { return target_; }
    State state = State::Ringing;

    EmulatedModem *caller = nullptr;  // the dialling modem; null when the remote calls
    EmulatedModem *callee = nullptr;  // the called modem, when a modem is called
    std::unique_ptr<RemoteFax> remote;
    // A spandsp terminal dialling the remote machine (`vline call --number`).
    // Created when the remote machine answers; it sends txFile as txIdent.
    std::unique_ptr<RemoteFax> terminal;
    bool terminalEcm = false;
    bool dialsRemote = false;  // the terminal dialled the remote machine (vs. the remote calling a modem)
    bool terminalReported = false;
    std::unique_ptr<LineEndpoint> far;  // what else sits at the far end (voice)
    std::string number;
    int64_t nextEventAt = 0;  // line time (samples) of the next ring or time-out
    int64_t deadline = 0;     // line time after which the call is dropped
    int rings = 0;
    int clientFd = -1;        // `vline call` waiting for the outcome
    std::string rxBase;       // DIR/remote/rx-NNNN when the remote receives
    std::string txFile;       // what the remote machine or the terminal sends when calling
    std::string txIdent;      // its identification for that call
    bool outcomeReported = false;
    bool peerGone = false;    // one modem hung up; the other hears silence until `deadline`

    bool involves(const EmulatedModem *m) const { return m && (caller == m || callee == m); }
    // The end opposite the given modem; null when none is on the line.
    LineEndpoint *endA();
    LineEndpoint *endB();

    // Runs one block of audio through a connected call.
    void exchangeAudio(int len);

    // Highest bit rate the line carries (0: any). Faster carriers are garbled.
    void setMaxBps(int bps) { maxBps_ = bps; }
    // Fast carriers garbled so far (one per transmission).
    int garbledCarriers() const { return garbled_; }

private:
    // Per direction: the fast carrier being garbled, if any.
    struct Impairment {
        bool active = false;
        int cleanAfterTraining = 0;  // samples of data sent clean so far
        awgn_state_s *noise = nullptr;
    };
    void addNoise(awgn_state_s *n, int16_t *amp, int len);
    void limitRate(LineEndpoint *from, Impairment &imp, int16_t *amp, int len);

    int id_;
    Target target_;
    std::deque<int16_t> delayAB_;
    std::deque<int16_t> delayBA_;
    awgn_state_s *noiseAB_ = nullptr;
    awgn_state_s *noiseBA_ = nullptr;
    int maxBps_ = 0;
    int garbled_ = 0;
    Impairment limitAB_;
    Impairment limitBA_;
};

} // namespace qln::vline
