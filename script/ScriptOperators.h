#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

/// The operators of the script language. `None` marks a token that is not an operator.
enum class ScriptOp : uint8_t {
    None,
    Member,
    Arrow,
    Index,
    Cast,
    Increment,
    Decrement,
    Not,
    Multiply,
    Divide,
    Add,
    Subtract,
    Equal,
    NotEqual,
    Less,
    LessEqual,
    Greater,
    GreaterEqual,
    LogicalAnd,
    LogicalOr,
    BitAnd,
    BitOr,
    Assign,
    AddAssign,
    SubtractAssign,
    MultiplyAssign,
    DivideAssign,
    Count
};

/// What an operator computes from its operands. The arithmetic rules (Add to Divide) and the
/// relations (Equal to Or) apply to every numeric type; on 32-bit integers they are
/// scriptIntegerRule's. The prefix rules (Negate, Not, Identity) take one operand.
enum class ScriptOpRule : uint8_t {
    None,        ///< nothing to compute (member access, casts, ...); a relation's 0 when binary
    Unsupported, ///< a binary operator the language spells but does not support
    Right,       ///< the right operand (plain assignment)
    Add,
    Subtract,
    Multiply,
    Divide,
    Equal,
    NotEqual,
    Less,
    LessEqual,
    Greater,
    GreaterEqual,
    And,
    Or,
    Negate,
    Not,
    Identity
};

/// Flags of an operator row.
enum ScriptOpFlag : uint8_t {
    kScriptOpAssigns = 1, ///< stores its result in its left operand
    kScriptOpSteps = 2,   ///< ++/--: applies its rule to its operand and 1, in place
    kScriptOpPrefix = 4,  ///< may stand in front of an operand, where no operand precedes it
};

/// One row of the operator table.
struct ScriptOperatorInfo {
    ScriptOp op;
    std::string_view text;    ///< spelling ("" for the cast, which the evaluator forms)
    uint8_t strength;         ///< binding strength: higher binds tighter; 5 (assignments) loosest
    uint8_t flags;            ///< ScriptOpFlag bits
    ScriptOpRule rule;        ///< what it computes as a binary (or stepping) operator
    ScriptOpRule prefixRule;  ///< what it computes from one integer as a prefix operator
    std::string_view meaning; ///< one line for readers of the table
};

