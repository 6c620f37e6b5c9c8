// Helpers shared by the files implementing the sx_ functions: the current
// work area and the recording of the last error. Engine-internal.
#pragma once

#include "records/dbffile.h"
#include "records/status.h"

#include <string>

namespace qln::records {

class WorkArea;

namespace sxdetail {

// Records text as the last error; returns false.
bool fail(const std::string &text);
// Clears the last error on success, records it otherwise; returns s.isOk().
bool check(const Status &s);
// The current work area, or nullptr (recording an error).
WorkArea *cur();
// A field of the area by name, or nullptr (recording an error).
const FieldDesc *fieldOf(WorkArea *a, const std::string &name);
// Raw text of a field of the current row.
std::string rawField(WorkArea *a, const FieldDesc *f);

} // namespace sxdetail
} // namespace qln::records
