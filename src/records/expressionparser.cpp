// Lexer and recursive-descent parser of the expression language, with type
// checking against the table's fields and limits on depth and length.
#include "records/codepage.h"
#include "records/expressionnode.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace qln::records {

using Kind = Value::Kind;

namespace {

// ---- lexer ---------------------------------------------------------------

enum class Tok { End, Ident, String, Number, Dot, LParen, RParen, Comma, Sym };

struct Token {
    Tok t = Tok::End;
    std::string text;   // identifier (upper case), string value, symbol, .WORD.
    double num = 0;
};

class Lexer {
public:
    explicit Lexer(const std::string &s) : s_(s) {}
    Status next(Token &tok)
    {
        while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_])))
            ++i_;
        tok = Token{};
        if (i_ >= s_.size())
            return Status::ok();
        char c = s_[i_];
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            size_t j = i_;
            while (j < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[j])) || s_[j] == '_'))
                ++j;
            tok.t = Tok::Ident;
            tok.text = upper(s_.substr(i_, j - i_));
            i_ = j;
            return Status::ok();
        }
        if (std::isdigit(static_cast<unsigned char>(c)) ||
            (c == '.' && i_ + 1 < s_.size() && std::isdigit(static_cast<unsigned char>(s_[i_ + 1])))) {
            size_t j = i_;
            while (j < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[j])) || s_[j] == '.'))
                ++j;
            tok.t = Tok::Number;
            tok.num = std::strtod(s_.substr(i_, j - i_).c_str(), nullptr);
            i_ = j;
            return Status::ok();
        }
        if (c == '"' || c == '\'') {
            size_t j = s_.find(c, i_ + 1);
            if (j == std::string::npos)
                return Status::invalid("unterminated string in expression");
            tok.t = Tok::String;
            // Compared with stored field bytes, so held in their code page.
            tok.text = toWindows1252(s_.substr(i_ + 1, j - i_ - 1));
            i_ = j + 1;
            return Status::ok();
        }
        if (c == '.') {
            size_t j = i_ + 1;
            while (j < s_.size() && std::isalpha(static_cast<unsigned char>(s_[j])))
                ++j;
            if (j < s_.size() && s_[j] == '.' && j > i_ + 1) {
                tok.t = Tok::Dot;
                tok.text = upper(s_.substr(i_ + 1, j - i_ - 1));
                i_ = j + 1;
                return Status::ok();
            }
            return Status::invalid("unexpected '.' in expression");
        }
        if (c == '(' || c == ')' || c == ',') {
            tok.t = c == '(' ? Tok::LParen : c == ')' ? Tok::RParen : Tok::Comma;
            ++i_;
            return Status::ok();
        }
        static const char *syms[] = {"==", "<>", "!=", "<=", ">=", "=", "<", ">", "#", "$", "+", "-", "!"};
        for (const char *sym : syms) {
            size_t n = std::strlen(sym);
            if (s_.compare(i_, n, sym) == 0) {
                tok.t = Tok::Sym;
                tok.text = sym;
                i_ += n;
                return Status::ok();
            }
        }
        return Status::invalid(std::string("unexpected character '") + c + "' in expression");
    }

private:
    static std::string upper(std::string s)
    {
        for (char &c : s)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        return s;
    }
    const std::string &s_;
    size_t i_ = 0;
};

// ---- parser --------------------------------------------------------------

using NodeP = std::unique_ptr<ExprNode>;

class Parser {
public:
    static constexpr int kMaxDepth = 200;
    static constexpr int kMaxNodes = 1000;

    Parser(const std::string &text, const std::vector<FieldDesc> &fields) : lex_(text), fields_(fields) {}

    Status parse(NodeP &out)
    {
        if (Status s = advance(); !s.isOk())
            return s;
        if (tok_.t == Tok::End)
            return Status::invalid("empty expression");
        if (Status s = parseOr(out); !s.isOk())
            return s;
        if (tok_.t != Tok::End)
            return Status::invalid("unexpected text after expression");
        return Status::ok();
    }

private:
    // Every token passes here, so long operator chains are bounded too
    // (evaluation recurses over the tree).
    Status advance()
    {
        if (nodes_ > kMaxNodes)
            return Status::invalid("expression too long");
        return lex_.next(tok_);
    }
    bool isSym(const char *s) const { return tok_.t == Tok::Sym && tok_.text == s; }
    bool isDot(const char *w) const { return tok_.t == Tok::Dot && tok_.text == w; }

    NodeP make(Op op, Kind k, NodeP a = nullptr, NodeP b = nullptr)
    {
        ++nodes_;
        auto n = std::make_unique<ExprNode>();
        n->op = op;
        n->kind = k;
        n->a = std::move(a);
        n->b = std::move(b);
        return n;
    }

