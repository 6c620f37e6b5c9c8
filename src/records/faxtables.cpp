#include "records/faxtables.h"

#include "records/posixfile.h"
#include "records/sx.h"
#include "records/tablerepair.h"

#include <cstdio>
#include <stdexcept>
#include <vector>

namespace qln::records {

namespace {

struct FieldSpec {
    const char *name;
    const char *type;
    int width;
    int decimals;
};

enum Which { Fax = 0, Rec = 1, Cover = 2, Phone = 3 };

const std::vector<FieldSpec> &schema(int which)
{
    static const std::vector<FieldSpec> fax{
        {"SUBJECT", "C", 50, 0}, {"SENT", "L", 1, 0}, {"DATESENT", "D", 8, 0}, {"TIMESENT", "C", 5, 0},
        {"RECIPIENT", "C", 35, 0}, {"PHONE", "C", 25, 0}, {"PAGES", "N", 2, 0}, {"LASTRESULT", "C", 100, 0},
        {"RTFCOVER", "M", 10, 0}, {"RTFDOC", "M", 10, 0}};
    static const std::vector<FieldSpec> rec{
        {"DATEREC", "D", 8, 0}, {"TIMEREC", "C", 5, 0}, {"FROM", "C", 20, 0},
        {"PAGES", "N", 2, 0}, {"FAXFILE", "C", 12, 0}, {"NOTES", "C", 60, 0}};
    static const std::vector<FieldSpec> cover{{"DESCRIPT", "C", 35, 0}, {"COVER", "M", 10, 0}};
    static const std::vector<FieldSpec> phone{{"NAME", "C", 35, 0}, {"PHONE", "C", 25, 0}};
    switch (which) {
    case Fax: return fax;
    case Rec: return rec;
    case Cover: return cover;
    default: return phone;
    }
}

struct TagSpec {
    const char *name;
    const char *key;
    bool descending;
};

// The tag made when a table's index file is missing.
TagSpec firstTag(int which)
{
    switch (which) {
    case Fax: return {"DATESENT", "DTOS(DATESENT)+TIMESENT", true};
    case Rec: return {"DATETIME", "DTOS(DATEREC)+TIMEREC", true};
    case Cover: return {"DESCRIPT", "DESCRIPT", false};
    default: return {"NAME", "UPPER(NAME)", false};
    }
}

// The full tag set made by the index rebuild; the first one is the order.
std::vector<TagSpec> fullTags(int which)
{
    switch (which) {
    case Fax:
        return {{"DATESENT", "datesent", true}, {"DATEND", "DTOS(DATESENT)+TIMESENT", false},
                {"SUBJECT", "UPPER(SUBJECT)", false}, {"RECIPIENT", "UPPER(RECIPIENT)", false}};
    case Rec:
        return {{"DATETIME", "DTOS(DATEREC)+TIMEREC", true}, {"DATEND", "DTOS(DATEREC)+TIMEREC", false},
                {"FROM", "UPPER(FROM)", true}};
    case Cover: return {{"DESCRIPT", "DESCRIPT", false}};
    default: return {{"NAME", "UPPER(NAME)", false}};
    }
}

bool readTime(const std::string &s, int &h, int &m)
{
    int n = 0;
    if (std::sscanf(s.c_str(), " %2d:%2d %n", &h, &m, &n) != 2 || size_t(n) != s.size())
        return false;
    return h >= 0 && h < 24 && m >= 0 && m < 60;
}

} // namespace

FaxTables::FaxTables(std::string dataDir) : dataDir_(std::move(dataDir))
{
    while (dataDir_.size() > 1 && dataDir_.back() == '/')
        dataDir_.pop_back();
    sx_SetStringType(1);
    sx_ErrorLevel(1);
    sx_SetDeleted(true);
}

FaxTables::~FaxTables() { CloseAll(); }

std::string FaxTables::PathOf(const std::string &fileName) const
{
    return findCaseInsensitive(dataDir_ + "/" + fileName);
}

void FaxTables::CloseAll()
{
    FaxTable.Close();
    RecTable.Close();
    CoverTable.Close();
    PhoneTable.Close();
}

// ---- creation ------------------------------------------------------------

bool FaxTables::failWith(const std::string &text)
{
    lastError_ = text.empty() ? "unknown error" : text;
    return false;
}

bool FaxTables::makeTable(const std::string &path, int which)
{
    try {
        const auto &fields = schema(which);
        if (!sx_CreateNew(path, "NEWTABLE", SDEFOX, int(fields.size())))
            return failWith(sx_ErrorText());
        for (const auto &f : fields)
            if (!sx_CreateField(f.name, f.type, f.width, f.decimals))
                return failWith(sx_ErrorText());
        if (!sx_CreateExec())
            return failWith(sx_ErrorText());
        if (!fileExists(path))
            return failWith("cannot create " + path);
        lastError_.clear();
        return true;
    } catch (const std::exception &e) {
        return failWith(e.what());
    } catch (...) {
        return failWith("");
    }
}

bool FaxTables::MakeFaxDBF() { return makeTable(dataDir_ + "/" + kFaxFile, Fax); }
bool FaxTables::MakeRecFaxDBF() { return makeTable(dataDir_ + "/" + kRecFile, Rec); }
bool FaxTables::MakeCoverDBF() { return makeTable(dataDir_ + "/" + kCoverFile, Cover); }
bool FaxTables::MakePhoneDBF(TTable &) { return makeTable(dataDir_ + "/" + kPhoneFile, Phone); }

// ---- opening -------------------------------------------------------------

namespace {
// The first tag is made when the index file is missing, and also when it was
// unreadable (the table then opened without any tag).
void ensureFirstTag(TTable &t, int which)
{
    if (t.TagArea(firstTag(which).name) != 0)
        return;
    if (fileExists(findCaseInsensitive(t.IndexPath())) && t.WithArea([] { return sx_TagCount(); }) > 0)
        return;
    TagSpec tag = firstTag(which);
    if (!t.IndexTag(tag.name, tag.key, tag.descending))
        throw std::runtime_error("cannot make tag " + std::string(tag.name) + ": " + sx_ErrorText());
}
} // namespace

bool FaxTables::openMain(TTable &t, const std::string &file, int which, bool first)
{
    try {
        t.DatabaseName = dataDir_;
        t.TableName = file;
        std::string path = PathOf(file);
        if (!fileExists(path)) {
            if (!makeTable(dataDir_ + "/" + file, which))
                return false;
            path = dataDir_ + "/" + file;
        }
        t.TableName = path.substr(path.find_last_of('/') + 1);
        t.Close();
        t.Open();
        ensureFirstTag(t, which);
        t.SelectTag(fullTags(which).front().name);
        if (first)
            t.First();
        if (!t.SetQuery(kNotDeletedQuery))
            return failWith("cannot set the query of " + file + ": " + sx_ErrorText());
        lastError_.clear();
        return true;
    } catch (const std::exception &e) {
        return failWith(e.what());
    } catch (...) {
        return failWith("");
    }
}

bool FaxTables::openSide(TTable &t, const std::string &file, int which)
{
    try {
        if (!t.Active()) {
            t.DatabaseName = dataDir_;
            std::string path = PathOf(file);
            if (!fileExists(path)) {
                if (!makeTable(dataDir_ + "/" + file, which))
                    return false;
                path = dataDir_ + "/" + file;
            }
            t.TableName = path.substr(path.find_last_of('/') + 1);
            t.Open();
        }
        ensureFirstTag(t, which);
        if (!t.SelectTag(firstTag(which).name))
            return failWith("cannot select the tag " + std::string(firstTag(which).name) + " of " + file);
        if (!t.SetQuery(kNotDeletedQuery))
            return failWith("cannot set the query of " + file + ": " + sx_ErrorText());
        lastError_.clear();
        return true;
    } catch (const std::exception &e) {
        return failWith(e.what());
    } catch (...) {
        return failWith("");
    }
}

std::vector<std::string> FaxTables::DamagedTables() const
{
    std::vector<std::string> out;
    for (const char *file : {kFaxFile, kRecFile, kCoverFile, kPhoneFile}) {
        TableCheck check;
        if (Status s = checkTable(PathOf(file), check); !s.isOk())
            out.push_back(s.message());
        else if (check.damaged)
            out.push_back(check.text);
    }
    return out;
}

std::vector<std::string> FaxTables::RepairTables(const std::string &backupDir)
{
    std::vector<std::string> out;
    for (const char *file : {kFaxFile, kRecFile, kCoverFile, kPhoneFile}) {
        const std::string path = PathOf(file);
        TableCheck check;
        if (Status s = checkTable(path, check); !s.isOk() || !check.damaged)
            continue;
        // The table must be closed while its header is rewritten.
        for (TTable *t : {&FaxTable, &RecTable, &CoverTable, &PhoneTable})
            if (t->Active() && findCaseInsensitive(t->Path()) == path)
                t->Close();
        TableRepair r;
        if (Status s = repairTable(path, backupDir, r); !s.isOk())
            out.push_back(file + std::string(": not repaired: ") + s.toString());
        else if (r.repaired)
            out.push_back(file + std::string(": the header counted ") + std::to_string(r.rowsBefore) +
                          " rows, it now counts the " + std::to_string(r.rowsAfter) +
                          " rows the file holds; the old files are in " + r.backupDir);
    }
    return out;
}

bool FaxTables::OpenFaxDBF() { return openMain(FaxTable, kFaxFile, Fax, true); }
bool FaxTables::OpenRecFaxDBF() { return openMain(RecTable, kRecFile, Rec, false); }
bool FaxTables::OpenCoverDBF() { return openSide(CoverTable, kCoverFile, Cover); }
bool FaxTables::OpenPhoneDBF(TTable &phone) { return openSide(phone, kPhoneFile, Phone); }

// ---- memo transfer -------------------------------------------------------

bool FaxTables::LoadRichText(TTable &table, const std::string &memoField,
                             const std::function<bool(const std::string &path)> &loadFile)
{
    const std::string path = dataDir_ + "/" + kMemoTransferFile;
    try {
        if (!table.MemoToFile(memoField, path)) {
            removeFile(path);
            return false;
        }
        bool ok = loadFile(path);
        removeFile(path);
        return ok;
    } catch (...) {
        removeFile(path);
        return false;
    }
}

bool FaxTables::SaveRichText(TTable &table, const std::string &memoField,
                             const std::function<bool(const std::string &path)> &saveFile)
{
    const std::string path = dataDir_ + "/" + kMemoTransferFile;
    try {
        if (!saveFile(path))
            return false;
        return table.MemoFromFile(memoField, path);
    } catch (...) {
        return false;
    }
}

bool FaxTables::StageRichText(TTable &table, const std::string &memoField,
                              const std::function<bool(const std::string &path)> &saveFile)
{
    const TTable::State state = table.GetState();
    if (state != TTable::State::Edit && state != TTable::State::Insert)
        return false;
    const std::string path = dataDir_ + "/" + kMemoTransferFile;
    bool ok = false;
    try {
        if (saveFile(path)) {
            File in;
            uint64_t size = 0;
            std::string content;
            Status s = in.open(path, false);
            if (s.isOk())
                s = in.size(size);
            if (s.isOk()) {
                content.assign(size_t(size), '\0');
                s = in.readAt(0, content.data(), content.size());
            }
            if (s.isOk()) {
                table.SetMemo(memoField, content);
                ok = true;
            }
        }
    } catch (...) {
        ok = false;
    }
    removeFile(path);
    return ok;
}

// ---- reopening -----------------------------------------------------------

namespace {
bool reopen(TTable &t, const char *tag)
{
    try {
        long recno = t.Active() ? t.RecNo() : 0;
        t.Close();
        t.Open();
        t.SelectTag(tag);
        if (!t.SetQuery(kNotDeletedQuery))
            return false;
        if (recno > 0)
            t.GoTo(recno);   // a row that is gone leaves the table at its end
        return true;
    } catch (...) {
        return false;
    }
}
} // namespace

bool FaxTables::FaxTableCloseAndOpen() { return reopen(FaxTable, "DATESENT"); }
bool FaxTables::RecTableCloseAndOpen() { return reopen(RecTable, "DATETIME"); }

// ---- date and time text --------------------------------------------------

std::string FaxTables::GetDatetimeAsString(bool outgoing, const DateTimeFormat &fmt)
{
    std::string date = "unknown", time = "unknown";
    TTable &t = outgoing ? FaxTable : RecTable;
    try {
        if (outgoing && !t.GetLogical("SENT"))
            return "not sent";
        std::string storedTime = t.GetString(outgoing ? "TIMESENT" : "TIMEREC");
        int h, m;
        if (readTime(storedTime, h, m)) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "%02d:%02d", h, m);
            time = fmt.shortTime ? fmt.shortTime(h, m) : std::string(buf);
        } else {
            time = storedTime;
        }
        std::string d = t.GetDate(outgoing ? "DATESENT" : "DATEREC");
        if (d.size() == 8) {
            int y = std::stoi(d.substr(0, 4)), mo = std::stoi(d.substr(4, 2)), dd = std::stoi(d.substr(6, 2));
            std::string text = fmt.shortDate ? fmt.shortDate(y, mo, dd)
                                             : d.substr(0, 4) + "-" + d.substr(4, 2) + "-" + d.substr(6, 2);
            if (!text.empty())
                date = text;
        }
    } catch (...) {
        // Whatever could not be read stays "unknown".
    }
    return date + " at " + time;
}

