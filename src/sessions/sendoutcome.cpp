#include "sessions/sendoutcome.h"

#include "common/textutil.h"
#include "records/ttable.h"
#include "sessions/sendfaxjob.h"

namespace qln {

bool WriteSendOutcome(records::TTable &faxTable, int pages, const SendOutcome &outcome, const QDateTime &now)
{
    if (!outcome.attempted)
        return false;
    faxTable.Edit();
    try {
        faxTable.SetNumber("PAGES", pages);
        if (!trim(outcome.lastResult).empty())
            faxTable.SetString("LASTRESULT", outcome.lastResult);
        faxTable.SetString("PHONE", outcome.phone);
        if (SendFaxJob::IsSentResult(outcome.lastResult)) {
            faxTable.SetLogical("SENT", true);
            faxTable.SetDate("DATESENT", now.date().toString(QStringLiteral("yyyyMMdd")).toStdString());
            faxTable.SetString("TIMESENT", now.time().toString(QStringLiteral("hh:mm")).toStdString());
        }
        faxTable.Post();
    } catch (...) {
        faxTable.Cancel();
        throw;
    }
    return true;
}

}  // namespace qln
