// What the send command writes back into the outgoing fax record once the
// send window has closed: PAGES, LASTRESULT (when not blank) and PHONE after
// any attempt, and SENT, DATESENT, TIMESENT only when the last result says
// the fax was sent. Nothing is written when no attempt was made.
//
// User-interface thread only (the table binding's thread).
#pragma once

#include <QDateTime>

#include <string>

namespace qln {

namespace records {
class TTable;
}

struct SendOutcome {
    bool attempted = false;
    std::string lastResult;
    std::string phone;  // the number as it stood in the window
};

// Writes the outcome into the current row of the outgoing fax table and
// posts it; `now` gives DATESENT and TIMESENT ("hh:mm", 24-hour clock).
// Returns whether anything was written. Throws what the table throws when
// the row cannot be written.
bool WriteSendOutcome(records::TTable &faxTable, int pages, const SendOutcome &outcome,
                      const QDateTime &now);

}  // namespace qln
