#include "vline/emulated_modem.h"

#include "vline/vline_log.h"

namespace qln::vline {

void EmulatedModem::checkDtr()
{
    bool low = port_.dtrDropped();
    if (low && !dtrLow_) {
        VlineLog::write("modem%d: host dropped DTR", index_);
        dtrDropped();
    }
    dtrLow_ = low;
}

} // namespace qln::vline
