// Storing the row of a received fax in the received-fax table, and a
// station host for running receive mode without a window (the command line).
//
// User-interface thread only.
#pragma once

#include "records/faxrows.h"
#include "sessions/receivestation.h"

#include <functional>
#include <string>

namespace qln {

namespace records {
class FaxTables;
class TTable;
}

// Appends the row to RecTable (DATEREC, TIMEREC, FROM, PAGES, FAXFILE,
// NOTES) and reopens the table on its row. False, with the reason in
// |error| when given, when the row could not be written.
bool appendReceivedFax(records::FaxTables &tables, const records::ReceivedFax &row,
                       std::string *error = nullptr);

// A host without a window: rows go to the tables of a data directory, each
// event is handed to `onEvent`, and print on receipt goes to `onPrint`.
class HeadlessStationHost : public ReceiveStationHost {
public:
    explicit HeadlessStationHost(records::FaxTables &tables) : tables_(tables) {}

    std::function<void(const std::string &line)> onEvent;
    std::function<void(const std::string &path)> onPrint;

    void setStatusText(const std::string &) override {}
    bool storeReceivedFax(const records::ReceivedFax &row) override;
    void printReceivedFax(const std::string &path) override;
    void stationEvent(const std::string &line) override;

private:
    records::FaxTables &tables_;
};

} // namespace qln