/// The one table of operators, indexed by ScriptOp. Strengths decide the reduction order of
/// the evaluator: an operator is applied before its right neighbour only when it binds
/// strictly tighter, so operators of equal strength group from the right.
inline constexpr ScriptOperatorInfo kScriptOperators[] = {
    // clang-format off
    {ScriptOp::None, "", 0, 0, ScriptOpRule::None, ScriptOpRule::None, "not an operator"},
    {ScriptOp::Member, ".", 90, 0, ScriptOpRule::None, ScriptOpRule::None,
     "member of a structure, or a member computed by the host"},
    {ScriptOp::Arrow, "->", 90, 0, ScriptOpRule::None, ScriptOpRule::None,
     "member of the structure a pointer points to"},
    {ScriptOp::Index, "[", 90, 0, ScriptOpRule::None, ScriptOpRule::None,
     "element of an array or of the memory a pointer points to"},
    {ScriptOp::Cast, "", 80, 0, ScriptOpRule::None, ScriptOpRule::None,
     "conversion to the type named in parentheses"},
    {ScriptOp::Increment, "++", 60, kScriptOpSteps, ScriptOpRule::Add, ScriptOpRule::None,
     "add one in place (prefix: new value, postfix: old value)"},
    {ScriptOp::Decrement, "--", 60, kScriptOpSteps, ScriptOpRule::Subtract, ScriptOpRule::None,
     "subtract one in place (prefix: new value, postfix: old value)"},
    {ScriptOp::Not, "!", 50, kScriptOpPrefix, ScriptOpRule::None, ScriptOpRule::Not,
     "logical not: 1 for zero, else 0"},
    {ScriptOp::Multiply, "*", 40, kScriptOpPrefix, ScriptOpRule::Multiply, ScriptOpRule::None,
     "multiply (wraps around); as prefix: the target of a pointer"},
    {ScriptOp::Divide, "/", 40, 0, ScriptOpRule::Divide, ScriptOpRule::None,
     "divide, truncating; a zero divisor gives 0"},
    {ScriptOp::Add, "+", 20, kScriptOpPrefix, ScriptOpRule::Add, ScriptOpRule::Identity,
     "add (wraps around), move a pointer, or append to a string"},
    {ScriptOp::Subtract, "-", 20, kScriptOpPrefix, ScriptOpRule::Subtract, ScriptOpRule::Negate,
     "subtract (wraps around) or move a pointer back; as prefix: negate"},
    {ScriptOp::Equal, "==", 10, 0, ScriptOpRule::Equal, ScriptOpRule::None,
     "equal (reals: closer than 0.000001)"},
    {ScriptOp::NotEqual, "!=", 10, 0, ScriptOpRule::NotEqual, ScriptOpRule::None,
     "not equal (strings: the comparison result itself)"},
    {ScriptOp::Less, "<", 10, 0, ScriptOpRule::Less, ScriptOpRule::None, "less than"},
    {ScriptOp::LessEqual, "<=", 10, 0, ScriptOpRule::LessEqual, ScriptOpRule::None,
     "less than or equal"},
    {ScriptOp::Greater, ">", 10, 0, ScriptOpRule::Greater, ScriptOpRule::None, "greater than"},
    {ScriptOp::GreaterEqual, ">=", 10, 0, ScriptOpRule::GreaterEqual, ScriptOpRule::None,
     "greater than or equal"},
    {ScriptOp::LogicalAnd, "&&", 7, 0, ScriptOpRule::And, ScriptOpRule::None,
     "logical and; both sides are always evaluated"},
    {ScriptOp::LogicalOr, "||", 7, 0, ScriptOpRule::Or, ScriptOpRule::None,
     "logical or; both sides are always evaluated"},
    {ScriptOp::BitAnd, "&", 6, kScriptOpPrefix, ScriptOpRule::Unsupported, ScriptOpRule::None,
     "bitwise and (not supported); as prefix: address of a variable"},
    {ScriptOp::BitOr, "|", 6, 0, ScriptOpRule::Unsupported, ScriptOpRule::None,
     "bitwise or (not supported)"},
    {ScriptOp::Assign, "=", 5, kScriptOpAssigns, ScriptOpRule::Right, ScriptOpRule::None,
     "store the converted right value in the left variable"},
    {ScriptOp::AddAssign, "+=", 5, kScriptOpAssigns, ScriptOpRule::Add, ScriptOpRule::None,
     "add (or append) in place"},
    {ScriptOp::SubtractAssign, "-=", 5, kScriptOpAssigns, ScriptOpRule::Subtract,
     ScriptOpRule::None, "subtract in place"},
    {ScriptOp::MultiplyAssign, "*=", 5, kScriptOpAssigns, ScriptOpRule::Multiply,
     ScriptOpRule::None, "multiply in place"},
    {ScriptOp::DivideAssign, "/=", 5, kScriptOpAssigns, ScriptOpRule::Divide, ScriptOpRule::None,
     "divide in place; integers by zero give 0"},
    // clang-format on
};

static_assert(std::size(kScriptOperators) == size_t(ScriptOp::Count));
static_assert([] {
    for (size_t k = 0; k < std::size(kScriptOperators); ++k)
        if (kScriptOperators[k].op != ScriptOp(k)) return false;
    return true;
}());

/// The row of `op`. A prefix operator binds with the strength of the token that spells it.
constexpr const ScriptOperatorInfo& scriptOperator(ScriptOp op) {
    return kScriptOperators[size_t(op)];
}

constexpr uint8_t scriptStrength(ScriptOp op) {
    return scriptOperator(op).strength;
}

constexpr bool scriptIsAssignment(ScriptOp op) {
    return scriptOperator(op).flags & kScriptOpAssigns;
}

constexpr bool scriptIsStep(ScriptOp op) {
    return scriptOperator(op).flags & kScriptOpSteps;
}

constexpr bool scriptMayBePrefix(ScriptOp op) {
    return scriptOperator(op).flags & kScriptOpPrefix;
}

/// Add, Subtract, Multiply or Divide.
constexpr bool scriptIsArithmetic(ScriptOpRule rule) {
    return rule >= ScriptOpRule::Add && rule <= ScriptOpRule::Divide;
}

