#include "script/ScriptOperators.h"

namespace {

// The one table of operators. Strengths decide the reduction order of the evaluator:
// an operator is applied before its right neighbour only when it binds strictly tighter,
// so operators of equal strength group from the right.
constexpr ScriptOperatorInfo kOperators[] = {
    {ScriptOp::None, "", 0, "not an operator"},
    {ScriptOp::Member, ".", 90, "member of a structure, or a member computed by the host"},
    {ScriptOp::Arrow, "->", 90, "member of the structure a pointer points to"},
    {ScriptOp::Index, "[", 90, "element of an array or of the memory a pointer points to"},
    {ScriptOp::Cast, "", 80, "conversion to the type named in parentheses"},
    {ScriptOp::Increment, "++", 60, "add one in place (prefix: new value, postfix: old value)"},
    {ScriptOp::Decrement, "--", 60,
     "subtract one in place (prefix: new value, postfix: old value)"},
    {ScriptOp::Not, "!", 50, "logical not: 1 for zero, else 0"},
    {ScriptOp::Multiply, "*", 40, "multiply; as prefix: the target of a pointer"},
    {ScriptOp::Divide, "/", 40, "divide; a zero divisor gives 0"},
    {ScriptOp::Add, "+", 20, "add, move a pointer, or append to a string"},
    {ScriptOp::Subtract, "-", 20, "subtract or move a pointer back; as prefix: negate"},
    {ScriptOp::Equal, "==", 10, "equal (reals: closer than 0.000001)"},
    {ScriptOp::NotEqual, "!=", 10, "not equal (strings: the comparison result itself)"},
    {ScriptOp::Less, "<", 10, "less than"},
    {ScriptOp::LessEqual, "<=", 10, "less than or equal"},
    {ScriptOp::Greater, ">", 10, "greater than"},
    {ScriptOp::GreaterEqual, ">=", 10, "greater than or equal"},
    {ScriptOp::LogicalAnd, "&&", 7, "logical and; both sides are always evaluated"},
    {ScriptOp::LogicalOr, "||", 7, "logical or; both sides are always evaluated"},
    {ScriptOp::BitAnd, "&", 6, "bitwise and (not supported); as prefix: address of a variable"},
    {ScriptOp::BitOr, "|", 6, "bitwise or (not supported)"},
    {ScriptOp::Assign, "=", 5, "store the converted right value in the left variable"},
    {ScriptOp::AddAssign, "+=", 5, "add (or append) in place"},
    {ScriptOp::SubtractAssign, "-=", 5, "subtract in place"},
    {ScriptOp::MultiplyAssign, "*=", 5, "multiply in place"},
    {ScriptOp::DivideAssign, "/=", 5, "divide in place; integers by zero give 0"},
};

static_assert(sizeof(kOperators) / sizeof(kOperators[0]) == size_t(ScriptOp::Count));

} // namespace

const ScriptOperatorInfo& scriptOperator(ScriptOp op) {
    return kOperators[size_t(op)];
}

ScriptOp scriptMatchOperator(std::string_view text, size_t& length) {
    ScriptOp best = ScriptOp::None;
    length = 0;
    for (const ScriptOperatorInfo& row : kOperators) {
        const std::string_view t = row.text;
        if (t.empty() || t.size() <= length || text.substr(0, t.size()) != t) continue;
        best = row.op;
        length = t.size();
    }
    return best;
}
