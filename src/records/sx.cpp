// The engine's global state (work areas, current area, settings, last
// error) and the sx_ functions over it.
#include "records/sx.h"

#include "records/dbffile.h"
#include "records/memofile.h"
#include "records/posixfile.h"
#include "records/sxinternal.h"
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

} // namespace

namespace sxdetail {

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

} // namespace sxdetail

using namespace sxdetail;

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

} // namespace qln::records
