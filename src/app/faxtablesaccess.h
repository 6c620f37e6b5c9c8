// What the main window needs of the outgoing and received fax tables.
//
// The window reaches its two tables only through this interface, so that the
// commands are exercised with real tables in the data directory and, where a
// failure must be provoked (a table that cannot be created), with a stand-in.
// RecordsFaxTables is the implementation over the table engine.
// User-interface thread only.
#pragma once

#include "app/faxlistsource.h"
#include "records/faxrows.h"

#include <functional>
#include <string>

namespace qln::records {
class FaxTables;
}

namespace qln {

enum class FaxList { Outgoing, Incoming };

class FaxTablesAccess {
public:
    virtual ~FaxTablesAccess() = default;

    // Opens (creating when missing) the table; false when it cannot.
    virtual bool open(FaxList list) = 0;
    virtual void close(FaxList list) = 0;
    virtual bool isOpen(FaxList list) const = 0;

    // Whether the table's index file has the tag.
    virtual bool hasTag(FaxList list, const std::string &tag) = 0;
    // Builds the full tag set on both tables (closing indexes, packing away
    // deleted rows), reporting each step's text through progress. Tables
    // that are closed stay closed. False when the rebuild failed.
    virtual bool rebuildIndexes(const std::function<void(const std::string &)> &progress) = 0;

    // Rows passing the query ".not. deleted()".
    virtual long queryCount(FaxList list) = 0;
    // Record number of the current row, or row count plus one when none.
    virtual long currentRecordNumber(FaxList list) = 0;
    virtual long rowCount(FaxList list) = 0;
    // Selects record order for an empty table and the date tag (moved to the
    // first row) for a non-empty table without an order.
    virtual void settleOrder(FaxList list, bool empty) = 0;

    // Makes a record current; false when it cannot be reached.
    virtual bool goToRecord(FaxList list, long recordNumber) = 0;
    // Trimmed text of a field of the current row ("" when unreadable).
    virtual std::string field(FaxList list, const std::string &name) = 0;
    // Flags the current row deleted; false on failure.
    virtual bool deleteCurrent(FaxList list) = 0;
    // Stores NOTES in the current received row; false on failure.
    virtual bool setNotes(const std::string &notes) = 0;
    // Appends the row of a received fax and reopens the table on it; false
    // when it could not be written.
    virtual bool appendReceived(const records::ReceivedFax & /*row*/) { return false; }

    // The rows as the grid shows them.
    virtual FaxListSource &listSource(FaxList list) = 0;

    // The table binding itself, for windows that work on the tables directly
    // (the clean-up); nullptr for tables that are not the engine's.
    virtual records::FaxTables *engineTables() { return nullptr; }
};

}  // namespace qln
