// Reads which high-speed fax modem (if any) a spandsp modem set is
// transmitting with, its bit rate and whether its training is over. Both the
// Class 1 modems (T.31) and the T.30 terminals (Class 2 modems, remote
// machine) keep their modems in such a set; the line uses this to impair
// transmissions faster than it carries. Pure inspection, any thread that
// owns the modem set.
#pragma once

#include "vline/line_endpoint.h"

struct fax_modems_state_s;

namespace qln::vline {

FastCarrier fastCarrierOf(const fax_modems_state_s &modems);

} // namespace qln::vline
