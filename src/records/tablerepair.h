// Checking a table file against its header, and repairing a table whose
// header counts a different number of rows than the file holds.
//
// Such a table opens for reading only (see DbfFile), so no append, pack or
// index rebuild can destroy the rows its header does not count. The repair
// first copies the table's files (DBF, and FPT and CDX when present) into a
// backup directory, then sets the header's row count to the whole records the
// file holds and raises its change counter, so the index keys are rebuilt from
// the rows on the next open. Rows the file holds are never dropped; a record
// only partly on disk stays uncounted.
//
// Reads and writes files only; not synchronised (one caller at a time, with
// the table closed).
#pragma once

#include "records/status.h"

#include <cstdint>
#include <string>

namespace qln::records {

struct TableCheck {
    bool exists = false;
    bool damaged = false;
    uint32_t headerRows = 0; // rows the header counts
    uint32_t fileRows = 0;   // whole records the file holds
    std::string text;        // what is wrong, "" for a sound table
};

// Reads the table's header and size; a file that is no table at all gives
// its Corruption status (a missing file is not an error: exists = false).
Status checkTable(const std::string &dbfPath, TableCheck &out);

// Repairs a damaged table as described above; `backupDir` is created when
// missing. A sound table is left untouched (repaired = false).
struct TableRepair {
    bool repaired = false;
    uint32_t rowsBefore = 0; // rows the header counted
    uint32_t rowsAfter = 0;
    std::string backupDir;
};
Status repairTable(const std::string &dbfPath, const std::string &backupDir, TableRepair &out);

} // namespace qln::records
