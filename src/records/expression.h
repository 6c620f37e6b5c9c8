// xBase expressions over one record: the language of index keys, index
// conditions and queries.
//
// Supported: field names; string literals in "..." or '...'; numbers;
// .T. .F. .TRUE. .FALSE.; the functions DTOS, UPPER, LOWER, ALLTRIM, TRIM,
// RTRIM, LTRIM, EMPTY, CTOD, DELETED; operators + - (strings, numbers,
// dates), $ (is substring of), = (prefix equality for strings, as with
// SET EXACT OFF), == (exact), <> # != < <= > >=, .NOT. !, .AND., .OR.,
// parentheses. Names are case-insensitive.
//
// compile() checks syntax and types against the table's fields; a compiled
// expression cannot fail when evaluated. Immutable after compilation, so it
// may be evaluated from several threads.
#pragma once

#include "records/dbffile.h"
#include "records/status.h"

#include <memory>
#include <string>
#include <vector>

namespace qln::records {

struct Value {
    enum class Kind { Char, Date, Logical, Number };
    Kind kind = Kind::Char;
    std::string s;    // Char text; Date as "YYYYMMDD" or eight blanks
    double n = 0;
    bool b = false;
};

struct ExprNode;

class Expression {
public:
    Expression();
    ~Expression();
    Expression(Expression &&) noexcept;
    Expression &operator=(Expression &&) noexcept;

    static Status compile(const std::string &text, const std::vector<FieldDesc> &fields, Expression &out);

    bool valid() const { return root_ != nullptr; }
    const std::string &text() const { return text_; }
    Value::Kind kind() const;
    Value eval(const char *record) const;
    // Logical result; a non-logical expression counts as false.
    bool test(const char *record) const;
    // +1 for "deleted()", -1 for ".not. deleted()", 0 for anything else:
    // lets callers test the flag byte without evaluating.
    int deletedOnly() const;
    // Key bytes whose byte order sorts like the values.
    std::string key(const char *record) const;

private:
    std::unique_ptr<ExprNode> root_;
    std::string text_;
};

// Date helpers shared with the table binding.
bool validDate(int y, int m, int d);
// "YYYYMMDD" from text in MM/DD/YY, MM/DD/YYYY, YYYY-MM-DD or YYYYMMDD form;
// eight blanks when it is not a valid date.
std::string ctod(const std::string &text);

} // namespace qln::records
