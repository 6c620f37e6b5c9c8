// Storing the row of a received fax in the received-fax table, what a file
// left in the receive directory holds, and a station host for running
// receive mode without a window (the command line).
//
// User-interface thread only.
#pragma once

#include "records/faxrows.h"
#include "sessions/receivestation.h"

#include <ctime>
#include <functional>
#include <set>
#include <string>

namespace qln {

namespace records {
class FaxTables;
class TTable;
}

// Appends the row to RecTable (DATEREC, TIMEREC, FROM, PAGES, FAXFILE,
// NOTES) and reopens the table on its row. A page count above what PAGES
// holds is stored as 99 with the true count put before the notes. False,
// with the reason in |error| when given, when the row could not be written.
bool appendReceivedFax(records::FaxTables &tables, const records::ReceivedFax &row,
                       std::string *error = nullptr);

// The FAXFILE names of every row of RecTable, rows flagged deleted included,
// in capitals (file names are matched without regard to case). The table's
// current row is kept. False when the table cannot be opened.
bool listedReceivedFiles(records::FaxTables &tables, std::set<std::string> &names);

// What a received fax file holds, read without trusting it.
struct ReceivedFileFacts {
    int pages = -1;               // whole pages; -1 when it is no APF file
    bool partialPage = false;     // data of a page that was never completed follows them
    std::string stationId;        // the sender as the file header names it
    std::time_t modified = 0;     // when it was last written
};
ReceivedFileFacts inspectReceivedFile(const std::string &path);

// A host without a window: rows go to the tables of a data directory, each
// event is handed to `onEvent`, and print on receipt goes to `onPrint`.
class HeadlessStationHost : public ReceiveStationHost {
public:
    explicit HeadlessStationHost(records::FaxTables &tables) : tables_(tables) {}

    std::function<void(const std::string &line)> onEvent;
    std::function<void(const std::string &path)> onPrint;

    void setStatusText(const std::string &) override {}
    bool storeReceivedFax(const records::ReceivedFax &row) override;
    bool listedFaxFiles(std::set<std::string> &names) override;
    void printReceivedFax(const std::string &path) override;
    void stationEvent(const std::string &line) override;

private:
    records::FaxTables &tables_;
};

} // namespace qln
