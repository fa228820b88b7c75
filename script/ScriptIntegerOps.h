#pragma once

#include "script/ScriptCompiledPlace.h"
#include "script/ScriptContext.h"
#include "script/ScriptIntegerFunction.h"

#include <cstdint>
#include <cstring>

// The operators of integer forms (ScriptIntegerFunctions.cpp: the expressions of integer
// functions, of loops and of general code): applied in the general evaluator's order by the
// operator table's rules (scriptIntegerRule), so that their results are exactly its results.

/// The shape item of an operator leaf of a compiled expression, when the operator has an integer
/// form: a prefix step or prefix rule (`++ -- - + !`), a postfix step, or a binary operator of
/// scriptIntegerOperator.
inline bool scriptIntegerOperatorShape(const ScriptLeaf& leaf, ScriptShapeItem& item) {
    const ScriptOp op = leaf.op;
    switch (ScriptFixity(leaf.fixity)) {
    case ScriptFixity::Prefix:
        if (!scriptIsStep(op) && scriptOperator(op).prefixRule == ScriptOpRule::None) return false;
        item = ScriptShapeItem{ScriptShape::Prefix, op};
        return true;
    case ScriptFixity::Postfix:
        if (!scriptIsStep(op)) return false;
        item = ScriptShapeItem{ScriptShape::Postfix, op};
        return true;
    case ScriptFixity::Binary:
        if (!scriptIntegerOperator(op)) return false;
        item = ScriptShapeItem{ScriptShape::Binary, op};
        return true;
    }
    return false;
}

/// Turns a reduction order into operations on slots: operand k (the k-th operand of `shape`) is
/// slot k, the result of operation j is slot `operands + j`. `variable(slot)` tells whether an
/// operand slot may be assigned to or stepped. False when an operator has no integer form or
/// the reduction ends in "illegal expression" (left to the general evaluator).
template <class IsVariable>
bool scriptIntegerOperations(const std::vector<ScriptShapeItem>& shape,
                             const std::vector<ScriptReductionStep>& steps, size_t operands,
                             IsVariable variable, std::vector<ScriptIntegerOperation>& out) {
    using Operation = ScriptIntegerOperation;
    using Form = Operation::Form;
    if (steps.empty() && shape.size() != 1) return false;
    std::vector<uint8_t> slotAt;
    slotAt.reserve(shape.size());
    for (size_t k = 0, next = 0; k < shape.size(); ++k)
        slotAt.push_back(shape[k].kind == ScriptShape::Operand ? uint8_t(next++) : 0);
    uint8_t nextSlot = uint8_t(operands);
    auto isVariable = [&](uint8_t slot) { return slot < operands && variable(slot); };
    for (const ScriptReductionStep& step : steps) {
        if (nextSlot == Operation::kMaxSlots) return false;
        Operation o{};
        const ScriptOp op = shape[step.op].op;
        const ScriptOperatorInfo& row = scriptOperator(op);
        if (step.kind == ScriptReductionStep::Kind::Binary) {
            o = Operation{Form::Binary, slotAt[step.left], slotAt[step.right], row.rule,
                          scriptIsAssignment(op)};
            if (o.writes && !isVariable(o.left)) return false;
            slotAt[step.left] = nextSlot++;
        } else if (step.kind == ScriptReductionStep::Kind::Prefix) {
            const bool steps = scriptIsStep(op);
            o = Operation{Form::Prefix, 0, slotAt[step.right], steps ? row.rule : row.prefixRule,
                          steps};
            if (o.writes && !isVariable(o.right)) return false;
            slotAt[step.op] = nextSlot++;
        } else if (step.kind == ScriptReductionStep::Kind::Postfix) {
            o = Operation{Form::Postfix, slotAt[step.left], 0, row.rule, true};
            if (!isVariable(o.left)) return false;
            slotAt[step.left] = nextSlot++;
        } else {
            return false;
        }
        out.push_back(o);
    }
    return true;
}

/// Applies one binary operation to the int32 areas `left` and `right` (an assignment writes
/// `left`); the result.
inline int32_t scriptRunIntegerBinary(const ScriptIntegerOperation& o, unsigned char* left,
                                      const unsigned char* right) {
    int32_t a, b;
    std::memcpy(&a, left, sizeof a);
    std::memcpy(&b, right, sizeof b);
    const int32_t r = scriptIntegerRule(o.rule, a, b);
    if (o.writes) std::memcpy(left, &r, sizeof r);
    return r;
}

/// Applies operations made by scriptIntegerOperations to operands read and written through
/// `places` (slot k at places[k], an int32 area). The value of the last operation, or of
/// operand 0 when there is none.
[[gnu::always_inline]] inline int32_t scriptRunIntegerOperations(const ScriptIntegerOperation* ops,
                                                                 size_t count,
                                                                 unsigned char* const* places,
                                                                 size_t operands) {
    using Form = ScriptIntegerOperation::Form;
    int32_t r = 0;
    if (count == 0) {
        std::memcpy(&r, places[0], sizeof r);
        return r;
    }
    if (count == 1) {
        // One operator on operands (the most common expressions: `i < n`, `s += i`, `i++`).
        const ScriptIntegerOperation& o = ops[0];
        if (o.form == Form::Binary)
            return scriptRunIntegerBinary(o, places[o.left], places[o.right]);
        unsigned char* p = places[o.form == Form::Postfix ? o.left : o.right];
        int32_t a;
        std::memcpy(&a, p, sizeof a);
        if (!o.writes) return scriptIntegerRule(o.rule, a, 0);
        r = scriptIntegerRule(o.rule, a, 1);
        std::memcpy(p, &r, sizeof r);
        return o.form == Form::Postfix ? a : r;
    }
    int32_t results[ScriptIntegerOperation::kMaxSlots];
    auto read = [&](uint8_t slot) {
        if (slot >= operands) return results[slot - operands];
        int32_t v;
        std::memcpy(&v, places[slot], sizeof v);
        return v;
    };
    auto write = [&](uint8_t slot, int32_t v) { std::memcpy(places[slot], &v, sizeof v); };
    for (size_t j = 0; j < count; ++j) {
        const ScriptIntegerOperation& o = ops[j];
        if (o.form == Form::Postfix) {
            // The variable steps; the value is the one before.
            r = read(o.left);
            write(o.left, scriptIntegerRule(o.rule, r, 1));
        } else if (o.form == Form::Prefix) {
            r = scriptIntegerRule(o.rule, read(o.right), o.writes ? 1 : 0);
            if (o.writes) write(o.right, r);
        } else {
            r = scriptIntegerRule(o.rule, read(o.left), read(o.right));
            if (o.writes) write(o.left, r);
        }
        results[j] = r;
    }
    return r;
}
