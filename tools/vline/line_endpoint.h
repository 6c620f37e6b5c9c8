// Something that can be connected to one end of a simulated telephone call:
// an emulated modem, the remote fax machine, a voice announcement.
//
// The line clock calls lineTx and then lineRx once per block on every
// endpoint of a connected call. Used by the server's single thread.
#pragma once

#include <cstdint>
#include <string>

namespace qln::vline {

// Audio of the line: 16-bit linear samples at 8000 Hz.
constexpr int kSampleRate = 8000;
// One block of the line clock: 20 ms.
constexpr int kBlockSamples = 160;

// What an endpoint is transmitting on a high-speed fax modulation (V.27ter,
// V.29, V.17: training check and page data), if anything. V.21 frames,
// tones and silence count as no fast carrier (bitRate 0).
struct FastCarrier {
    const char *modulation = "";  // "V.17", "V.29", "V.27ter"
    int bitRate = 0;
    bool training = false;        // still sending its training sequence
};

class LineEndpoint {
public:
    virtual ~LineEndpoint() = default;
    // Name in the line's log ("modem2", "remote machine").
    virtual std::string lineName() const { return "far end"; }
    // The fast carrier of the block lineTx just produced.
    virtual FastCarrier fastCarrier() const { return {}; }
    // Fills exactly len samples of what this end sends into the line
    // (silence when it has nothing to send).
    virtual void lineTx(int16_t *amp, int len) = 0;
    // Hands this end len samples heard from the line.
    virtual void lineRx(int16_t *amp, int len) = 0;
};

} // namespace qln::vline
