// Where a fax list model gets its rows from.
//
// A source lists the rows passing its table's query in the table's current
// order and hands out a few consecutive rows at a time, already formatted
// for display. The model asks only for the rows the view is about to paint,
// so an implementation must not read every row to answer. Used on the
// user-interface thread only.
#pragma once

#include <string>
#include <vector>

namespace qln {

struct FaxListColumn {
    std::string title;     // column title in the grid
    int displayChars = 0;  // display width in characters
    bool alignRight = false;
};

struct FaxListRow {
    long recordNumber = 0;           // record number in the table (from 1)
    std::vector<std::string> cells;  // one text per column
};

class FaxListSource {
public:
    virtual ~FaxListSource() = default;

    virtual std::vector<FaxListColumn> columns() const = 0;
    // Rows passing the query.
    virtual long rowCount() = 0;
    // Up to `count` rows starting at the 0-based position `first` in the
    // current order. Fewer rows come back near the end or on read failure.
    virtual std::vector<FaxListRow> fetch(long first, long count) = 0;
    // Position (0-based) of a record number in the current order, -1 when it
    // is not listed.
    virtual long positionOf(long recordNumber) = 0;
};

}  // namespace qln
