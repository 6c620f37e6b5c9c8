#include "sessions/sendoutcome.h"

#include "common/textutil.h"
#include "records/ttable.h"
#include "sessions/pagesfield.h"
#include "sessions/sendfaxjob.h"

#include <cstdio>

namespace qln {

namespace {

constexpr std::size_t kLastResultWidth = 100;

}  // namespace

SendOutcome SendOutcome::of(const SendFaxJob &job, const std::string &phone)
{
    return {job.attempted(), job.lastResult(), phone, job.sentAt()};
}

bool WriteSendOutcome(records::TTable &faxTable, int pages, const SendOutcome &outcome)
{
    if (!outcome.attempted)
        return false;
    faxTable.Edit();
    try {
        faxTable.SetNumber("PAGES", pagesFieldValue(pages));
        if (!trim(outcome.lastResult).empty())
            faxTable.SetString("LASTRESULT", withPagesNote(outcome.lastResult, pages, kLastResultWidth));
        faxTable.SetString("PHONE", outcome.phone);
        if (SendFaxJob::IsSentResult(outcome.lastResult)) {
            const QDateTime at = outcome.sentAt.isValid() ? outcome.sentAt : QDateTime::currentDateTime();
            faxTable.SetLogical("SENT", true);
            faxTable.SetDate("DATESENT", at.date().toString(QStringLiteral("yyyyMMdd")).toStdString());
            faxTable.SetString("TIMESENT", at.time().toString(QStringLiteral("hh:mm")).toStdString());
        }
        faxTable.Post();
    } catch (...) {
        faxTable.Cancel();
        throw;
    }
    return true;
}

bool CompleteSend(records::TTable &faxTable, int pages, const SendOutcome &outcome, const std::string &faxFile)
{
    if (!faxFile.empty())
        std::remove(faxFile.c_str());
    return WriteSendOutcome(faxTable, pages, outcome);
}

}  // namespace qln
