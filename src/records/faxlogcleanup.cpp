#include "records/faxlogcleanup.h"

#include "records/receivedfile.h"
#include "records/sx.h"

#include <cctype>
#include <stdexcept>

namespace qln::records {

namespace {

std::string trimmedUpper(const std::string &text)
{
    const auto b = text.find_first_not_of(' ');
    if (b == std::string::npos)
        return {};
    std::string s = text.substr(b, text.find_last_not_of(' ') - b + 1);
    for (char &c : s)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool blank(const std::string &s) { return s.find_first_not_of(' ') == std::string::npos; }

// A string literal of the expression language: "..." unless the text holds
// a double quote, then '...'; empty when it holds both.
std::string literal(const std::string &text)
{
    if (text.find('"') == std::string::npos)
        return '"' + text + '"';
    if (text.find('\'') == std::string::npos)
        return '\'' + text + '\'';
    return {};
}

} // namespace

const char *DateFieldOf(FaxLog log) { return log == FaxLog::Outgoing ? "DATESENT" : "DATEREC"; }

std::string BeforeDateCondition(FaxLog log, const std::string &yyyymmdd)
{
    return std::string("(DTOS(") + DateFieldOf(log) + ")<\"" + yyyymmdd + "\")";
}

const char *FieldNameOf(MatchField field)
{
    switch (field) {
    case MatchField::From: return "FROM";
    case MatchField::Recipient: return "RECIPIENT";
    default: return "PHONE";
    }
}

std::string MatchCondition(MatchField field, const std::string &text, bool exact)
{
    const std::string quoted = literal(trimmedUpper(text));
    if (blank(text) || quoted.empty())
        return {};
    const std::string subject = std::string("ALLTRIM(UPPER(") + FieldNameOf(field) + "))";
    return exact ? subject + "==" + quoted : quoted + "$" + subject;
}

FaxLogCleanup::FaxLogCleanup(FaxTables &tables) : tables_(tables) {}

TTable &FaxLogCleanup::Table(FaxLog log)
{
    return log == FaxLog::Outgoing ? tables_.FaxTable : tables_.RecTable;
}

void FaxLogCleanup::Begin()
{
    savedFaxQuery_ = tables_.FaxTable.Query();
    savedRecQuery_ = tables_.RecTable.Query();
    begun_ = true;
    for (TTable *t : {&tables_.FaxTable, &tables_.RecTable}) {
        try {
            if (t->Active()) {
                t->SetQuery("");
                t->First();
            }
        } catch (const std::exception &) {
            // A table that cannot be refreshed shows as it is.
        }
    }
}

void FaxLogCleanup::End()
{
    if (!begun_)
        return;
    begun_ = false;
    tables_.FaxTable.SetQuery(savedFaxQuery_);
    tables_.RecTable.SetQuery(savedRecQuery_);
}

bool FaxLogCleanup::IsEmpty(FaxLog log)
{
    TTable &t = Table(log);
    try {
        return !t.Active() || t.VisibleCount() == 0;
    } catch (const std::exception &) {
        return true;
    }
}

// Flags the current row, then removes a received fax's file. Flagging first
// means a row that cannot be flagged keeps its file, and a file that cannot
// be removed is reported while its row is gone from the lists.
bool FaxLogCleanup::deleteFax(FaxLog log, CleanupResult &result)
{
    TTable &t = Table(log);
    const std::string faxFile = log == FaxLog::Received ? t.GetString("FAXFILE") : std::string();
    if (!t.FlagDeleted()) {
        result.error = "Unable to delete the fax: " + sx_ErrorText();
        return false;
    }
    changesMade_ = true;
    if (log == FaxLog::Received) {
        std::string error;
        const ReceivedFileRemoval outcome = RemoveReceivedFile(tables_.DataDir(), faxFile, error);
        if (outcome == ReceivedFileRemoval::Refused || outcome == ReceivedFileRemoval::Failed)
            result.fileProblems.push_back(error);
    }
    return true;
}

CleanupResult FaxLogCleanup::DeleteCurrent(FaxLog log)
{
    CleanupResult result;
    TTable &t = Table(log);
    try {
        if (!t.Active() || t.Eof())
            return result;
        const long first = t.RecNo();
        t.Next();
        const long next = t.RecNo();
        t.GoTo(first);
        if (deleteFax(log, result)) {
            ++result.deleted;
            if (!t.Commit())
                result.error = "Unable to delete the fax: " + sx_ErrorText();
        }
        t.GoTo(next);   // past the end when it was the last row
    } catch (const std::exception &e) {
        if (result.error.empty())
            result.error = e.what();
    }
    return result;
}

CleanupResult FaxLogCleanup::DeleteForCondition(FaxLog log, const std::string &condition, bool dateRule,
                                                bool dryRun)
{
    CleanupResult result;
    TTable &t = Table(log);
    if (blank(condition) || !t.Active())
        return result;
    long recno = 0;
    int order = 0;
    try {
        recno = t.RecNo();
        order = t.IndexOrd();
        // Record order, every row by number: flagged rows are passed over
        // by their flag rather than hidden, and no row is visited twice
        // however the order's keys change under the deletions.
        t.SetOrder(0);
        const long rows = t.RecordCount();
        const char *dateField = DateFieldOf(log);
        for (long n = 1; n <= rows; ++n) {
            if (!t.GoTo(n))
                continue;
            bool hit = false;
            if (!t.EvalLogical(condition, hit)) {
                result.error = "The condition " + condition + " cannot be used on " + t.TableName + ": " +
                               sx_ErrorText();
                break;
            }
            if (!hit || t.IsDeleted() || (dateRule && t.FieldIsNull(dateField)))
                continue;
            if (!dryRun && !deleteFax(log, result))
                break;
            ++result.deleted;
        }
        if (!dryRun && result.deleted > 0 && !t.Commit())
            result.error = "Unable to delete the faxes: " + sx_ErrorText();
    } catch (const std::exception &e) {
        if (result.error.empty())
            result.error = e.what();
    }
    // Back to the order and row the user had; a row that is gone leaves the
    // table at its end.
    try {
        t.SetOrder(order);
        t.GoTo(recno);
    } catch (const std::exception &) {
    }
    return result;
}

} // namespace qln::records
