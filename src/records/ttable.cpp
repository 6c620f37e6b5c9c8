#include "records/ttable.h"

#include "records/sx.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace qln::records {

FieldKind fieldKindFor(char type, int width, int decimals)
{
    switch (type) {
    case 'C': return FieldKind::Text;
    case 'D': return FieldKind::Date;
    case 'L': return FieldKind::Boolean;
    case 'N': return (decimals == 0 && width < 5) ? FieldKind::SmallInt : FieldKind::Float;
    case 'M': return FieldKind::Memo;
    default: {
        // The letter as it is, or its code when it is no printable character.
        char code[8];
        std::snprintf(code, sizeof code, "\\x%02X", unsigned(static_cast<unsigned char>(type)));
        const bool printable = type > 0x20 && type < 0x7F;
        throw std::runtime_error(std::string("Invalid Field Type ") + (printable ? std::string(1, type) : code));
    }
    }
}

AreaGuard::AreaGuard(int area) : previous_(sx_CurrentArea()) { sx_Select(area); }
AreaGuard::~AreaGuard()
{
    if (previous_ > 0)
        sx_Select(previous_);
}

namespace {
[[noreturn]] void raise(const std::string &what)
{
    const std::string &e = sx_ErrorText();
    throw std::runtime_error(e.empty() ? what : what + ": " + e);
}
} // namespace

TTable::TTable(std::string componentName) : name_(std::move(componentName)) {}

TTable::~TTable() { Close(); }

std::string TTable::Path() const
{
    if (DatabaseName.empty())
        return TableName;
    return DatabaseName.back() == '/' ? DatabaseName + TableName : DatabaseName + "/" + TableName;
}

std::string TTable::IndexPath() const
{
    std::string p = Path();
    return p.size() >= 3 ? p.substr(0, p.size() - 3) + "CDX" : p;
}

void TTable::require() const
{
    if (!area_)
        throw std::runtime_error(name_ + " is not open");
}

void TTable::Open()
{
    if (area_)
        return;
    const std::string path = Path();
    int driver = sx_DriverFor(path);
    if (!driver)
        raise("cannot open " + path);
    // Aliases are unique across the engine; a second table component of
    // the same file name (the phonebook window's) takes the next free one.
    std::string alias = name_;
    for (int n = 2; sx_WorkArea(alias) != 0; ++n)
        alias = name_ + std::to_string(n);
    int previous = sx_CurrentArea();
    int area = sx_Use(path, alias, EXCLUSIVE, driver);
    if (!area)
        raise("cannot open " + path);
    area_ = area;
    try {
        for (int i = 1; i <= sx_FieldCount(); ++i) {
            std::string f = sx_FieldName(i);
            fieldKindFor(sx_FieldType(f), sx_FieldWidth(f), sx_FieldDecimals(f));
        }
        if (!query_.empty() && !sx_Query(query_))
            raise("cannot set the query of " + name_);
    } catch (...) {
        sx_Close();
        area_ = 0;
        if (previous > 0)
            sx_Select(previous);
        throw;
    }
    sx_GoTop();
    if (previous > 0)
        sx_Select(previous);
    state_ = State::Browse;
}

void TTable::Close()
{
    if (!area_)
        return;
    pending_.clear();
    {
        AreaGuard g(area_);
        sx_Close();
    }
    area_ = 0;
    state_ = State::Inactive;
}

bool TTable::SetQuery(const std::string &expr)
{
    if (!area_) {
        query_ = expr;
        return true;
    }
    AreaGuard g(area_);
    postIfEditing();
    if (!sx_Query(expr))
        return false;
    query_ = expr;
    sx_GoTop();
    return true;
}

long TTable::QueryRecCount()
{
    return WithArea([] { return sx_QueryRecCount(); });
}

int TTable::IndexTag(const std::string &tag, const std::string &key, bool descending,
                     const std::string &condition)
{
    return WithArea([&] {
        postIfEditing();
        return sx_IndexTag("", tag, key, 0, descending, condition);
    });
}

int TTable::TagArea(const std::string &tag)
{
    return WithArea([&] { return sx_TagArea(tag); });
}