    Status parseOr(NodeP &out)
    {
        if (Status s = parseAnd(out); !s.isOk())
            return s;
        while (isDot("OR")) {
            if (Status s = advance(); !s.isOk())
                return s;
            NodeP rhs;
            if (Status s = parseAnd(rhs); !s.isOk())
                return s;
            if (out->kind != Kind::Logical || rhs->kind != Kind::Logical)
                return Status::invalid(".OR. needs logical operands");
            out = make(Op::Or, Kind::Logical, std::move(out), std::move(rhs));
        }
        return Status::ok();
    }

    Status parseAnd(NodeP &out)
    {
        if (Status s = parseNot(out); !s.isOk())
            return s;
        while (isDot("AND")) {
            if (Status s = advance(); !s.isOk())
                return s;
            NodeP rhs;
            if (Status s = parseNot(rhs); !s.isOk())
                return s;
            if (out->kind != Kind::Logical || rhs->kind != Kind::Logical)
                return Status::invalid(".AND. needs logical operands");
            out = make(Op::And, Kind::Logical, std::move(out), std::move(rhs));
        }
        return Status::ok();
    }

    Status parseNot(NodeP &out)
    {
        if (++depth_ > kMaxDepth)
            return Status::invalid("expression nested too deeply");
        Status s = parseNotInner(out);
        --depth_;
        return s;
    }

    Status parseNotInner(NodeP &out)
    {
        if (isDot("NOT") || isSym("!")) {
            if (Status s = advance(); !s.isOk())
                return s;
            NodeP operand;
            if (Status s = parseNot(operand); !s.isOk())
                return s;
            if (operand->kind != Kind::Logical)
                return Status::invalid(".NOT. needs a logical operand");
            out = make(Op::Not, Kind::Logical, std::move(operand));
            return Status::ok();
        }
        return parseCompare(out);
    }

    Status parseCompare(NodeP &out)
    {
        if (Status s = parseAdd(out); !s.isOk())
            return s;
        if (tok_.t != Tok::Sym)
            return Status::ok();
        static const std::pair<const char *, Op> ops[] = {
            {"==", Op::ExactEq}, {"=", Op::Eq}, {"<>", Op::Ne}, {"!=", Op::Ne}, {"#", Op::Ne},
            {"<", Op::Lt}, {"<=", Op::Le}, {">", Op::Gt}, {">=", Op::Ge}, {"$", Op::Contains}};
        for (const auto &[sym, op] : ops) {
            if (!isSym(sym))
                continue;
            if (Status s = advance(); !s.isOk())
                return s;
            NodeP rhs;
            if (Status s = parseAdd(rhs); !s.isOk())
                return s;
            if (out->kind != rhs->kind)
                return Status::invalid(std::string("operands of ") + sym + " differ in type");
            if (op == Op::Contains && out->kind != Kind::Char)
                return Status::invalid("$ needs character operands");
            out = make(op, Kind::Logical, std::move(out), std::move(rhs));
            return Status::ok();
        }
        return Status::ok();
    }

    Status parseAdd(NodeP &out)
    {
        if (Status s = parseUnary(out); !s.isOk())
            return s;
        while (isSym("+") || isSym("-")) {
            bool plus = isSym("+");
            if (Status s = advance(); !s.isOk())
                return s;
            NodeP rhs;
            if (Status s = parseUnary(rhs); !s.isOk())
                return s;
            Kind l = out->kind, r = rhs->kind, k;
            if (l == Kind::Char && r == Kind::Char)
                k = Kind::Char;
            else if (l == Kind::Number && r == Kind::Number)
                k = Kind::Number;
            else if (l == Kind::Date && r == Kind::Number)
                k = Kind::Date;
            else if (plus && l == Kind::Number && r == Kind::Date)
                k = Kind::Date;
            else if (!plus && l == Kind::Date && r == Kind::Date)
                k = Kind::Number;
            else
                return Status::invalid(std::string("operands of ") + (plus ? "+" : "-") + " do not fit");
            out = make(plus ? Op::Add : Op::Sub, k, std::move(out), std::move(rhs));
        }
        return Status::ok();
    }

    Status parseUnary(NodeP &out)
    {
        if (++depth_ > kMaxDepth)
            return Status::invalid("expression nested too deeply");
        Status s = parseUnaryInner(out);
        --depth_;
        return s;
    }

