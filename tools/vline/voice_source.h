// A person answering the phone: a speech-like signal (a voiced tone with
// moving formants, broken into syllables) that carries no fax signal.
// Used by the server's single thread.
#pragma once

#include "vline/line_endpoint.h"

namespace qln::vline {

class VoiceSource : public LineEndpoint {
public:
    void lineTx(int16_t *amp, int len) override;
    void lineRx(int16_t *, int) override {}

private:
    long n_ = 0;  // samples produced so far
};

} // namespace qln::vline
