#include "records/expression.h"

#include "records/codepage.h"
#include "records/expressionnode.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qln::records {

using Kind = Value::Kind;

namespace {

const std::string kBlankDate(8, ' ');

// Days since 1970-01-01 of a civil date and back.
long daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::string civilFromDays(long z)
{
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long y = yoe + era * 400;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    const long d = doy - (153 * mp + 2) / 5 + 1;
    const long m = mp + (mp < 10 ? 3 : -9);
    y += m <= 2;
    if (y < 1 || y > 9999)
        return kBlankDate;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04ld%02ld%02ld", y, m, d);
    return buf;
}

bool parseYmd(const std::string &s, int &y, int &m, int &d)
{
    if (s.size() != 8 || !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    y = std::atoi(s.substr(0, 4).c_str());
    m = std::atoi(s.substr(4, 2).c_str());
    d = std::atoi(s.substr(6, 2).c_str());
    return validDate(y, m, d);
}

std::string trimRight(std::string s)
{
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}
std::string trimLeft(std::string s)
{
    s.erase(0, std::min(s.find_first_not_of(' '), s.size()));
    return s;
}

// ---- evaluation ----------------------------------------------------------

Value fieldValue(const FieldDesc &f, const char *rec)
{
    Value v;
    std::string raw(rec + f.offset, size_t(f.width));
    switch (f.type) {
    case 'D': {
        v.kind = Kind::Date;
        int y, m, d;
        v.s = parseYmd(raw, y, m, d) ? raw : kBlankDate;
        break;
    }
    case 'L':
        v.kind = Kind::Logical;
        v.b = raw[0] == 'T' || raw[0] == 't' || raw[0] == 'Y' || raw[0] == 'y';
        break;
    case 'N': case 'F':
        v.kind = Kind::Number;
        v.n = std::strtod(trimLeft(raw).c_str(), nullptr);
        break;
    default:
        v.s = std::move(raw);
    }
    return v;
}

int compare(const Value &a, const Value &b)
{
    switch (a.kind) {
    case Kind::Number: return a.n < b.n ? -1 : a.n > b.n ? 1 : 0;
    case Kind::Logical: return int(a.b) - int(b.b);
    default: {
        int c = std::memcmp(a.s.data(), b.s.data(), std::min(a.s.size(), b.s.size()));
        if (c != 0)
            return c < 0 ? -1 : 1;
        return a.s.size() < b.s.size() ? -1 : a.s.size() > b.s.size() ? 1 : 0;
    }
    }
}

bool isEmpty(const Value &v)
{
    switch (v.kind) {
    case Kind::Number: return v.n == 0;
    case Kind::Logical: return !v.b;
    default: return v.s.find_first_not_of(' ') == std::string::npos;
    }
}

long dateDays(const std::string &s, bool &ok)
{
    int y, m, d;
    ok = parseYmd(s, y, m, d);
    return ok ? daysFromCivil(y, m, d) : 0;
}

Value evalNode(const ExprNode &n, const char *rec)
{
    Value r;
    r.kind = n.kind;
    switch (n.op) {
    case Op::Const: return n.constant;
    case Op::Field: return fieldValue(n.field, rec);
    case Op::Deleted: r.b = rec[0] == '*'; return r;
    case Op::Dtos: r.s = evalNode(*n.a, rec).s; return r;
    case Op::Upper: case Op::Lower: {
        r.s = evalNode(*n.a, rec).s;
        for (char &c : r.s)
            c = n.op == Op::Upper ? upperWindows1252(c) : lowerWindows1252(c);
        return r;
    }
    case Op::Alltrim: r.s = trimLeft(trimRight(evalNode(*n.a, rec).s)); return r;
    case Op::Rtrim: r.s = trimRight(evalNode(*n.a, rec).s); return r;
    case Op::Ltrim: r.s = trimLeft(evalNode(*n.a, rec).s); return r;
    case Op::Empty: r.b = isEmpty(evalNode(*n.a, rec)); return r;
    case Op::Ctod: r.s = ctod(evalNode(*n.a, rec).s); return r;
    case Op::Neg: r.n = -evalNode(*n.a, rec).n; return r;
    case Op::Not: r.b = !evalNode(*n.a, rec).b; return r;
    case Op::And: r.b = evalNode(*n.a, rec).b && evalNode(*n.b, rec).b; return r;
    case Op::Or: r.b = evalNode(*n.a, rec).b || evalNode(*n.b, rec).b; return r;
    case Op::Add: case Op::Sub: {
        Value a = evalNode(*n.a, rec), b = evalNode(*n.b, rec);
        bool plus = n.op == Op::Add;
        if (a.kind == Kind::Char) {
            r.s = a.s + b.s;
        } else if (a.kind == Kind::Number && b.kind == Kind::Number) {
            r.n = plus ? a.n + b.n : a.n - b.n;
        } else if (n.kind == Kind::Number) {  // date - date
            bool oa, ob;
            long da = dateDays(a.s, oa), db = dateDays(b.s, ob);
            r.n = (oa && ob) ? double(da - db) : 0;
        } else {  // date +/- number
            const Value &d = a.kind == Kind::Date ? a : b;
            double k = a.kind == Kind::Date ? b.n : a.n;
            bool ok;
            long days = dateDays(d.s, ok);
            r.s = ok && std::isfinite(k) && std::fabs(k) < 1e7
                      ? civilFromDays(days + (plus ? long(k) : -long(k)))
                      : kBlankDate;
        }
        return r;
    }
    case Op::Contains: {
        Value a = evalNode(*n.a, rec), b = evalNode(*n.b, rec);
        r.b = !a.s.empty() && b.s.find(a.s) != std::string::npos;
        return r;
    }
    default: {
        Value a = evalNode(*n.a, rec), b = evalNode(*n.b, rec);
        int c;
        if (n.op == Op::Eq && a.kind == Kind::Char) {
            // SET EXACT OFF: equal when the left side starts with the right.
            c = a.s.compare(0, b.s.size(), b.s) == 0 ? 0 : compare(a, b);
        } else {
            c = compare(a, b);
        }
        switch (n.op) {
        case Op::Eq: case Op::ExactEq: r.b = c == 0; break;
        case Op::Ne: r.b = c != 0; break;
        case Op::Lt: r.b = c < 0; break;
        case Op::Le: r.b = c <= 0; break;
        case Op::Gt: r.b = c > 0; break;
        case Op::Ge: r.b = c >= 0; break;
        default: break;
        }
        return r;
    }
    }
}

} // namespace

bool validDate(int y, int m, int d)
{
    static const int mdays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1)
        return false;
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return d <= mdays[m - 1] + ((m == 2 && leap) ? 1 : 0);
}

