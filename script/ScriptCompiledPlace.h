#pragma once

#include "script/ScriptOperators.h"

#include <cstdint>
#include <memory>
#include <vector>

struct ScriptType;
struct ScriptVariable;
struct ScriptIntegerFunction;
struct ScriptIntegerLoop;
struct ScriptIntegerPlainExpression;

/// An entry of the value stack as the reduction order sees it.
enum class ScriptShape : uint8_t { Operand, Type, Binary, Prefix, Postfix };

struct ScriptShapeItem {
    ScriptShape kind;
    ScriptOp op; ///< operators only
    bool operator==(const ScriptShapeItem&) const = default;
};

/// One step of a reduction: apply the operator `op` to its operands, or end with "illegal
/// expression". Entries are numbered as collected, from the expression's first entry; no entry
/// moves. Each operand formed by a step takes the number of its leftmost entry: a binary
/// operator and a postfix operator leave their result at their left operand (`left`), a prefix
/// operator at its own number (`op`), its operand being `right`. The last step's result is entry
/// 0.
struct ScriptReductionStep {
    enum class Kind : uint8_t { Binary, Prefix, Postfix, Fail } kind;
    uint32_t op = 0;
    uint32_t left = 0;  ///< binary and postfix operators
    uint32_t right = 0; ///< binary and prefix operators
};

/// The order in which the evaluator applies the operators of an expression whose collected
/// entries have `shape`. The entries are scanned from the left; a postfix operator is applied
/// when it is met; another operator is applied when its strength is greater than that of the
/// next binary operator, or when no binary operator follows, and the scan starts again. Before
/// a binary or prefix operator is applied, its right operand is settled: its postfix operators
/// and the prefix operators in front of it are applied first. So operators of equal strength
/// group from the right and a prefix operator that does not bind tighter than the next operator
/// applies after it. The order depends on the shape alone: each step turns its operator and
/// operands into one operand whatever the values are. A shape that cannot be reduced ends with
/// a Fail step at the point where the reduction finds that out. Time and memory are linear in
/// the shape's size, and no recursion is involved, however long the expression.
std::vector<ScriptReductionStep> scriptPlanReduction(const std::vector<ScriptShapeItem>& shape);

/// One thing that the collection of an expression pushes or applies, in text order. Each
/// names the token it starts at; `next` is the token behind it and `operandAfter` whether
/// collection has just read an operand there (so that reading can go on from it).
struct ScriptLeaf {
    enum class Kind : uint8_t {
        Literal,   ///< a number, a character or NULL: `type` and `value`
        String,    ///< a string literal: a new string each time
        Type,      ///< a type name: `type`
        Call,      ///< a call of a named function
        Immediate, ///< a process-wide function without parameters, called where it stands
        Name,      ///< a name, resolved when an operator uses it
        Paren,     ///< a parenthesised expression, or a cast when it names a type
        Index,     ///< indexing of the operand in front
        Member,    ///< `.` or `->` on the operand in front: `op`
        Operator   ///< an operator: `op` and `fixity`
    } kind;
    ScriptOp op = ScriptOp::None;
    uint8_t fixity = 0;
    bool operandAfter = false;
    uint32_t token = 0;
    uint32_t next = 0;
    ScriptType* type = nullptr;
    ScriptVariable* function = nullptr;
    alignas(8) unsigned char value[8] = {};
};

/// What the interpreter compiled at one place of a read text where an expression, a function
/// body, a loop or a call starts, once it has read there twice (a loop: once it went round
/// twice): the expression's code, which the evaluator runs (replay) instead of reading the
/// tokens, and the integer forms made from that code. The code is recorded by the reading
/// itself, so that it holds exactly the decisions the reading took (what each name named,
/// each operator's fixity, where each operand ends) and cannot read the text another way.
/// Owned by the ScriptSource of the text; used under the interpreter lock.
struct ScriptCompiledPlace {
    // The compiled expression: what collection pushes, in text order, and the reduction order
    // of the entries it pushes, recorded from a run that read the expression to its end. Valid
    // while the name epoch is `epoch` (what each identifier names decides what is pushed);
    // `users` counts the evaluations following it, which a nested evaluation of the same
    // expression never replaces it under.
    uint64_t epoch = 0; ///< 0: not compiled
    uint32_t users = 0;
    std::vector<ScriptLeaf> leaves;
    std::vector<ScriptReductionStep> steps;
    uint32_t end = 0; ///< the token that ends the expression
    int endLine = 0;

    // The integer form of the expression in general code, tried for the name epoch
    // `integerEpoch` (0: not tried); null when it has none.
    uint64_t integerEpoch = 0;
    std::unique_ptr<ScriptIntegerPlainExpression> integerExpression;

    // A call site: the function it resolved to for these argument types, valid while the
    // function epoch is `callEpoch`.
    uint64_t callEpoch = 0;
    ScriptVariable* callTarget = nullptr;
    std::vector<ScriptType*> callTypes;

    // A function body (at its `{`): its compiled form as an integer function, once tried.
    std::unique_ptr<ScriptIntegerFunction> integerFunction;
    /// A loop (at its `for` or `while`): its compiled form, once tried.
    std::unique_ptr<ScriptIntegerLoop> integerLoop;
};