// ---- index rebuild -------------------------------------------------------

bool FaxTables::NeedsIndexRebuild()
{
    try {
        return (FaxTable.Active() && FaxTable.TagArea("DATEND") == 0) ||
               (RecTable.Active() && RecTable.TagArea("DATEND") == 0);
    } catch (...) {
        return true;
    }
}

void FaxTables::rebuildOne(TTable &t, int which, const std::function<void(const std::string &)> &progress,
                           const char *removing, const char *rebuilding)
{
    // The outgoing table shows its first text before its index is closed.
    const bool textFirst = which == Fax;
    if (textFirst && progress)
        progress(removing);
    try {
        t.CloseIndexes();
        std::string path = t.Path();
        removeFile(findCaseInsensitive(path.substr(0, path.size() - 3) + "CDX"));
        if (!textFirst && progress)
            progress(removing);
        if (!t.Pack())
            t.Pack();   // one retry; a second failure leaves the rows in place
        if (progress)
            progress(rebuilding);
        for (const auto &tag : fullTags(which))
            t.IndexTag(tag.name, tag.key, tag.descending);
        t.SelectTag(fullTags(which).front().name);
    } catch (...) {
        // The next open makes the first tag again; nothing else to undo.
    }
}

void FaxTables::RebuildIndexes(const std::function<void(const std::string &)> &progress)
{
    // The outgoing and received tables are rebuilt only while open: a table
    // that its owner has closed (the main window closing meanwhile) stays
    // closed.
    if (FaxTable.Active())
        rebuildOne(FaxTable, Fax, progress, "Removing FAX file records marked for deletion",
                   "Rebuilding FAX file indexes");
    if (RecTable.Active())
        rebuildOne(RecTable, Rec, progress, "Removing Received FAX records marked for deletion",
                   "Rebuilding Received FAX indexes");
    if (OpenPhoneDBF(PhoneTable)) {
        rebuildOne(PhoneTable, Phone, progress, "Removing PHONE file records marked for deletion",
                   "Rebuilding PHONE file indexes");
        PhoneTable.Close();
    }
    if (!OpenCoverDBF())
        return;
    rebuildOne(CoverTable, Cover, progress, "Removing COVER file records marked for deletion",
               "Rebuilding COVER file indexes");
    CoverTable.Close();
}

} // namespace qln::records
