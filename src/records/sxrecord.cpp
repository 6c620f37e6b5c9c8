// The sx_ functions on the current row and the table structure: reading,
// writing, memo transfer, delete flag, pack, field descriptions.
#include "records/sx.h"

#include "records/codepage.h"
#include "records/expression.h"
#include "records/posixfile.h"
#include "records/sxinternal.h"
#include "records/workarea.h"

#include <cstdlib>

namespace qln::records {

using namespace sxdetail;

// ---- reading -------------------------------------------------------------

std::string sx_GetRecord()
{
    WorkArea *a = cur();
    return a ? std::string(a->current(), size_t(a->dbf().recSize())) : std::string();
}

std::string sx_GetString(const std::string &field)
{
    WorkArea *a = cur();
    return fromWindows1252(rawField(a, fieldOf(a, field)));
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

// A group action evaluates one condition on every row; the last compiled
// condition is kept for the work area it was compiled for.
bool sx_EvalLogical(const std::string &expr, bool &out)
{
    static uint64_t cachedArea = 0;
    static std::string cachedText;
    static Expression cached;
    WorkArea *a = cur();
    if (!a)
        return false;
    if (cachedArea != a->serial() || cachedText != expr || !cached.valid()) {
        cachedArea = 0;
        if (!check(Expression::compile(expr, a->dbf().fields(), cached)))
            return false;
        if (cached.kind() != Value::Kind::Logical) {
            cached = Expression();
            return fail("\"" + expr + "\" is not logical");
        }
        cachedArea = a->serial();
        cachedText = expr;
    }
    out = cached.test(a->current());
    return check(Status::ok());
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

bool sx_RemoveLastRecord(long recno)
{
    WorkArea *a = cur();
    return a && recno > 0 && check(a->removeLastRecord(uint32_t(recno)));
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
