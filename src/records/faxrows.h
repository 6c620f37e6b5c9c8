// The four row types of the fax tables, read from a table's current row or
// from its N-th visible row. Plain values; threading as TTable.
#pragma once

#include "records/ttable.h"

#include <string>

namespace qln::records {

struct OutgoingFax {
    long recNo = 0;
    std::string subject;
    bool sent = false;
    std::string dateSent;   // "YYYYMMDD", "" while not sent
    std::string timeSent;   // "HH:MM"
    std::string recipient;
    std::string phone;
    int pages = 0;
    std::string lastResult;
    bool deleted = false;
};

struct ReceivedFax {
    long recNo = 0;
    std::string dateRec;    // "YYYYMMDD"
    std::string timeRec;    // "HH:MM"
    std::string from;
    int pages = 0;
    std::string faxFile;    // file name in the receive directory
    std::string notes;
    bool deleted = false;
};

struct CoverPage {
    long recNo = 0;
    std::string descript;
    bool deleted = false;
};

struct PhoneEntry {
    long recNo = 0;
    std::string name;
    std::string phone;
    bool deleted = false;
};

// Stored current row of the table (memo fields are not read here; values
// pending in an edit are not included).
OutgoingFax readOutgoing(TTable &t);
ReceivedFax readReceived(TTable &t);
CoverPage readCover(TTable &t);
PhoneEntry readPhone(TTable &t);

// Row at a position of the current order without moving the table's current
// row; recNo 0 when the position is out of range.
OutgoingFax outgoingAt(TTable &t, long position);
ReceivedFax receivedAt(TTable &t, long position);
CoverPage coverAt(TTable &t, long position);
PhoneEntry phoneAt(TTable &t, long position);

} // namespace qln::records
