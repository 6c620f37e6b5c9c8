// What happens once the send window has closed, for the window and for
// `qlnfax fax send` alike: the rendered fax file is deleted, and the
// outgoing fax record gets PAGES, LASTRESULT (when not blank) and PHONE
// after any attempt, and SENT, DATESENT, TIMESENT only when the last result
// says the fax was sent. Nothing is written when no attempt was made.
//
// User-interface thread only (the table binding's thread).
#pragma once

#include <QDateTime>

#include <string>

namespace qln {

namespace records {
class TTable;
}
class SendFaxJob;

struct SendOutcome {
    bool attempted = false;
    std::string lastResult;
    std::string phone;  // the number as it stood in the window
    // When the call that sent the fax ended (the send log's time); invalid
    // while nothing was sent.
    QDateTime sentAt;

    // The outcome of the attempts a job made, with the number of the window.
    static SendOutcome of(const SendFaxJob &job, const std::string &phone);
};

// Writes the outcome into the current row of the outgoing fax table and
// posts it; DATESENT and TIMESENT ("hh:mm", 24-hour clock) are the time the
// call ended (the current time when a result counts as sent without one).
// A page count above what PAGES holds is stored as 99 with the true count
// added to LASTRESULT. Returns whether anything was written. Throws what the
// table throws when the row cannot be written.
bool WriteSendOutcome(records::TTable &faxTable, int pages, const SendOutcome &outcome);

// The steps after the send window: deletes `faxFile` (whatever the outcome)
// and writes the outcome into the record. Returns and throws as
// WriteSendOutcome.
bool CompleteSend(records::TTable &faxTable, int pages, const SendOutcome &outcome,
                  const std::string &faxFile);

}  // namespace qln
