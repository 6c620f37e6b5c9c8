#include "vline/fast_carrier.h"

#define SPANDSP_EXPOSE_INTERNAL_STRUCTURES
#include <spandsp.h>

namespace qln::vline {

FastCarrier fastCarrierOf(const fax_modems_state_s &m)
{
    // The set sends through one handler at a time, with the state of the
    // modem in use as its user data; a silence or tone before the carrier
    // has other user data, so only a running fast carrier matches.
    FastCarrier c;
    const void *running = m.tx_user_data;
    if (running == &m.fast_modems.v17_tx) {
        c.modulation = "V.17";
        c.bitRate = m.fast_modems.v17_tx.bit_rate;
        c.training = m.fast_modems.v17_tx.in_training != 0;
    } else if (running == &m.fast_modems.v29_tx) {
        c.modulation = "V.29";
        c.bitRate = m.fast_modems.v29_tx.bit_rate;
        c.training = m.fast_modems.v29_tx.in_training != 0;
    } else if (running == &m.fast_modems.v27ter_tx) {
        c.modulation = "V.27ter";
        c.bitRate = m.fast_modems.v27ter_tx.bit_rate;
        c.training = m.fast_modems.v27ter_tx.in_training != 0;
    }
    return c;
}

} // namespace qln::vline
