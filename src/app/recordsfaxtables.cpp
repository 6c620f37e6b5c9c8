#include "app/recordsfaxtables.h"

#include "common/localeformats.h"
#include "records/faxrows.h"

#include <QDate>

#include <stdexcept>

namespace qln {

// ---- RecordsListSource ---------------------------------------------------------

namespace {
// A page count of 0 is a blank field (a fax never rendered); show it blank.
std::string pagesText(int pages) { return pages > 0 ? std::to_string(pages) : std::string(); }
}  // namespace

RecordsListSource::RecordsListSource(records::TTable &table, bool outgoing)
    : table_(table), outgoing_(outgoing)
{
}

std::vector<FaxListColumn> RecordsListSource::outgoingColumns()
{
    return {{"Sent", 3, false},      {"Date Sent", 10, false}, {"Time Sent", 5, false},
            {"Recipient", 20, false}, {"Phone", 15, false},     {"Pages", 5, true},
            {"Subject", 20, false},   {"Last Attempt", 35, false}};
}

std::vector<FaxListColumn> RecordsListSource::incomingColumns()
{
    return {{"Date Rec'd", 10, false}, {"Time Rec'd", 5, false}, {"From", 20, false},
            {"Pages", 5, true},        {"Notes", 20, false},     {"Fax File", 12, false}};
}

std::vector<FaxListColumn> RecordsListSource::columns() const
{
    return outgoing_ ? outgoingColumns() : incomingColumns();
}

std::string RecordsListSource::displayDate(const std::string &yyyymmdd)
{
    if (yyyymmdd.size() != 8)
        return {};
    const QDate d = QDate::fromString(QString::fromStdString(yyyymmdd), QStringLiteral("yyyyMMdd"));
    if (!d.isValid())
        return {};
    return formatDate(localeFormats().shortDateFormat, d);
}

long RecordsListSource::rowCount()
{
    if (!table_.Active())
        return 0;
    try {
        return table_.VisibleCount();
    } catch (const std::exception &) {
        return 0;
    }
}

std::vector<FaxListRow> RecordsListSource::fetch(long first, long count)
{
    std::vector<FaxListRow> rows;
    if (!table_.Active() || first < 0 || count <= 0)
        return rows;
    rows.reserve(static_cast<size_t>(count));
    try {
        for (long pos = first; pos < first + count; ++pos) {
            FaxListRow row;
            if (outgoing_) {
                const records::OutgoingFax f = records::outgoingAt(table_, pos);
                if (f.recNo == 0)
                    break;
                row.recordNumber = f.recNo;
                row.cells = {f.sent ? "Yes" : "No ", displayDate(f.dateSent), f.timeSent,
                             f.recipient,           f.phone,
                             pagesText(f.pages), f.subject, f.lastResult};
            } else {
                const records::ReceivedFax f = records::receivedAt(table_, pos);
                if (f.recNo == 0)
                    break;
                row.recordNumber = f.recNo;
                row.cells = {displayDate(f.dateRec), f.timeRec, f.from,
                             pagesText(f.pages), f.notes,  f.faxFile};
            }
            rows.push_back(std::move(row));
        }
    } catch (const std::exception &) {
        // A row that cannot be read ends the block; the grid shows it blank.
    }
    return rows;
}

long RecordsListSource::positionOf(long recordNumber)
{
    if (!table_.Active())
        return -1;
    try {
        return table_.PositionOf(recordNumber);
    } catch (const std::exception &) {
        return -1;
    }
}

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

bool RecordsFaxTables::rebuildIndexes()
{
    try {
        tables_->RebuildIndexes([](const std::string &) {});
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

FaxListSource &RecordsFaxTables::listSource(FaxList list)
{
    return list == FaxList::Outgoing ? *outgoing_ : *incoming_;
}

}  // namespace qln
