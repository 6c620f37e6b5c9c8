#include "records/faxrows.h"

#include "records/sx.h"

namespace qln::records {

namespace {

int smallInt(const std::string &field)
{
    double d = sx_GetDouble(field);
    return (d >= -32768 && d <= 32767) ? int(d) : 0;
}

// Readers of the stored current row of the selected work area.
OutgoingFax outgoingHere()
{
    OutgoingFax r;
    r.recNo = sx_RecNo();
    r.subject = sx_GetTrimString("SUBJECT");
    r.sent = sx_GetLogical("SENT");
    r.dateSent = sx_GetDateString("DATESENT");
    r.timeSent = sx_GetTrimString("TIMESENT");
    r.recipient = sx_GetTrimString("RECIPIENT");
    r.phone = sx_GetTrimString("PHONE");
    r.pages = smallInt("PAGES");
    r.lastResult = sx_GetTrimString("LASTRESULT");
    r.deleted = sx_Deleted();
    return r;
}

ReceivedFax receivedHere()
{
    ReceivedFax r;
    r.recNo = sx_RecNo();
    r.dateRec = sx_GetDateString("DATEREC");
    r.timeRec = sx_GetTrimString("TIMEREC");
    r.from = sx_GetTrimString("FROM");
    r.pages = smallInt("PAGES");
    r.faxFile = sx_GetTrimString("FAXFILE");
    r.notes = sx_GetTrimString("NOTES");
    r.deleted = sx_Deleted();
    return r;
}

CoverPage coverHere()
{
    CoverPage r;
    r.recNo = sx_RecNo();
    r.descript = sx_GetTrimString("DESCRIPT");
    r.deleted = sx_Deleted();
    return r;
}

PhoneEntry phoneHere()
{
    PhoneEntry r;
    r.recNo = sx_RecNo();
    r.name = sx_GetTrimString("NAME");
    r.phone = sx_GetTrimString("PHONE");
    r.deleted = sx_Deleted();
    return r;
}

// Reads the row at `position` of the current order and returns to the row
// that was current, without posting any pending edit of the table.
template <typename Row, typename Read> Row rowAt(TTable &t, long position, Read read)
{
    return t.WithArea([&] {
        long recno = sx_RecNoAt(position);
        if (recno == 0)
            return Row{};
        long back = sx_RecNo();
        bool bof = sx_Bof();
        sx_Go(recno);
        Row r = read();
        sx_Go(back);   // at end of file this fails and leaves the table there
        if (bof)
            sx_Skip(-1);
        return r;
    });
}

} // namespace

OutgoingFax readOutgoing(TTable &t) { return t.WithArea(outgoingHere); }
ReceivedFax readReceived(TTable &t) { return t.WithArea(receivedHere); }
CoverPage readCover(TTable &t) { return t.WithArea(coverHere); }
PhoneEntry readPhone(TTable &t) { return t.WithArea(phoneHere); }

OutgoingFax outgoingAt(TTable &t, long position) { return rowAt<OutgoingFax>(t, position, outgoingHere); }
ReceivedFax receivedAt(TTable &t, long position) { return rowAt<ReceivedFax>(t, position, receivedHere); }
CoverPage coverAt(TTable &t, long position) { return rowAt<CoverPage>(t, position, coverHere); }
PhoneEntry phoneAt(TTable &t, long position) { return rowAt<PhoneEntry>(t, position, phoneHere); }

} // namespace qln::records
