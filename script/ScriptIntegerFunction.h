#pragma once

#include "script/ScriptExpressionCache.h"

#include <cstdint>
#include <string>
#include <vector>

struct ScriptType;
struct ScriptVariable;
struct ScriptIntegerFunction;

/// An expression of an integer function's body in its compiled form: operands in text order
/// (literals, parameters, variables outside the function, calls and parenthesised expressions,
/// the last two evaluated where they stand, in text order) and the integer operators in
/// reduction order (slots as scriptIntegerOperations numbers them).
struct ScriptIntegerExpr {
    struct Operand {
        enum class Kind : uint8_t { Literal, Parameter, Outer, Call, Nested } kind;
        int32_t literal = 0;
        uint32_t index = 0; ///< parameter slot, outer variable, call or nested expression
    };
    std::vector<Operand> operands;
    std::vector<ScriptExpressionCache::Operation> operations;
};

/// A call of an integer function inside a compiled body.
struct ScriptIntegerCall {
    std::string name;
    uint64_t hash = 0;
    int line = 0;               ///< line of the call's `)`, for messages
    std::vector<uint32_t> args; ///< expressions of the function
    ScriptVariable* target = nullptr;
    ScriptIntegerFunction* code = nullptr;
};

/// A statement of a compiled body.
struct ScriptIntegerStatement {
    enum class Kind : uint8_t { Empty, Block, If, Return, Expression } kind = Kind::Empty;
    uint32_t expression = 0;                      ///< If, Return, Expression
    std::vector<ScriptIntegerStatement> children; ///< Block: its statements; If: then [, else]
};

/// The compiled form of a script function whose parameters (at most ten) and result are all
/// `integer` and whose body holds only blocks, `if`s, `return`s and expression statements of
/// integer forms, calling only such functions. Such a body cannot declare, report (but for the
/// call nesting limit), convert or change what a name means, so it runs on a frame of integers
/// instead of variable records, with the results the general reading gives. Kept by the
/// expression cache of the body's `{`; used under the interpreter lock.
struct ScriptIntegerFunction {
    static constexpr size_t kMaxParameters = 10;
    /// The body as compiled for the name epoch `epoch` (0: not tried), `compiled` when it has
    /// this form; `retry` counts calls down to trying again when a part of it was not compiled
    /// yet.
    uint64_t epoch = 0;
    bool compiled = false;
    uint32_t retry = 0;
    uint32_t wait = 0; ///< the calls waited before the last try
    /// Calls and outer variables as resolved for the function epoch `resolvedEpoch`;
    /// `resolveRetry` counts calls down to resolving again when a function called was not
    /// compiled yet.
    uint64_t resolvedEpoch = 0;
    bool resolved = false;
    uint32_t resolveRetry = 0;
    uint32_t resolveWait = 0;
    size_t parameters = 0;
    std::vector<ScriptIntegerExpr> expressions;
    std::vector<ScriptIntegerCall> calls;
    const ScriptType* type = nullptr;        ///< the function type compiled for
    std::vector<std::string> outerNames;     ///< variables outside the function
    std::vector<unsigned char*> outerPlaces; ///< their integer values, once resolved
    ScriptIntegerStatement body;
};
