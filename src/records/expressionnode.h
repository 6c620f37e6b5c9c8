// Inner form of a compiled expression, shared by the parser and the
// evaluator of Expression. Not part of the engine's interface.
#pragma once

#include "records/expression.h"

#include <memory>
#include <string>
#include <vector>

namespace qln::records {

enum class Op {
    Field, Const, Deleted, Dtos, Upper, Lower, Alltrim, Rtrim, Ltrim, Empty, Ctod,
    Add, Sub, Contains, Eq, ExactEq, Ne, Lt, Le, Gt, Ge, Not, And, Or, Neg
};

struct ExprNode {
    Op op = Op::Const;
    Value::Kind kind = Value::Kind::Char;
    Value constant;
    FieldDesc field;
    std::unique_ptr<ExprNode> a, b;
};

// Parses and type-checks text against the fields; the root node on success.
Status parseExpression(const std::string &text, const std::vector<FieldDesc> &fields,
                       std::unique_ptr<ExprNode> &out);

} // namespace qln::records