/// A rule that has a meaning on two integers (arithmetic, relations and Right).
constexpr bool scriptIsIntegerRule(ScriptOpRule rule) {
    return rule >= ScriptOpRule::Right && rule <= ScriptOpRule::Or;
}

/// A binary operator that has an integer form: its rule computes an integer from two.
constexpr bool scriptIntegerOperator(ScriptOp op) {
    return !scriptIsStep(op) && scriptIsIntegerRule(scriptOperator(op).rule);
}

/// A relation (Equal to Or) of two numbers of one type: 1 or 0; 0 for other rules.
template <class T> constexpr int32_t scriptRelation(ScriptOpRule rule, T a, T b) {
    switch (rule) {
    case ScriptOpRule::Equal:
        return a == b;
    case ScriptOpRule::NotEqual:
        return a != b;
    case ScriptOpRule::Less:
        return a < b;
    case ScriptOpRule::LessEqual:
        return a <= b;
    case ScriptOpRule::Greater:
        return a > b;
    case ScriptOpRule::GreaterEqual:
        return a >= b;
    case ScriptOpRule::And:
        return a != 0 && b != 0;
    case ScriptOpRule::Or:
        return a != 0 || b != 0;
    default:
        return 0;
    }
}

/// The language's integers: 32-bit two's complement that wraps around; division truncates, a
/// zero divisor gives 0 and INT32_MIN / -1 gives INT32_MIN; relations give 1 or 0; the prefix
/// rules negate (wrapping), test for zero or give the operand (`a`; `b` is not used).
/// The relations are scriptRelation's.
constexpr int32_t scriptIntegerRule(ScriptOpRule rule, int32_t a, int32_t b) {
    switch (rule) {
    case ScriptOpRule::Right:
        return b;
    case ScriptOpRule::Add:
        return int32_t(uint32_t(a) + uint32_t(b));
    case ScriptOpRule::Subtract:
        return int32_t(uint32_t(a) - uint32_t(b));
    case ScriptOpRule::Multiply:
        return int32_t(uint32_t(a) * uint32_t(b));
    case ScriptOpRule::Divide:
        if (b == 0) return 0;
        if (a == INT32_MIN && b == -1) return INT32_MIN;
        return a / b;
    case ScriptOpRule::Negate:
        return int32_t(0u - uint32_t(a));
    case ScriptOpRule::Not:
        return a == 0;
    case ScriptOpRule::Identity:
        return a;
    // Each relation with its rule spelled out, so that the one dispatch here folds it in.
    case ScriptOpRule::Equal:
        return scriptRelation(ScriptOpRule::Equal, a, b);
    case ScriptOpRule::NotEqual:
        return scriptRelation(ScriptOpRule::NotEqual, a, b);
    case ScriptOpRule::Less:
        return scriptRelation(ScriptOpRule::Less, a, b);
    case ScriptOpRule::LessEqual:
        return scriptRelation(ScriptOpRule::LessEqual, a, b);
    case ScriptOpRule::Greater:
        return scriptRelation(ScriptOpRule::Greater, a, b);
    case ScriptOpRule::GreaterEqual:
        return scriptRelation(ScriptOpRule::GreaterEqual, a, b);
    case ScriptOpRule::And:
        return scriptRelation(ScriptOpRule::And, a, b);
    case ScriptOpRule::Or:
        return scriptRelation(ScriptOpRule::Or, a, b);
    default:
        return 0;
    }
}

/// `op` (a binary, stepping or assigning operator) on two integers by its rule; an assignment's
/// value, not its store.
constexpr int32_t scriptIntegerBinary(ScriptOp op, int32_t a, int32_t b) {
    return scriptIntegerRule(scriptOperator(op).rule, a, b);
}

/// A prefix operator that is not a step (`-`, `+`, `!`) on an integer.
constexpr int32_t scriptIntegerPrefix(ScriptOp op, int32_t a) {
    return scriptIntegerRule(scriptOperator(op).prefixRule, a, 0);
}

/// Longest operator spelled at the start of `text` (two characters at most); `length` receives
/// its length. Returns `None` when no operator starts there.
ScriptOp scriptMatchOperator(std::string_view text, size_t& length);