bool TTable::SelectTag(const std::string &tag)
{
    return WithArea([&] {
        int order = sx_TagArea(tag);
        if (!order)
            return false;
        sx_SetOrder(order);
        return sx_IndexOrd() == order;
    });
}

void TTable::SetOrder(int order)
{
    WithArea([&] { sx_SetOrder(order); });
}

int TTable::IndexOrd()
{
    return WithArea([] { return sx_IndexOrd(); });
}

bool TTable::CloseIndexes()
{
    return WithArea([] { return sx_CloseIndexes(); });
}

bool TTable::Pack()
{
    return WithArea([&] {
        postIfEditing();
        return sx_Pack();
    });
}

void TTable::postIfEditing()
{
    if (state_ == State::Edit || state_ == State::Insert)
        writePending();
}

void TTable::First()
{
    WithArea([&] {
        postIfEditing();
        sx_GoTop();
    });
}
void TTable::Last()
{
    WithArea([&] {
        postIfEditing();
        sx_GoBottom();
    });
}
void TTable::Next()
{
    WithArea([&] {
        postIfEditing();
        sx_Skip(1);
    });
}
void TTable::Prior()
{
    WithArea([&] {
        postIfEditing();
        sx_Skip(-1);
    });
}
bool TTable::GoTo(long recno)
{
    return WithArea([&] {
        postIfEditing();
        return sx_Go(recno);
    });
}
bool TTable::Bof()
{
    return WithArea([] { return sx_Bof(); });
}
bool TTable::Eof()
{
    return WithArea([] { return sx_Eof(); });
}
long TTable::RecordCount()
{
    return WithArea([] { return sx_RecCount(); });
}

long TTable::RecNo()
{
    return WithArea([&] {
        // A row being inserted has no number yet.
        if (state_ == State::Insert || sx_Eof())
            return sx_RecCount() + 1;
        return sx_RecNo();
    });
}

bool TTable::IsEmptyList() { return RecNo() == RecordCount() + 1; }

long TTable::VisibleCount()
{
    return WithArea([] { return sx_KeyCount(); });
}
long TTable::RecNoAt(long position)
{
    return WithArea([&] { return sx_RecNoAt(position); });
}
long TTable::PositionOf(long recno)
{
    return WithArea([&] { return sx_PositionOf(recno); });
}

// ---- fields --------------------------------------------------------------

std::string TTable::GetString(const std::string &field)
{
    auto it = pending_.find(field);
    if (it != pending_.end())
        return it->second.second;
    return WithArea([&] { return sx_GetTrimString(field); });
}

std::string TTable::GetDate(const std::string &field)
{
    auto it = pending_.find(field);
    if (it != pending_.end())
        return it->second.second;
    return WithArea([&] { return sx_GetDateString(field); });
}

bool TTable::GetLogical(const std::string &field)
{
    auto it = pending_.find(field);
    if (it != pending_.end())
        return it->second.second == "T";
    return WithArea([&] { return sx_GetLogical(field); });
}

double TTable::GetFloat(const std::string &field)
{
    auto it = pending_.find(field);
    if (it != pending_.end())
        return std::strtod(it->second.second.c_str(), nullptr);
    return WithArea([&] { return sx_GetDouble(field); });
}

int16_t TTable::GetSmallInt(const std::string &field)
{
    double d = GetFloat(field);
    if (!(d >= -32768 && d <= 32767))
        return 0;
    return int16_t(std::lround(d));
}

std::string TTable::GetMemo(const std::string &field)
{
    if (state_ == State::Insert)
        return {};
    return WithArea([&] { return sx_GetMemo(field); });
}

bool TTable::FieldIsNull(const std::string &field)
{
    auto it = pending_.find(field);
    if (it != pending_.end())
        return it->second.second.find_first_not_of(' ') == std::string::npos;
    return WithArea([&] { return sx_GetString(field).find_first_not_of(' ') == std::string::npos; });
}

std::string TTable::RecordImage()
{
    return WithArea([] { return sx_GetRecord(); });
}

bool TTable::EvalLogical(const std::string &expr, bool &result)
{
    return WithArea([&] { return sx_EvalLogical(expr, result); });
}

// ---- editing -------------------------------------------------------------

void TTable::Append()
{
    require();
    postIfEditing();
    pending_.clear();
    state_ = State::Insert;
}

