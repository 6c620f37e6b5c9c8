// A document printed to the Quillon print queue, stored as a new outgoing
// fax through the fax editor's own path (FaxComposer: New, the fields, the
// PDF attached as the document, Accept), with the last result "Printed, not
// sent" until it is sent. `qlnfax printer job` stores it this way when
// Quillon is not running, and the main window when it is (it holds the
// tables then).
//
// User-interface thread only (the composer's documents).
#pragma once

#include <string>

namespace qln::records {
class FaxTables;
}

namespace qln::compose {

// The last result a printed fax shows until it is sent.
constexpr const char *kPrintedNotSent = "Printed, not sent";

struct PrintedFax {
    std::string recipient;
    std::string phone;
    std::string subject;
    std::string documentFile;  // the printed PDF (or TIFF); copied into the record
};

// Stores the fax in the outgoing table (opened by the caller). Returns the
// new record number, 0 when it could not be stored (the composer reports
// why); a last result that cannot be written leaves the stored fax as it is
// and is reported through `problem`.
long storePrintedFax(records::FaxTables &tables, const PrintedFax &fax, std::string *problem = nullptr);

}  // namespace qln::compose
