#include "app/recordslistsource.h"

#include "common/localeformats.h"
#include "records/faxrows.h"

#include <QDate>

#include <stdexcept>

namespace qln {

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

}  // namespace qln
