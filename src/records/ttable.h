// One fax table as the program sees it: the table component and its engine
// component in one object (FaxTable, RecTable, CoverTable, PhoneTable).
//
// It owns a work area of the engine, selects it around every call and
// restores the previous one, remembers its query text and re-applies it
// after every open, and keeps the table component's edit state: Append()
// and Edit() collect field values in a pending row that Post() writes and
// commits (durable on return). Navigation skips rows flagged deleted and
// rows failing the query.
//
// Threading: user-interface thread only, like the engine.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace qln::records {

// Value type a field maps to.
enum class FieldKind { Text, Date, Boolean, SmallInt, Float, Memo };

// Maps an xBase type letter; throws std::runtime_error with
// "Invalid Field Type " + letter for any other letter.
FieldKind fieldKindFor(char type, int width, int decimals);

class TTable {
public:
    enum class State { Inactive, Browse, Edit, Insert };

    explicit TTable(std::string componentName);
    ~TTable();
    TTable(const TTable &) = delete;
    TTable &operator=(const TTable &) = delete;

    const std::string &Name() const { return name_; }
    std::string DatabaseName;   // directory of the table
    std::string TableName;      // file name, e.g. "QLN.DBF"
    std::string Path() const;   // DatabaseName + "/" + TableName
    std::string IndexPath() const;  // the table's .CDX beside it

    // Opens the table exclusive with the driver its first byte asks for;
    // throws std::runtime_error with the engine's text on failure. Opening
    // an open table does nothing.
    void Open();
    void Close();
    bool Active() const { return area_ != 0; }
    State GetState() const { return state_; }
    int WorkArea() const { return area_; }

    // Query filter; re-applied after every Open().
    bool SetQuery(const std::string &expr);
    const std::string &Query() const { return query_; }
    long QueryRecCount();

    // Order.
    int IndexTag(const std::string &tag, const std::string &key, bool descending,
                 const std::string &condition = ".not. deleted()");
    int TagArea(const std::string &tag);
    bool SelectTag(const std::string &tag);  // false when absent
    void SetOrder(int order);
    int IndexOrd();
    bool CloseIndexes();
    bool Pack();

    // Navigation (posts a pending row first).
    void First();
    void Last();
    void Next();
    void Prior();
    bool GoTo(long recno);
    bool Bof();
    bool Eof();
    long RecordCount();        // rows in the file, flagged ones included
    // Record number of the current row, or RecordCount()+1 when none.
    long RecNo();
    // True when there is no current row (RecNo() == RecordCount()+1).
    bool IsEmptyList();

    // Positioned access in the current order: rows navigation visits.
    long VisibleCount();
    long RecNoAt(long position);      // 0 when out of range
    long PositionOf(long recno);      // -1 when not visited

    // Field values of the current row (or of the pending row while editing).
    std::string GetString(const std::string &field);   // trimmed text
    std::string GetDate(const std::string &field);     // "YYYYMMDD" or ""
    bool GetLogical(const std::string &field);
    int16_t GetSmallInt(const std::string &field);
    double GetFloat(const std::string &field);
    std::string GetMemo(const std::string &field);
    bool FieldIsNull(const std::string &field);        // blank in the file
    std::string RecordImage();                          // raw image of the current row
    // Evaluates a logical xBase expression on the current stored row; false
    // when the expression does not compile or is not logical.
    bool EvalLogical(const std::string &expr, bool &result);

    // Editing.
    void Append();   // pending new row; nothing is written until Post()
    void Edit();     // pending changes to the current row
    void SetString(const std::string &field, const std::string &value);
    void SetDate(const std::string &field, const std::string &yyyymmdd);
    void SetLogical(const std::string &field, bool value);
    void SetNumber(const std::string &field, double value);
    // The whole content of a memo field, written with the row at Post():
    // a row whose Post() fails keeps its old memo, and a new row is not
    // written at all.
    void SetMemo(const std::string &field, const std::string &content);
    // Writes the pending row and commits; throws std::runtime_error on failure.
    void Post();
    void Cancel();
    // Flags the current row deleted and commits; false when there is none.
    // The flagged row stays current; moves continue from its place.
    bool Delete();
    // Flags the current row deleted without committing, for a group of rows
    // made durable together by one Commit(); false when there is none.
    bool FlagDeleted();
    // Makes every change so far durable; false on failure.
    bool Commit();
    // The deleted flag of the current row as the engine reports it.
    bool IsDeleted();

    // Memo of the current row to/from a file (posting a pending row first).
    bool MemoToFile(const std::string &field, const std::string &path);
    bool MemoFromFile(const std::string &field, const std::string &path);

    // Calculated fields. While `calculating` the deleted test asks the
    // engine; otherwise it reads the first byte of the row image (blank or
    // 'E' mean not deleted).
    std::string SentYesNo();
    std::string ISDELETED(bool calculating = true);

    // Runs f with this table's work area selected, restoring the previous one.
    template <typename F> auto WithArea(F &&f);

private:
    friend class AreaGuard;
    void require() const;
    void postIfEditing();
    void writePending();

    std::string name_;
    int area_ = 0;
    std::string query_;
    State state_ = State::Inactive;
    std::map<std::string, std::pair<int, std::string>> pending_;  // field -> (kind, value)
};

// Selects an area for the lifetime of the guard.
class AreaGuard {
public:
    explicit AreaGuard(int area);
    ~AreaGuard();
    AreaGuard(const AreaGuard &) = delete;
    AreaGuard &operator=(const AreaGuard &) = delete;

private:
    int previous_;
};

template <typename F> auto TTable::WithArea(F &&f)
{
    require();
    AreaGuard g(area_);
    return f();
}

} // namespace qln::records
