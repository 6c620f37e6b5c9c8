// Something that can be connected to one end of a simulated telephone call:
// an emulated modem, the remote fax machine, a voice announcement.
//
// The line clock calls lineTx and then lineRx once per block on every
// endpoint of a connected call. Used by the server's single thread.
#pragma once

#include <cstdint>

namespace qln::vline {

// Audio of the line: 16-bit linear samples at 8000 Hz.
constexpr int kSampleRate = 8000;
// One block of the line clock: 20 ms.
constexpr int kBlockSamples = 160;

class LineEndpoint {
public:
    virtual ~LineEndpoint() = default;
    // Fills exactly len samples of what this end sends into the line
    // (silence when it has nothing to send).
    virtual void lineTx(int16_t *amp, int len) = 0;
    // Hands this end len samples heard from the line.
    virtual void lineRx(int16_t *amp, int len) = 0;
};

} // namespace qln::vline
