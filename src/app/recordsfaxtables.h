// The main window's access to the outgoing and received fax tables of the
// data directory, over the table binding in records/.
//
// Also lists their rows for the grids: each list reads only the rows asked
// for, by position in the table's current order, and formats dates with the
// locale's short date format. User-interface thread only.
#pragma once

#include "app/faxtablesaccess.h"
#include "records/faxtables.h"

#include <memory>

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

private:
    records::TTable &table_;
    bool outgoing_;
};

class RecordsFaxTables : public FaxTablesAccess {
public:
    explicit RecordsFaxTables(const std::string &dataDir);
    ~RecordsFaxTables() override;

    records::FaxTables &binding() { return *tables_; }

    bool open(FaxList list) override;
    void close(FaxList list) override;
    bool isOpen(FaxList list) const override;
    bool hasTag(FaxList list, const std::string &tag) override;
    bool rebuildIndexes() override;
    long queryCount(FaxList list) override;
    long currentRecordNumber(FaxList list) override;
    long rowCount(FaxList list) override;
    void settleOrder(FaxList list, bool empty) override;
    bool goToRecord(FaxList list, long recordNumber) override;
    std::string field(FaxList list, const std::string &name) override;
    bool deleteCurrent(FaxList list) override;
    bool setNotes(const std::string &notes) override;
    FaxListSource &listSource(FaxList list) override;

private:
    records::TTable &table(FaxList list);
    const records::TTable &table(FaxList list) const;

    std::unique_ptr<records::FaxTables> tables_;
    std::unique_ptr<RecordsListSource> outgoing_;
    std::unique_ptr<RecordsListSource> incoming_;
};

}  // namespace qln
