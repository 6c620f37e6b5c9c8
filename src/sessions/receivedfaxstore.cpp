#include "sessions/receivedfaxstore.h"

#include "records/faxtables.h"

#include <stdexcept>

namespace qln {

bool appendReceivedFax(records::FaxTables &tables, const records::ReceivedFax &row, std::string *error)
{
    records::TTable &t = tables.RecTable;
    try {
        if (!t.Active() && !tables.OpenRecFaxDBF())
            throw std::runtime_error("the table of received faxes cannot be opened");
        t.Append();
        t.SetDate("DATEREC", row.dateRec);
        t.SetString("TIMEREC", row.timeRec);
        t.SetString("FROM", row.from);
        t.SetNumber("PAGES", row.pages);
        t.SetString("FAXFILE", row.faxFile);
        t.SetString("NOTES", row.notes);
        t.Post();
    } catch (const std::exception &e) {
        try {
            t.Cancel();
        } catch (const std::exception &) {
        }
        if (error)
            *error = e.what();
        return false;
    }
    tables.RecTableCloseAndOpen();
    return true;
}

bool HeadlessStationHost::storeReceivedFax(const records::ReceivedFax &row)
{
    std::string error;
    if (appendReceivedFax(tables_, row, &error))
        return true;
    stationEvent("error: cannot store " + row.faxFile + ": " + error);
    return false;
}

void HeadlessStationHost::printReceivedFax(const std::string &path)
{
    if (onPrint)
        onPrint(path);
}

void HeadlessStationHost::stationEvent(const std::string &line)
{
    if (onEvent)
        onEvent(line);
}

} // namespace qln