std::string ctod(const std::string &textIn)
{
    std::string text = trimLeft(trimRight(textIn));
    int y = 0, m = 0, d = 0;
    char buf[16];
    if (text.size() == 8 && parseYmd(text, y, m, d))
        return text;
    int a = 0, b = 0, c = 0, n = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &a, &b, &c, &n) == 3 && size_t(n) == text.size() &&
        text.size() == 10) {
        y = a, m = b, d = c;
    } else if (std::sscanf(text.c_str(), "%2d/%2d/%4d%n", &a, &b, &c, &n) == 3 && size_t(n) == text.size()) {
        size_t yearDigits = text.size() - text.find_last_of('/') - 1;
        m = a, d = b;
        y = yearDigits <= 2 ? (c < 50 ? 2000 + c : 1900 + c) : c;
    } else {
        return kBlankDate;
    }
    if (!validDate(y, m, d))
        return kBlankDate;
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
    return buf;
}

Expression::Expression() = default;
Expression::~Expression() = default;
Expression::Expression(Expression &&) noexcept = default;
Expression &Expression::operator=(Expression &&) noexcept = default;

Status Expression::compile(const std::string &text, const std::vector<FieldDesc> &fields, Expression &out)
{
    std::unique_ptr<ExprNode> root;
    if (Status s = parseExpression(text, fields, root); !s.isOk())
        return Status::invalid(s.message() + " in \"" + text + "\"");
    out.root_ = std::move(root);
    out.text_ = text;
    return Status::ok();
}

int Expression::deletedOnly() const
{
    if (!root_)
        return 0;
    if (root_->op == Op::Deleted)
        return 1;
    if (root_->op == Op::Not && root_->a->op == Op::Deleted)
        return -1;
    return 0;
}

Value::Kind Expression::kind() const { return root_ ? root_->kind : Kind::Char; }

Value Expression::eval(const char *record) const
{
    return root_ ? evalNode(*root_, record) : Value{};
}

bool Expression::test(const char *record) const
{
    if (!root_ || root_->kind != Kind::Logical)
        return false;
    return evalNode(*root_, record).b;
}

std::string Expression::key(const char *record) const
{
    Value v = eval(record);
    switch (v.kind) {
    case Kind::Logical: return v.b ? "T" : "F";
    case Kind::Number: {
        // IEEE bits flipped so that unsigned byte order follows numeric order.
        uint64_t bits;
        double d = v.n == 0 ? 0.0 : v.n;
        std::memcpy(&bits, &d, 8);
        bits = (bits >> 63) ? ~bits : bits | (uint64_t(1) << 63);
        std::string k(8, '\0');
        for (int i = 0; i < 8; ++i)
            k[size_t(i)] = char(bits >> (56 - 8 * i));
        return k;
    }
    default: return std::move(v.s);
    }
}

} // namespace qln::records
