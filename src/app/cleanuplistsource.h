// One fax table's rows as the clean-up window's grids list them: "Deleted?"
// first, then the outgoing or received fields in the clean-up's column
// order. Reads only the rows asked for, like the main window's lists.
// User-interface thread only.
#pragma once

#include "app/recordslistsource.h"

namespace qln {

class CleanupListSource : public RecordsListSource {
public:
    using RecordsListSource::RecordsListSource;

    std::vector<FaxListColumn> columns() const override;
    std::vector<FaxListRow> fetch(long first, long count) override;

    static std::vector<FaxListColumn> outgoingColumns();
    static std::vector<FaxListColumn> incomingColumns();
};

}  // namespace qln
