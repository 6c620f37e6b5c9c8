#include "app/recordsfaxtables.h"

#include "sessions/receivedfaxstore.h"

#include <stdexcept>

namespace qln {

// ---- RecordsFaxTables ----------------------------------------------------------

RecordsFaxTables::RecordsFaxTables(const std::string &dataDir)
    : tables_(std::make_unique<records::FaxTables>(dataDir))
{
    outgoing_ = std::make_unique<RecordsListSource>(tables_->FaxTable, true);
    incoming_ = std::make_unique<RecordsListSource>(tables_->RecTable, false);
}

RecordsFaxTables::~RecordsFaxTables()
{
    try {
        tables_->CloseAll();
    } catch (const std::exception &) {
        // Closing at exit: nothing left to report to.
    }
}

records::TTable &RecordsFaxTables::table(FaxList list)
{
    return list == FaxList::Outgoing ? tables_->FaxTable : tables_->RecTable;
}

const records::TTable &RecordsFaxTables::table(FaxList list) const
{
    return list == FaxList::Outgoing ? tables_->FaxTable : tables_->RecTable;
}

bool RecordsFaxTables::open(FaxList list)
{
    return list == FaxList::Outgoing ? tables_->OpenFaxDBF() : tables_->OpenRecFaxDBF();
}

void RecordsFaxTables::close(FaxList list)
{
    try {
        table(list).Close();
    } catch (const std::exception &) {
        // A table that fails to close is closed as far as the window goes.
    }
}

bool RecordsFaxTables::isOpen(FaxList list) const { return table(list).Active(); }

bool RecordsFaxTables::hasTag(FaxList list, const std::string &tag)
{
    try {
        return table(list).Active() && table(list).TagArea(tag) > 0;
    } catch (const std::exception &) {
        return false;
    }
}

bool RecordsFaxTables::rebuildIndexes(const std::function<void(const std::string &)> &progress)
{
    try {
        tables_->RebuildIndexes(progress);
        return !tables_->NeedsIndexRebuild();
    } catch (const std::exception &) {
        return false;
    }
}

long RecordsFaxTables::queryCount(FaxList list)
{
    try {
        return table(list).Active() ? table(list).QueryRecCount() : 0;
    } catch (const std::exception &) {
        return 0;
    }
}

long RecordsFaxTables::currentRecordNumber(FaxList list)
{
    try {
        return table(list).RecNo();
    } catch (const std::exception &) {
        return rowCount(list) + 1;
    }
}

long RecordsFaxTables::rowCount(FaxList list)
{
    try {
        return table(list).Active() ? table(list).RecordCount() : 0;
    } catch (const std::exception &) {
        return 0;
    }
}

void RecordsFaxTables::settleOrder(FaxList list, bool empty)
{
    records::TTable &t = table(list);
    try {
        if (empty && t.IndexOrd() != 0) {
            t.SetOrder(0);
        } else if (!empty && t.IndexOrd() == 0) {
            t.SelectTag(list == FaxList::Outgoing ? "DATESENT" : "DATETIME");
            t.First();
        }
    } catch (const std::exception &) {
        // Order stays as it was; the list still shows the rows.
    }
}

bool RecordsFaxTables::goToRecord(FaxList list, long recordNumber)
{
    try {
        return table(list).GoTo(recordNumber);
    } catch (const std::exception &) {
        return false;
    }
}

std::string RecordsFaxTables::field(FaxList list, const std::string &name)
{
    try {
        return table(list).GetString(name);
    } catch (const std::exception &) {
        return {};
    }
}

bool RecordsFaxTables::deleteCurrent(FaxList list)
{
    records::TTable &t = table(list);
    try {
        const long position = t.PositionOf(t.RecNo());
        if (!t.Delete())
            return false;
        // Like a grid's data set, move to the row that took the deleted row's
        // place, or to the new last row, or to no row at all.
        const long visible = t.VisibleCount();
        if (visible == 0) {
            t.First();
        } else {
            const long pos = position < 0 ? 0 : (position < visible ? position : visible - 1);
            t.GoTo(t.RecNoAt(pos));
        }
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

bool RecordsFaxTables::setNotes(const std::string &notes)
{
    records::TTable &t = tables_->RecTable;
    try {
        t.Edit();
        t.SetString("NOTES", notes);
        t.Post();
        return true;
    } catch (const std::exception &) {
        try {
            t.Cancel();
        } catch (const std::exception &) {
        }
        return false;
    }
}

bool RecordsFaxTables::appendReceived(const records::ReceivedFax &row)
{
    return appendReceivedFax(*tables_, row);
}

FaxListSource &RecordsFaxTables::listSource(FaxList list)
{
    return list == FaxList::Outgoing ? *outgoing_ : *incoming_;
}

records::FaxTables *bindingOf(FaxTablesAccess &tables)
{
    auto *records = dynamic_cast<RecordsFaxTables *>(&tables);
    return records ? &records->binding() : nullptr;
}

}  // namespace qln
