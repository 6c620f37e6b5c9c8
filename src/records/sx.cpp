// The engine's global state (work areas, current area, settings, last
// error) and the sx_ functions over it.
#include "records/sx.h"

#include "records/dbffile.h"
#include "records/memofile.h"
#include "records/posixfile.h"
#include "records/workarea.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <strings.h>
#include <vector>

namespace qln::records {

namespace {

struct Engine {
    std::vector<std::unique_ptr<WorkArea>> areas;  // index = area number - 1
    int current = 0;
    bool hideDeleted = false;
    uint64_t deletedEpoch = 1;
    int errorLevel = 0;
    std::string error;
    // Pending creation.
    bool creating = false;
    std::string createPath;
    int createDriver = 0;
    std::vector<FieldDesc> createFields;
};

Engine &engine()
{
    static Engine e;
    return e;
}

bool fail(const std::string &text)
{
    engine().error = text.empty() ? "unknown error" : text;
    return false;
}

bool check(const Status &s)
{
    if (s.isOk()) {
        engine().error.clear();
        return true;
    }
    return fail(s.toString());
}

WorkArea *cur()
{
    Engine &e = engine();
    if (e.current < 1 || e.current > int(e.areas.size()) || !e.areas[size_t(e.current - 1)]) {
        fail("no table is selected");
        return nullptr;
    }
    return e.areas[size_t(e.current - 1)].get();
}

const FieldDesc *fieldOf(WorkArea *a, const std::string &name)
{
    const FieldDesc *f = nullptr;
    if (!a || !check(a->field(name, f)))
        return nullptr;
    return f;
}

std::string rawField(WorkArea *a, const FieldDesc *f)
{
    return f ? std::string(a->current() + f->offset, size_t(f->width)) : std::string();
}

} // namespace

uint64_t deletedSettingEpoch() { return engine().deletedEpoch; }
bool hideDeletedRows() { return engine().hideDeleted; }

int sx_SetStringType(int) { return 1; }

int sx_ErrorLevel(int level)
{
    int prev = engine().errorLevel;
    engine().errorLevel = level;
    return prev;
}

void sx_SetDeleted(bool hide)
{
    Engine &e = engine();
    if (e.hideDeleted != hide) {
        e.hideDeleted = hide;
        ++e.deletedEpoch;
    }
}

bool sx_GetDeletedSetting() { return engine().hideDeleted; }

const std::string &sx_ErrorText() { return engine().error; }

// ---- creation ------------------------------------------------------------

bool sx_CreateNew(const std::string &path, const std::string &, int driver, int fieldCount)
{
    Engine &e = engine();
    if (driver < 1 || driver > 3)
        return fail("unknown driver " + std::to_string(driver));
    if (fieldCount < 1 || fieldCount > 255)
        return fail("a table needs 1 to 255 fields");
    e.creating = true;
    e.createPath = path;
    e.createDriver = driver;
    e.createFields.clear();
    e.createFields.reserve(size_t(fieldCount));
    e.error.clear();
    return true;
}

bool sx_CreateField(const std::string &name, const std::string &type, int width, int decimals)
{
    Engine &e = engine();
    if (!e.creating)
        return fail("sx_CreateField without sx_CreateNew");
    if (type.size() != 1)
        return fail("bad field type \"" + type + "\"");
    FieldDesc f;
    f.name = name;
    f.type = char(std::toupper(static_cast<unsigned char>(type[0])));
    f.width = width;
    f.decimals = decimals;
    e.createFields.push_back(f);
    std::vector<FieldDesc> probe{f};
    return check(DbfFile::validateFields(probe));
}

bool sx_CreateExec()
{
    Engine &e = engine();
    if (!e.creating)
        return fail("sx_CreateExec without sx_CreateNew");
    e.creating = false;
    std::vector<FieldDesc> fields = e.createFields;
    if (!check(DbfFile::validateFields(fields)))
        return false;
    bool memo = std::any_of(fields.begin(), fields.end(), [](const FieldDesc &f) { return f.type == 'M'; });
    // The memo file first: a table whose DBF exists is complete.
    if (memo && !check(MemoFile::create(withExtension(e.createPath, "FPT"))))
        return false;
    // A new table has no index yet; an old index file would describe rows
    // that no longer exist.
    if (!check(removeFile(findCaseInsensitive(withExtension(e.createPath, "CDX")))))
        return false;
    return check(DbfFile::create(e.createPath, fields));
}

// ---- work areas ----------------------------------------------------------

int sx_WorkArea(const std::string &alias)
{
    Engine &e = engine();
    for (size_t i = 0; i < e.areas.size(); ++i)
        if (e.areas[i] && ::strcasecmp(e.areas[i]->alias().c_str(), alias.c_str()) == 0)
            return int(i + 1);
    return 0;
}

int sx_Use(const std::string &path, const std::string &alias, int openMode, int driver)
{
    Engine &e = engine();
    if (alias.empty() || sx_WorkArea(alias) != 0) {
        fail("alias \"" + alias + "\" is in use");
        return 0;
    }
    if (driver < 1 || driver > 3) {
        fail("unknown driver " + std::to_string(driver));
        return 0;
    }
    auto area = std::make_unique<WorkArea>(alias, driver);
    Status indexProblem;
    if (!check(area->open(path, openMode, indexProblem)))
        return 0;
    size_t slot = 0;
    while (slot < e.areas.size() && e.areas[slot])
        ++slot;
    if (slot == e.areas.size())
        e.areas.emplace_back();
    e.areas[slot] = std::move(area);
    e.current = int(slot + 1);
    if (!indexProblem.isOk())
        e.error = indexProblem.toString();  // reported, table usable without tags
    return e.current;
}

int sx_Select(int area)
{
    Engine &e = engine();
    int prev = e.current;
    if (area >= 1 && area <= int(e.areas.size()) && e.areas[size_t(area - 1)])
        e.current = area;
    else
        fail("no work area " + std::to_string(area));
    return prev;
}

int sx_CurrentArea() { return engine().current; }

std::string sx_Alias()
{
    WorkArea *a = cur();
    return a ? a->alias() : std::string();
}

void sx_Close()
{
    Engine &e = engine();
    if (WorkArea *a = cur()) {
        check(a->close());
        std::string keep = e.error;
        e.areas[size_t(e.current - 1)].reset();
        e.error = keep;
    }
}

void sx_CloseAll()
{
    Engine &e = engine();
    for (auto &a : e.areas)
        if (a) {
            check(a->close());
            a.reset();
        }
    e.areas.clear();
    e.current = 0;
}

// ---- indexes -------------------------------------------------------------

int sx_IndexTag(const std::string &file, const std::string &tag, const std::string &keyExpr, int,
                bool descending, const std::string &condition)
{
    WorkArea *a = cur();
    if (!a)
        return 0;
    if (!file.empty()) {
        fail("only the production index is supported");
        return 0;
    }
    int order = 0;
    return check(a->indexTag(tag, keyExpr, descending, condition, order)) ? order : 0;
}

int sx_TagArea(const std::string &tag)
{
    WorkArea *a = cur();
    return a ? a->index().find(tag) : 0;
}

int sx_SetOrder(int order)
{
    WorkArea *a = cur();
    if (!a)
        return 0;
    int prev = a->order();
    check(a->setOrder(order));
    return prev;
}

int sx_IndexOrd()
{
    WorkArea *a = cur();
    return a ? a->order() : 0;
}

int sx_TagCount()
{
    WorkArea *a = cur();
    return a ? a->index().tagCount() : 0;
}

std::string sx_TagName(int order)
{
    WorkArea *a = cur();
    if (!a || order < 1 || order > a->index().tagCount())
        return {};
    IndexTag *t = a->index().tag(order);
    return t ? t->name : std::string();
}

std::string sx_TagExpression(int order)
{
    WorkArea *a = cur();
    if (!a || order < 1 || order > a->index().tagCount())
        return {};
    IndexTag *t = a->index().tag(order);
    return t ? t->keyText : std::string();
}

bool sx_TagDescending(int order)
{
    WorkArea *a = cur();
    if (!a || order < 1 || order > a->index().tagCount())
        return false;
    IndexTag *t = a->index().tag(order);
    return t && t->descending;
}

std::string sx_IndexFileName()
{
    WorkArea *a = cur();
    return a ? a->indexPath() : std::string();
}

bool sx_CloseIndexes()
{
    WorkArea *a = cur();
    return a && check(a->closeIndexes());
}

// ---- query ---------------------------------------------------------------

bool sx_Query(const std::string &expr)
{
    WorkArea *a = cur();
    return a && check(a->setQuery(expr));
}

long sx_QueryRecCount()
{
    WorkArea *a = cur();
    return a ? a->queryCount() : 0;
}

std::string sx_DBFilter()
{
    WorkArea *a = cur();
    return a ? a->queryText() : std::string();
}

// ---- navigation ----------------------------------------------------------

void sx_GoTop()
{
    if (WorkArea *a = cur())
        check(a->goTop());
}
void sx_GoBottom()
{
    if (WorkArea *a = cur())
        check(a->goBottom());
}
void sx_Skip(long n)
{
    if (WorkArea *a = cur())
        check(a->skip(n));
}
bool sx_Go(long recno)
{
    WorkArea *a = cur();
    return a && check(a->go(recno));
}
bool sx_Bof()
{
    WorkArea *a = cur();
    return !a || a->bof();
}
bool sx_Eof()
{
    WorkArea *a = cur();
    return !a || a->eof();
}
long sx_RecNo()
{
    WorkArea *a = cur();
    return a ? a->recNo() : 0;
}
long sx_RecCount()
{
    WorkArea *a = cur();
    return a ? a->recCount() : 0;
}
long sx_KeyCount()
{
    WorkArea *a = cur();
    return a ? a->keyCount() : 0;
}
long sx_RecNoAt(long position)
{
    WorkArea *a = cur();
    return a ? a->recNoAt(position) : 0;
}
long sx_PositionOf(long recno)
{
    WorkArea *a = cur();
    return a ? a->positionOf(recno) : -1;
}
long sx_KeyNo()
{
    WorkArea *a = cur();
    return a ? a->keyNo() : -1;
}

// ---- reading -------------------------------------------------------------

std::string sx_GetRecord()
{
    WorkArea *a = cur();
    return a ? std::string(a->current(), size_t(a->dbf().recSize())) : std::string();
}

std::string sx_GetString(const std::string &field)
{
    WorkArea *a = cur();
    return rawField(a, fieldOf(a, field));
}

std::string sx_GetTrimString(const std::string &field)
{
    std::string s = sx_GetString(field);
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

bool sx_GetLogical(const std::string &field)
{
    WorkArea *a = cur();
    const FieldDesc *f = fieldOf(a, field);
    if (!f)
        return false;
    char c = a->current()[f->offset];
    return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

std::string sx_GetDateString(const std::string &field)
{
    WorkArea *a = cur();
    const FieldDesc *f = fieldOf(a, field);
    if (!f)
        return {};
    std::string v = rawField(a, f);
    std::string d = ctod(v);
    return d[0] == ' ' ? std::string() : d;
}

double sx_GetDouble(const std::string &field)
{
    WorkArea *a = cur();
    const FieldDesc *f = fieldOf(a, field);
    return f ? std::strtod(rawField(a, f).c_str(), nullptr) : 0.0;
}

std::string sx_GetMemo(const std::string &field)
{
    WorkArea *a = cur();
    const FieldDesc *f = fieldOf(a, field);
    std::string out;
    if (f && !check(a->readMemo(*f, out)))
        out.clear();
    return out;
}

bool sx_EvalString(const std::string &expr, std::string &out)
{
    WorkArea *a = cur();
    Expression e;
    if (!a || !check(Expression::compile(expr, a->dbf().fields(), e)))
        return false;
    out = e.key(a->current());
    return true;
}

bool sx_EvalLogical(const std::string &expr, bool &out)
{
    WorkArea *a = cur();
    Expression e;
    if (!a || !check(Expression::compile(expr, a->dbf().fields(), e)))
        return false;
    if (e.kind() != Value::Kind::Logical)
        return fail("\"" + expr + "\" is not logical");
    out = e.test(a->current());
    return true;
}

// ---- writing -------------------------------------------------------------

bool sx_AppendBlank()
{
    WorkArea *a = cur();
    return a && check(a->appendBlank());
}

bool sx_PutRecord(const std::string &image)
{
    WorkArea *a = cur();
    return a && check(a->putRecord(image));
}

bool sx_Replace(const std::string &field, int type, const std::string &value)
{
    WorkArea *a = cur();
    return a && check(a->replace(field, type, value));
}

bool sx_Rlock(long) { return cur() != nullptr; }
bool sx_Unlock(long) { return cur() != nullptr; }

bool sx_Commit()
{
    WorkArea *a = cur();
    return a && check(a->commit());
}

void sx_CancelUpdate()
{
    if (WorkArea *a = cur())
        a->discard();
}

bool sx_BlobToFile(const std::string &field, const std::string &path)
{
    WorkArea *a = cur();
    const FieldDesc *f = fieldOf(a, field);
    if (!f)
        return false;
    std::string data;
    if (!check(a->readMemo(*f, data)))
        return false;
    File out;
    Status s = out.create(path);
    if (s.isOk())
        s = out.writeAt(0, data.data(), data.size());
    if (s.isOk())
        s = out.sync();
    return check(s);
}

bool sx_Delete()
{
    WorkArea *a = cur();
    return a && check(a->setDeleted(true));
}

bool sx_Deleted()
{
    WorkArea *a = cur();
    return a && a->current()[0] == '*';
}

bool sx_Pack()
{
    WorkArea *a = cur();
    return a && check(a->pack());
}

// ---- structure -----------------------------------------------------------

int sx_FieldCount()
{
    WorkArea *a = cur();
    return a ? int(a->dbf().fields().size()) : 0;
}

std::string sx_FieldName(int index)
{
    WorkArea *a = cur();
    if (!a || index < 1 || index > int(a->dbf().fields().size()))
        return {};
    return a->dbf().fields()[size_t(index - 1)].name;
}

char sx_FieldType(const std::string &field)
{
    WorkArea *a = cur();
    const FieldDesc *f = fieldOf(a, field);
    return f ? f->type : 0;
}

int sx_FieldWidth(const std::string &field)
{
    WorkArea *a = cur();
    const FieldDesc *f = fieldOf(a, field);
    return f ? f->width : 0;
}

int sx_FieldDecimals(const std::string &field)
{
    WorkArea *a = cur();
    const FieldDesc *f = fieldOf(a, field);
    return f ? f->decimals : 0;
}

int sx_FieldOffset(const std::string &field)
{
    WorkArea *a = cur();
    const FieldDesc *f = fieldOf(a, field);
    return f ? f->offset : 0;
}

int sx_RecSize()
{
    WorkArea *a = cur();
    return a ? a->dbf().recSize() : 0;
}

int sx_Version()
{
    WorkArea *a = cur();
    return a ? a->dbf().version() : 0;
}

int sx_DriverFor(const std::string &dbfPath)
{
    File f;
    unsigned char first = 0;
    if (!check(f.open(dbfPath, false)) || !check(f.readAt(0, &first, 1)))
        return 0;
    switch (first) {
    case 245: case 246: return SDEFOX;
    case 131: case 134: return SDENTX;
    case 229: case 230: return SDENSX;
    case 3: case 6:
        if (fileExists(findCaseInsensitive(withExtension(dbfPath, "CDX"))))
            return SDEFOX;
        if (fileExists(findCaseInsensitive(withExtension(dbfPath, "NSX"))))
            return SDENSX;
        return SDEFOX;
    default:
        return SDEFOX;
    }
}

} // namespace qln::records
