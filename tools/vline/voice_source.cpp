#include "vline/voice_source.h"

#include <algorithm>
#include <cmath>

namespace qln::vline {

void VoiceSource::lineTx(int16_t *amp, int len)
{
    constexpr double kTwoPi = 6.283185307179586;
    for (int i = 0; i < len; ++i, ++n_) {
        const double t = static_cast<double>(n_) / kSampleRate;
        // Pitch wanders around 140 Hz; syllables come about four times a second.
        const double pitch = 140.0 + 25.0 * std::sin(kTwoPi * 0.7 * t);
        const double syllable = std::max(0.0, std::sin(kTwoPi * 3.7 * t));
        const double formant = 600.0 + 400.0 * std::sin(kTwoPi * 1.3 * t);
        double v = 0;
        for (int h = 1; h <= 12; ++h) {
            const double f = pitch * h;
            const double weight = 1.0 / (1.0 + std::pow((f - formant) / 250.0, 2.0)) / h;
            v += weight * std::sin(kTwoPi * f * t);
        }
        amp[i] = static_cast<int16_t>(6000.0 * syllable * v);
    }
}

} // namespace qln::vline