    Status parseUnaryInner(NodeP &out)
    {
        if (isSym("-")) {
            if (Status s = advance(); !s.isOk())
                return s;
            NodeP operand;
            if (Status s = parseUnary(operand); !s.isOk())
                return s;
            if (operand->kind != Kind::Number)
                return Status::invalid("unary - needs a number");
            out = make(Op::Neg, Kind::Number, std::move(operand));
            return Status::ok();
        }
        return parsePrimary(out);
    }

    Status parsePrimary(NodeP &out)
    {
        if (++depth_ > kMaxDepth)
            return Status::invalid("expression nested too deeply");
        Status s = parsePrimaryInner(out);
        --depth_;
        return s;
    }

    Status parsePrimaryInner(NodeP &out)
    {
        switch (tok_.t) {
        case Tok::LParen: {
            if (Status s = advance(); !s.isOk())
                return s;
            if (Status s = parseOr(out); !s.isOk())
                return s;
            if (tok_.t != Tok::RParen)
                return Status::invalid("missing )");
            return advance();
        }
        case Tok::String:
            out = make(Op::Const, Kind::Char);
            out->constant.kind = Kind::Char;
            out->constant.s = tok_.text;
            return advance();
        case Tok::Number:
            out = make(Op::Const, Kind::Number);
            out->constant.kind = Kind::Number;
            out->constant.n = tok_.num;
            return advance();
        case Tok::Dot:
            if (tok_.text == "T" || tok_.text == "TRUE" || tok_.text == "F" || tok_.text == "FALSE") {
                out = make(Op::Const, Kind::Logical);
                out->constant.kind = Kind::Logical;
                out->constant.b = tok_.text[0] == 'T';
                return advance();
            }
            return Status::invalid("unexpected ." + tok_.text + ".");
        case Tok::Ident:
            return parseName(out);
        default:
            return Status::invalid("operand expected");
        }
    }

    Status parseName(NodeP &out)
    {
        std::string name = tok_.text;
        if (Status s = advance(); !s.isOk())
            return s;
        if (tok_.t != Tok::LParen) {
            for (const auto &f : fields_) {
                if (f.name != name)
                    continue;
                Kind k = f.type == 'D' ? Kind::Date
                         : f.type == 'L' ? Kind::Logical
                         : (f.type == 'N' || f.type == 'F') ? Kind::Number
                                                            : Kind::Char;
                if (f.type == 'M')
                    return Status::invalid("memo field " + name + " in expression");
                out = make(Op::Field, k);
                out->field = f;
                return Status::ok();
            }
            return Status::invalid("unknown field " + name);
        }
        if (Status s = advance(); !s.isOk())
            return s;
        NodeP arg;
        if (tok_.t != Tok::RParen) {
            if (Status s = parseOr(arg); !s.isOk())
                return s;
        }
        if (tok_.t != Tok::RParen)
            return Status::invalid("missing ) after arguments of " + name);
        if (Status s = advance(); !s.isOk())
            return s;
        struct Fn { const char *name; Op op; int arg; Kind result; };  // arg: -1 none, else kind index+1
        static const Fn fns[] = {
            {"DELETED", Op::Deleted, -1, Kind::Logical}, {"DTOS", Op::Dtos, int(Kind::Date), Kind::Char},
            {"UPPER", Op::Upper, int(Kind::Char), Kind::Char}, {"LOWER", Op::Lower, int(Kind::Char), Kind::Char},
            {"ALLTRIM", Op::Alltrim, int(Kind::Char), Kind::Char}, {"TRIM", Op::Rtrim, int(Kind::Char), Kind::Char},
            {"RTRIM", Op::Rtrim, int(Kind::Char), Kind::Char}, {"LTRIM", Op::Ltrim, int(Kind::Char), Kind::Char},
            {"EMPTY", Op::Empty, 99, Kind::Logical}, {"CTOD", Op::Ctod, int(Kind::Char), Kind::Date}};
        for (const auto &fn : fns) {
            if (name != fn.name)
                continue;
            if (fn.arg == -1 && arg)
                return Status::invalid(name + "() takes no argument");
            if (fn.arg != -1 && !arg)
                return Status::invalid(name + "() needs an argument");
            if (fn.arg != -1 && fn.arg != 99 && int(arg->kind) != fn.arg)
                return Status::invalid("argument of " + name + "() has the wrong type");
            out = make(fn.op, fn.result, std::move(arg));
            return Status::ok();
        }
        return Status::invalid("unknown function " + name + "()");
    }

    Lexer lex_;
    const std::vector<FieldDesc> &fields_;
    Token tok_;
    int depth_ = 0;
    int nodes_ = 0;
};

} // namespace

Status parseExpression(const std::string &text, const std::vector<FieldDesc> &fields,
                       std::unique_ptr<ExprNode> &out)
{
    Parser p(text, fields);
    return p.parse(out);
}

} // namespace qln::records
