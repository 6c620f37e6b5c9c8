// One fax table's rows as a grid lists them: each fetch reads only the rows
// asked for, by position in the table's current order, and formats dates
// with the locale's short date format. User-interface thread only.
#pragma once

#include "app/faxlistsource.h"
#include "records/ttable.h"

namespace qln {

class RecordsListSource : public FaxListSource {
public:
    RecordsListSource(records::TTable &table, bool outgoing);

    std::vector<FaxListColumn> columns() const override;
    long rowCount() override;
    std::vector<FaxListRow> fetch(long first, long count) override;
    long positionOf(long recordNumber) override;

    // Column layouts of the two grids.
    static std::vector<FaxListColumn> outgoingColumns();
    static std::vector<FaxListColumn> incomingColumns();
    // "YYYYMMDD" in the short date format; "" for an empty or invalid date.
    static std::string displayDate(const std::string &yyyymmdd);

protected:
    records::TTable &table_;
    bool outgoing_;
};

}  // namespace qln