void TTable::Edit()
{
    require();
    if (state_ == State::Edit || state_ == State::Insert)
        return;
    if (WithArea([] { return sx_Eof(); }))
        throw std::runtime_error(name_ + ": no current record to edit");
    pending_.clear();
    state_ = State::Edit;
}

void TTable::SetString(const std::string &field, const std::string &value)
{
    if (state_ != State::Edit && state_ != State::Insert)
        throw std::runtime_error(name_ + " is not in edit mode");
    pending_[field] = {R_CHAR, value};
}

void TTable::SetDate(const std::string &field, const std::string &yyyymmdd)
{
    SetString(field, yyyymmdd);
    pending_[field].first = R_DATESTR;
}

void TTable::SetLogical(const std::string &field, bool value)
{
    SetString(field, value ? "T" : "F");
    pending_[field].first = R_LOGICAL;
}

void TTable::SetNumber(const std::string &field, double value)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6f", value);
    SetString(field, buf);
    pending_[field].first = R_DOUBLE;
}

void TTable::SetMemo(const std::string &field, const std::string &content)
{
    SetString(field, content);
    pending_[field].first = R_MEMO;
}

void TTable::writePending()
{
    AreaGuard g(area_);
    bool inserting = state_ == State::Insert;
    if (inserting && !sx_AppendBlank())
        raise(name_ + ": cannot append");
    for (const auto &[field, kv] : pending_) {
        if (!sx_Replace(field, kv.first, kv.second)) {
            std::string err = sx_ErrorText();
            sx_CancelUpdate();
            throw std::runtime_error(name_ + ": cannot write " + field + ": " + err);
        }
    }
    if (!sx_Commit()) {
        // The row's changes are dropped rather than left for the next
        // write to carry into the file.
        const std::string err = sx_ErrorText();
        sx_CancelUpdate();
        throw std::runtime_error(name_ + ": cannot commit" + (err.empty() ? "" : ": " + err));
    }
    pending_.clear();
    state_ = State::Browse;
}

void TTable::Post()
{
    require();
    if (state_ == State::Edit || state_ == State::Insert)
        writePending();
}

void TTable::Cancel()
{
    pending_.clear();
    if (state_ == State::Edit || state_ == State::Insert)
        state_ = State::Browse;
}

bool TTable::Delete()
{
    require();
    if (state_ == State::Insert) {
        Cancel();
        return true;
    }
    return FlagDeleted() && Commit();
}

bool TTable::FlagDeleted()
{
    require();
    Cancel();
    AreaGuard g(area_);
    if (sx_Eof())
        return false;
    // The row stays current (hidden from navigation); Next() and Prior()
    // continue from its place in the order, and callers reposition as they
    // need.
    return sx_Delete();
}

bool TTable::Commit()
{
    return WithArea([&] {
        postIfEditing();
        return sx_Commit();
    });
}

bool TTable::IsDeleted()
{
    if (state_ == State::Insert)
        return false;
    return WithArea([] { return sx_Deleted(); });
}

bool TTable::MemoToFile(const std::string &field, const std::string &path)
{
    require();
    if (state_ == State::Insert)
        return false;  // a row not yet written has no memo
    return WithArea([&] { return !sx_Eof() && sx_BlobToFile(field, path); });
}

bool TTable::MemoFromFile(const std::string &field, const std::string &path)
{
    require();
    // A pending row is written first so the memo has a row to belong to;
    // editing then resumes on that row for the remaining fields.
    bool wasEditing = state_ == State::Edit || state_ == State::Insert;
    if (wasEditing)
        writePending();
    bool ok = WithArea([&] { return !sx_Eof() && sx_Replace(field, R_BLOBFILE, path) && sx_Commit(); });
    if (wasEditing)
        state_ = State::Edit;
    return ok;
}

std::string TTable::SentYesNo() { return GetLogical("SENT") ? "Yes" : "No "; }

std::string TTable::ISDELETED(bool calculating)
{
    if (calculating)
        return IsDeleted() ? "Yes" : "No ";
    std::string image = RecordImage();
    char flag = image.empty() ? ' ' : image[0];
    return (flag == ' ' || flag == 'E') ? "No " : "Yes";
}

} // namespace qln::records
