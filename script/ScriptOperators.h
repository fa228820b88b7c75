#pragma once

#include <cstdint>
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

/// One row of the operator table.
struct ScriptOperatorInfo {
    ScriptOp op;
    std::string_view text;    ///< spelling ("" for the cast, which the evaluator forms)
    uint8_t strength;         ///< binding strength: higher binds tighter; 5 (assignments) loosest
    std::string_view meaning; ///< one line for readers of the table
};

/// The row of `op`. A prefix operator binds with the strength of the token that spells it.
const ScriptOperatorInfo& scriptOperator(ScriptOp op);

inline uint8_t scriptStrength(ScriptOp op) {
    return scriptOperator(op).strength;
}

/// Longest operator spelled at the start of `text` (two characters at most); `length` receives
/// its length. Returns `None` when no operator starts there.
ScriptOp scriptMatchOperator(std::string_view text, size_t& length);
