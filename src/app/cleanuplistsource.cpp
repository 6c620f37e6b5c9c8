#include "app/cleanuplistsource.h"

#include "records/faxrows.h"

#include <stdexcept>

namespace qln {

std::vector<FaxListColumn> CleanupListSource::outgoingColumns()
{
    return {{"Deleted?", 8, false},  {"Date Sent", 10, false}, {"Time Sent", 5, false},
            {"Recipient", 20, false}, {"Subject", 20, false},  {"Phone", 15, false},
            {"Last Attempt", 35, false}};
}

std::vector<FaxListColumn> CleanupListSource::incomingColumns()
{
    return {{"Deleted?", 8, false}, {"Date Rec'd", 10, false}, {"Time Rec'd", 5, false},
            {"From", 20, false},    {"Pages", 5, true},        {"Fax File", 12, false},
            {"Notes", 20, false}};
}

std::vector<FaxListColumn> CleanupListSource::columns() const
{
    return outgoing_ ? outgoingColumns() : incomingColumns();
}

std::vector<FaxListRow> CleanupListSource::fetch(long first, long count)
{
    std::vector<FaxListRow> rows;
    if (!table_.Active() || first < 0 || count <= 0)
        return rows;
    try {
        for (long pos = first; pos < first + count; ++pos) {
            FaxListRow row;
            if (outgoing_) {
                const records::OutgoingFax f = records::outgoingAt(table_, pos);
                if (f.recNo == 0)
                    break;
                row.recordNumber = f.recNo;
                row.cells = {f.deleted ? "Yes" : "No ", RecordsListSource::displayDate(f.dateSent),
                             f.timeSent, f.recipient, f.subject, f.phone, f.lastResult};
            } else {
                const records::ReceivedFax f = records::receivedAt(table_, pos);
                if (f.recNo == 0)
                    break;
                row.recordNumber = f.recNo;
                row.cells = {f.deleted ? "Yes" : "No ", RecordsListSource::displayDate(f.dateRec),
                             f.timeRec, f.from, f.pages > 0 ? std::to_string(f.pages) : std::string(),
                             f.faxFile, f.notes};
            }
            rows.push_back(std::move(row));
        }
    } catch (const std::exception &) {
        // A row that cannot be read ends the block; the grid shows it blank.
    }
    return rows;
}

}  // namespace qln
