// The sx_ operations: the table engine's procedural interface.
//
// The engine keeps a set of work areas (open tables), each with an alias,
// and one current work area that every record, field and navigation call
// works on; sx_Select switches it. Results follow the xBase engine
// conventions: bool/non-zero for success, 0 or false for failure, with the
// reason kept for sx_ErrorText(). No call throws and no malformed file
// crashes the engine.
//
// Threading: the engine state is process-wide and not synchronised; use it
// from one thread (the user-interface thread) only.
#pragma once

#include <cstdint>
#include <string>

namespace qln::records {

// Drivers accepted by sx_Use / sx_CreateNew.
constexpr int SDENTX = 1;    // dBase III style files, no production index
constexpr int SDEFOX = 2;    // FoxPro 2.x DBF/FPT with the compound index (.CDX)
constexpr int SDENSX = 3;    // DBF/FPT without production index

// Open modes of sx_Use. Only EXCLUSIVE locks the table (an advisory lock
// on the DBF, waited for a bounded time while another program holds it, see
// filelock.h); READWRITE does no locking and is meant for single-user use.
constexpr int READWRITE = 0;
constexpr int READONLY = 1;
constexpr int EXCLUSIVE = 2;

// Value kinds of sx_Replace.
constexpr int R_INTEGER = 1;   // value: decimal text
constexpr int R_LOGICAL = 2;   // value: "T"/"F" (also .T., Y/N, 1/0)
constexpr int R_CHAR = 3;      // value: text (padded or cut to the width)
constexpr int R_DATESTR = 4;   // value: "YYYYMMDD", blank for an empty date
constexpr int R_MEMO = 5;      // value: the memo text itself
constexpr int R_DOUBLE = 6;    // value: decimal text
constexpr int R_BLOBFILE = 8192;  // value: path of a file whose whole content becomes the memo

// Engine set-up.
int sx_SetStringType(int type);   // kept for compatibility; strings are std::string
int sx_ErrorLevel(int level);     // returns previous level; errors are never shown
void sx_SetDeleted(bool hide);    // hide rows flagged deleted from navigation and counts
bool sx_GetDeletedSetting();

// Last error of any call, "" after a success.
const std::string &sx_ErrorText();

// Creation: sx_CreateNew, then sx_CreateField per field, then sx_CreateExec.
// The new table is left closed.
bool sx_CreateNew(const std::string &path, const std::string &alias, int driver, int fieldCount);
bool sx_CreateField(const std::string &name, const std::string &type, int width, int decimals);
bool sx_CreateExec();

// Work areas.
int sx_WorkArea(const std::string &alias);  // area number of an alias in use, 0 when free
int sx_Use(const std::string &path, const std::string &alias, int openMode, int driver);
int sx_Select(int area);                    // returns the previous current area
int sx_CurrentArea();
std::string sx_Alias();
void sx_Close();
void sx_CloseAll();

// Index tags of the compound index opened with the table. `file` must be
// empty (production index). The tag becomes the current order. Returns the
// tag's order number, 0 on failure. A tag of the same name is replaced.
int sx_IndexTag(const std::string &file, const std::string &tag, const std::string &keyExpr,
                int option, bool descending, const std::string &condition);
int sx_TagArea(const std::string &tag);   // order number, 0 when absent
int sx_SetOrder(int order);               // returns previous order; 0 = record order
int sx_IndexOrd();
int sx_TagCount();
std::string sx_TagName(int order);
std::string sx_TagExpression(int order);   // key expression, "" when absent
bool sx_TagDescending(int order);
std::string sx_IndexFileName();           // path of the compound index file
bool sx_CloseIndexes();

// Query (filter on navigation and counts). Empty text clears it.
bool sx_Query(const std::string &expr);
long sx_QueryRecCount();
std::string sx_DBFilter();

// Navigation. Record numbers start at 1; at end of file sx_RecNo() is
// sx_RecCount() + 1.
void sx_GoTop();
void sx_GoBottom();
void sx_Skip(long n);
bool sx_Go(long recno);
bool sx_Bof();
bool sx_Eof();
long sx_RecNo();
long sx_RecCount();

// Positioned access in the current order: the rows navigation would visit,
// counted from 0. sx_KeyNo is the position of the current row, -1 when it is
// not visited.
long sx_KeyCount();
long sx_RecNoAt(long position);
long sx_KeyNo();
long sx_PositionOf(long recno);   // -1 when that row is not visited

// Reading the current row.
std::string sx_GetRecord();                      // raw record image incl. flag byte
std::string sx_GetString(const std::string &field);
std::string sx_GetTrimString(const std::string &field);
bool sx_GetLogical(const std::string &field);
std::string sx_GetDateString(const std::string &field);  // "YYYYMMDD" or ""
double sx_GetDouble(const std::string &field);
std::string sx_GetMemo(const std::string &field);       // "" when empty or unreadable
// Evaluates an expression on the current row; false on error.
bool sx_EvalString(const std::string &expr, std::string &out);
bool sx_EvalLogical(const std::string &expr, bool &out);

// Writing.
bool sx_AppendBlank();
bool sx_PutRecord(const std::string &image);
bool sx_Replace(const std::string &field, int type, const std::string &value);
bool sx_Rlock(long recno);
bool sx_Unlock(long recno);
bool sx_Commit();
// Drops changes of the current row not yet written (a blank appended row
// is never written).
void sx_CancelUpdate();
bool sx_BlobToFile(const std::string &field, const std::string &path);
bool sx_Delete();
// Takes back record recno, the last of the table, written by an append
// whose row could not be completed; false when it is not the last record.
bool sx_RemoveLastRecord(long recno);
bool sx_Deleted();
bool sx_Pack();

// Structure.
int sx_FieldCount();
std::string sx_FieldName(int index);   // index from 1
char sx_FieldType(const std::string &field);   // 0 when absent
int sx_FieldWidth(const std::string &field);
int sx_FieldDecimals(const std::string &field);
int sx_FieldOffset(const std::string &field);  // offset in the record image
int sx_RecSize();
int sx_Version();   // first byte of the DBF file

// Driver for an existing table, chosen from the DBF's first byte and the
// index files beside it; 0 when the file cannot be read.
int sx_DriverFor(const std::string &dbfPath);

} // namespace qln::records
