#pragma once

#include "script/ScriptIntegerFunction.h"

#include <cstdint>
#include <vector>

/// A `while` or `for` loop of a read text in its compiled form: its condition, its step and its
/// body compiled as the statements of an integer function without parameters or frame, every
/// name a variable outside (found by the normal lookup where the loop stands). Its body holds
/// only blocks, `if`s, loops, `break`s and expression statements of integer forms calling only
/// integer functions (no `return`, no declaration); a plain expression statement not compiled
/// yet is read the general way when reached. So nothing a round does changes a variable list or
/// a type: the rounds run from this form with the results, steps and messages of the general
/// reading. Kept by the compiled place of the loop's first token; used under the interpreter
/// lock.
struct ScriptIntegerLoop {
    /// Compiled for the name epoch `epoch` (0: not tried), `compiled` when it has this form;
    /// `retry` counts rounds down to compiling again when a part was not compiled yet.
    uint64_t epoch = 0;
    bool compiled = false;
    uint32_t retry = 0;
    uint32_t wait = 0; ///< the rounds waited before the last try
    /// Calls as resolved for the function epoch `functionEpoch`, `callRetry` counting rounds
    /// down to resolving again when a function called was not compiled yet; outer variables as
    /// resolved for the variable epoch `variableEpoch`.
    uint64_t functionEpoch = 0, variableEpoch = 0;
    bool callsResolved = false, resolved = false;
    uint32_t callRetry = 0, callWait = 0;
    ScriptIntegerFunction code; ///< expressions, calls and outer variables; `code.body` the body
    uint32_t condition = 0;     ///< an expression of `code`
    std::vector<uint32_t> step; ///< expressions of `code`
    int conditionEndLine = 0;   ///< line of the token that ends the condition
};

/// An expression of general code that is plain: integer literals, variables that are integers
/// and elements of integer arrays indexed by an integer literal or variable, and integer
/// operators (no calls, no parenthesised parts). Compiled as the one expression of an integer
/// function without parameters or frame, as a loop's condition is, every name a variable found
/// where the expression stands. Nothing it does changes a variable list or a type, so it is
/// evaluated from this form with the result the general reading gives. Kept by the compiled
/// place of its first token; used under the interpreter lock.
struct ScriptIntegerPlainExpression {
    /// Outer variables as resolved for the variable epoch `variableEpoch`; `resolved` when each
    /// is of the kind the expression uses it as.
    uint64_t variableEpoch = 0;
    bool resolved = false;
    ScriptIntegerFunction code; ///< `code.expressions[0]` is the expression
    /// A token naming each outer variable, in the order of `code.outerNames`: it is looked up
    /// as the general reading looks up that token.
    std::vector<uint32_t> outerTokens;
};
