// The PPD of the Quillon queue (data/quillon.ppd, built in), which
// `qlnfax printer install` gives lpadmin.
#pragma once

namespace qln::printqueue {
extern const char *const kQueuePpd;
} // namespace qln::printqueue
