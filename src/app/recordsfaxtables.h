// The main window's access to the outgoing and received fax tables of the
// data directory, over the table binding in records/. User-interface thread
// only.
#pragma once

#include "app/faxtablesaccess.h"
#include "app/recordslistsource.h"
#include "records/faxtables.h"

#include <memory>

namespace qln {

class RecordsFaxTables : public FaxTablesAccess {
public:
    explicit RecordsFaxTables(const std::string &dataDir);
    ~RecordsFaxTables() override;

    records::FaxTables &binding() { return *tables_; }

    bool open(FaxList list) override;
    void close(FaxList list) override;
    bool isOpen(FaxList list) const override;
    bool hasTag(FaxList list, const std::string &tag) override;
    bool rebuildIndexes(const std::function<void(const std::string &)> &progress) override;
    long queryCount(FaxList list) override;
    long currentRecordNumber(FaxList list) override;
    long rowCount(FaxList list) override;
    void settleOrder(FaxList list, bool empty) override;
    bool goToRecord(FaxList list, long recordNumber) override;
    std::string field(FaxList list, const std::string &name) override;
    bool deleteCurrent(FaxList list) override;
    bool setNotes(const std::string &notes) override;
    bool appendReceived(const records::ReceivedFax &row) override;
    FaxListSource &listSource(FaxList list) override;
    records::FaxTables *engineTables() override { return tables_.get(); }

private:
    records::TTable &table(FaxList list);
    const records::TTable &table(FaxList list) const;

    std::unique_ptr<records::FaxTables> tables_;
    std::unique_ptr<RecordsListSource> outgoing_;
    std::unique_ptr<RecordsListSource> incoming_;
};

// The table binding behind a window's tables, or nullptr for a stand-in
// that has none.
records::FaxTables *bindingOf(FaxTablesAccess &tables);

}  // namespace qln
