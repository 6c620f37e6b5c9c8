// The fax log clean-up: flags outgoing or received faxes deleted, one at a
// time or in groups chosen by an xBase condition, and removes a received
// fax's image file together with its row. The clean-up window and the
// `qlnfax cleanup` command both drive this object; the questions around it
// belong to the window.
//
// Flagged rows vanish from every list at once but stay in the table files
// until the index rebuild (FaxTables::RebuildIndexes) packs them away; the
// caller runs that rebuild when ChangesMade() is true.
//
// Threading: user-interface thread only, like the tables.
#pragma once

#include "records/faxtables.h"

#include <string>
#include <vector>

namespace qln::records {

enum class FaxLog { Outgoing, Received };

// Conditions of the group actions.
inline constexpr const char *kSentCondition = ".not. EMPTY(DATESENT)";
inline constexpr const char *kNotSentCondition = "EMPTY(DATESENT)";
inline constexpr const char *kAllCondition = ".true.";

// The date field a log is cleaned up by: DATESENT or DATEREC.
const char *DateFieldOf(FaxLog log);

// Rows dated before a day: (DTOS(DATESENT)<"YYYYMMDD") with DATEREC for
// received faxes. Rows with an empty date also compare lower, so this
// condition is run with the date rule of DeleteForCondition switched on.
std::string BeforeDateCondition(FaxLog log, const std::string &yyyymmdd);

// Fields the condition window matches on.
enum class MatchField { From, Recipient, Phone };
const char *FieldNameOf(MatchField field);

// Rows whose field, trimmed and upper-cased, equals the text (exact) or
// contains it anywhere (partial); the text is trimmed and upper-cased too:
//   exact:   ALLTRIM(UPPER(FROM))=="SMITH"
//   partial: "SMITH"$ALLTRIM(UPPER(FROM))
// Empty when the text is blank, or holds both kinds of quote and so cannot
// be written as a literal; a blank condition deletes nothing.
std::string MatchCondition(MatchField field, const std::string &text, bool exact);

struct CleanupResult {
    long deleted = 0;                       // faxes flagged (or, dry run, that would be)
    std::vector<std::string> fileProblems;  // received files not removed, one line each
    std::string error;                      // condition not usable on the table; nothing deleted
};

class FaxLogCleanup {
public:
    explicit FaxLogCleanup(FaxTables &tables);

    TTable &Table(FaxLog log);

    // First activation of the clean-up: keeps each table's query text, then
    // clears both queries and moves both tables to their first row (rows
    // flagged deleted stay hidden by the engine).
    void Begin();
    // Sets the kept query texts again.
    void End();

    // True once at least one fax was deleted.
    bool ChangesMade() const { return changesMade_; }

    // No row to show: the table is at its beginning and its end at once.
    bool IsEmpty(FaxLog log);

    // Deletes the current fax (a received fax's file first, then its row)
    // and makes the row that followed it current (the end of the table when
    // it was the last).
    CleanupResult DeleteCurrent(FaxLog log);

    // Deletes every fax of the table for which the condition is true and
    // that is not flagged already, visiting the rows in record order. With
    // `dateRule`, rows whose date field is empty are spared (a fax never
    // sent has no date and is not "before" any day). The order and the
    // current row are restored afterwards (errors ignored). A blank
    // condition deletes nothing. With `dryRun` only counts.
    CleanupResult DeleteForCondition(FaxLog log, const std::string &condition, bool dateRule,
                                     bool dryRun = false);

private:
    bool deleteFax(FaxLog log, CleanupResult &result);

    FaxTables &tables_;
    bool changesMade_ = false;
    bool begun_ = false;
    std::string savedFaxQuery_, savedRecQuery_;
};

} // namespace qln::records
