// Writes sample outgoing and received faxes into the fax tables of a data
// directory through the table engine, for the benchmark and the screenshot.
#pragma once

#include <string>

namespace qln::sample {

// Appends `outgoing` outgoing and `received` received fax rows (creating the
// tables when missing) and, for received rows, empty fax files in "receive".
// Returns false when a table cannot be opened.
bool writeSampleFaxes(const std::string &dataDir, long outgoing, long received,
                      bool withFiles);

}  // namespace qln::sample
