// Small operations the phonebook and cover template browsers share on their
// tables: the count of listed rows, moving to a listed row, the current
// record number and settling after a delete. Failures of the engine read as
// "nothing there". User-interface thread only.
#pragma once

#include "records/ttable.h"

#include <stdexcept>
#include <vector>

namespace qln::compose {

// Rows passing the query; 0 when the table is closed or unreadable.
long listedCount(records::TTable &t);
// Makes a listed row current; false when it is not listed.
bool goToListed(records::TTable &t, long recordNumber);
// Record number of the current row; 0 when the table is closed.
long currentRecord(records::TTable &t);
// After the current row was flagged deleted: moves to the row that took its
// place, or to the new last row, or to no row at all.
void settleAfterDelete(records::TTable &t);
// Flags the current row deleted; false (reported with `what`) on failure.
bool deleteCurrentRow(records::TTable &t, const char *what);

// The listed rows in the table's order, read with `at` (records::phoneAt,
// records::coverAt); a read failure ends the list there.
template <typename Row> std::vector<Row> listedRows(records::TTable &t, Row (*at)(records::TTable &, long))
{
    std::vector<Row> out;
    if (!t.Active())
        return out;
    try {
        const long n = t.VisibleCount();
        for (long i = 0; i < n; ++i) {
            Row r = at(t, i);
            if (r.recNo > 0)
                out.push_back(std::move(r));
        }
    } catch (const std::exception &) {
    }
    return out;
}

}  // namespace qln::compose
