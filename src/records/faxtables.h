// The fax tables of the data directory and the operations the windows call
// on them: creating and opening the four tables with their first index
// tags, memo transfer through "Eraseme.rtf", reopening on the same row, the
// date and time text of a fax, and the engine side of the index rebuild.
//
// Open and create routines turn every failure into a false result and show
// nothing; the caller reports. Threading: user-interface thread only.
#pragma once

#include "records/faxrows.h"
#include "records/ttable.h"

#include <functional>
#include <string>
#include <vector>

namespace qln::records {

// File names in the data directory.
inline constexpr const char *kFaxFile = "QLN.DBF";
inline constexpr const char *kRecFile = "QLNREC.DBF";
inline constexpr const char *kCoverFile = "QLNCOV.DBF";
inline constexpr const char *kPhoneFile = "QLNPB.DBF";
inline constexpr const char *kMemoTransferFile = "Eraseme.rtf";
inline constexpr const char *kNotDeletedQuery = ".not. deleted()";

// Locale formatting supplied by the caller (records stays free of Qt).
struct DateTimeFormat {
    // Formats a valid date; returns "" to mean "cannot format".
    std::function<std::string(int year, int month, int day)> shortDate;
    std::function<std::string(int hour, int minute)> shortTime;
};

class FaxTables {
public:
    // Starts the engine (string type, error level, deleted rows hidden).
    explicit FaxTables(std::string dataDir);
    ~FaxTables();

    const std::string &DataDir() const { return dataDir_; }
    std::string PathOf(const std::string &fileName) const;

    TTable FaxTable{"FaxTable"};
    TTable RecTable{"RecTable"};
    TTable CoverTable{"CoverTable"};
    TTable PhoneTable{"PhoneTable"};

    bool MakeFaxDBF();
    bool MakeRecFaxDBF();
    bool MakeCoverDBF();
    bool MakePhoneDBF(TTable &phone);

    bool OpenFaxDBF();
    bool OpenRecFaxDBF();
    bool OpenCoverDBF();
    bool OpenPhoneDBF(TTable &phone);
    // Why the last open or create routine returned false ("" after a
    // success): the engine's text or the binding's ("Invalid Field Type F").
    const std::string &LastError() const { return lastError_; }
    // The texts of the four table files whose header disagrees with their
    // size (see TableCheck); such a table does not open, and is never packed
    // or rewritten, until it is repaired.
    std::vector<std::string> DamagedTables() const;
    // Repairs each damaged table after copying its files into `backupDir`;
    // returns one line per table repaired (or a failure text).
    std::vector<std::string> RepairTables(const std::string &backupDir);

    // Memo transfer through "Eraseme.rtf" in the data directory. The caller
    // clears the control before LoadRichText; loadFile loads the RTF file
    // into it (false on failure). Load returns false, without calling
    // loadFile, when the memo cannot be written to the file; the file is
    // deleted afterwards either way. saveFile saves the control's content
    // as RTF into the file, which SaveRichText leaves in place; a pending
    // new row is written before its memo and editing then continues.
    bool LoadRichText(TTable &table, const std::string &memoField,
                      const std::function<bool(const std::string &path)> &loadFile);
    bool SaveRichText(TTable &table, const std::string &memoField,
                      const std::function<bool(const std::string &path)> &saveFile);
    // The all-or-nothing form of SaveRichText, for a row being appended or
    // edited: saveFile writes "Eraseme.rtf" as above, and its content
    // becomes the pending row's memo (TTable::SetMemo), so nothing reaches
    // the files before the caller's Post(), and a failed Post() writes
    // nothing. The file is deleted afterwards. False, with the pending row
    // as it was, when the file cannot be saved or read or the table is not
    // being edited.
    bool StageRichText(TTable &table, const std::string &memoField,
                       const std::function<bool(const std::string &path)> &saveFile);

    bool FaxTableCloseAndOpen();
    bool RecTableCloseAndOpen();

    // "<date> at <time>", "not sent", with "unknown" for unreadable parts.
    std::string GetDatetimeAsString(bool outgoing, const DateTimeFormat &fmt);

    // True when FaxTable or RecTable lacks the tag DATEND.
    bool NeedsIndexRebuild();
    // Removes flagged rows from all four tables and builds every tag anew;
    // progress receives each status text. FaxTable and RecTable are rebuilt
    // when open (never opened here); the phonebook and cover tables are
    // opened for it. Leaves FaxTable ordered by DATESENT, RecTable by
    // DATETIME, phonebook and cover tables closed.
    void RebuildIndexes(const std::function<void(const std::string &)> &progress);

    void CloseAll();

private:
    bool makeTable(const std::string &file, int which);
    bool openMain(TTable &t, const std::string &file, int which, bool first);
    bool openSide(TTable &t, const std::string &file, int which);
    void rebuildOne(TTable &t, int which, const std::function<void(const std::string &)> &progress,
                    const char *removing, const char *rebuilding);

    bool failWith(const std::string &text);

    std::string dataDir_;
    std::string lastError_;
};

} // namespace qln::records
