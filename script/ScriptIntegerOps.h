#pragma once

#include "script/ScriptContext.h"
#include "script/ScriptExpressionCache.h"

#include <cstdint>
#include <cstring>

// The integer operators as the integer forms apply them (ScriptFastExpressions.cpp and
// ScriptIntegerFunctions.cpp): 32-bit two's complement wrap-around, a zero divisor gives 0, and
// results exactly those of the general evaluator.

inline bool scriptIsAssignment(ScriptOp op) {
    return op == ScriptOp::Assign || op == ScriptOp::AddAssign || op == ScriptOp::SubtractAssign ||
           op == ScriptOp::MultiplyAssign || op == ScriptOp::DivideAssign;
}

inline bool scriptIsStep(ScriptOp op) {
    return op == ScriptOp::Increment || op == ScriptOp::Decrement;
}

/// Binary operators that have an integer form.
inline bool scriptIntegerOperator(ScriptOp op) {
    switch (op) {
    case ScriptOp::Multiply:
    case ScriptOp::Divide:
    case ScriptOp::Add:
    case ScriptOp::Subtract:
    case ScriptOp::Equal:
    case ScriptOp::NotEqual:
    case ScriptOp::Less:
    case ScriptOp::LessEqual:
    case ScriptOp::Greater:
    case ScriptOp::GreaterEqual:
    case ScriptOp::LogicalAnd:
    case ScriptOp::LogicalOr:
        return true;
    default:
        return scriptIsAssignment(op);
    }
}

inline int32_t scriptIntegerArithmetic(ScriptOp op, int32_t a, int32_t b) {
    switch (op) {
    case ScriptOp::Add:
    case ScriptOp::AddAssign:
    case ScriptOp::Increment:
        return int32_t(uint32_t(a) + uint32_t(b));
    case ScriptOp::Subtract:
    case ScriptOp::SubtractAssign:
    case ScriptOp::Decrement:
        return int32_t(uint32_t(a) - uint32_t(b));
    case ScriptOp::Multiply:
    case ScriptOp::MultiplyAssign:
        return int32_t(uint32_t(a) * uint32_t(b));
    default:
        if (b == 0) return 0;
        if (a == INT32_MIN && b == -1) return INT32_MIN;
        return a / b;
    }
}

/// A comparison or logical operator on two numbers of one type: 1 or 0 (0 for other operators).
template <class T> int32_t scriptRelation(ScriptOp op, T a, T b) {
    switch (op) {
    case ScriptOp::Equal:
        return a == b;
    case ScriptOp::NotEqual:
        return a != b;
    case ScriptOp::Less:
        return a < b;
    case ScriptOp::LessEqual:
        return a <= b;
    case ScriptOp::Greater:
        return a > b;
    case ScriptOp::GreaterEqual:
        return a >= b;
    case ScriptOp::LogicalAnd:
        return a != 0 && b != 0;
    case ScriptOp::LogicalOr:
        return a != 0 || b != 0;
    default:
        return 0;
    }
}

inline int32_t scriptIntegerBinary(ScriptOp op, int32_t a, int32_t b) {
    switch (op) {
    case ScriptOp::Multiply:
    case ScriptOp::Divide:
    case ScriptOp::Add:
    case ScriptOp::Subtract:
        return scriptIntegerArithmetic(op, a, b);
    default:
        return scriptIsAssignment(op) ? scriptIntegerArithmetic(op, a, b)
                                      : scriptRelation(op, a, b);
    }
}

/// The shape item of an operator leaf of a compiled expression, when the operator has an integer
/// form: prefix `++ -- - + !`, postfix `++ --`, or a binary operator of scriptIntegerOperator.
/// Both integer forms (of an expression and of a function's body) take their operators from
/// here, so that they accept the same ones.
inline bool scriptIntegerOperatorShape(const ScriptLeaf& leaf, ScriptShapeItem& item) {
    const ScriptOp op = leaf.op;
    switch (ScriptFixity(leaf.fixity)) {
    case ScriptFixity::Prefix:
        if (!scriptIsStep(op) && op != ScriptOp::Subtract && op != ScriptOp::Add &&
            op != ScriptOp::Not)
            return false;
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
                             IsVariable variable,
                             std::vector<ScriptExpressionCache::Operation>& out) {
    using Cache = ScriptExpressionCache;
    using Form = Cache::Operation::Form;
    if (steps.empty() && shape.size() != 1) return false;
    std::vector<uint8_t> slotAt;
    slotAt.reserve(shape.size());
    for (size_t k = 0, next = 0; k < shape.size(); ++k)
        slotAt.push_back(shape[k].kind == ScriptShape::Operand ? uint8_t(next++) : 0);
    uint8_t nextSlot = uint8_t(operands);
    auto isVariable = [&](uint8_t slot) { return slot < operands && variable(slot); };
    for (const ScriptReductionStep& step : steps) {
        if (nextSlot == Cache::kMaxFastSlots) return false;
        Cache::Operation o{};
        if (step.kind == ScriptReductionStep::Kind::Binary) {
            o = Cache::Operation{Form::Binary, shape[step.op].op, slotAt[step.left],
                                 slotAt[step.right]};
            if (scriptIsAssignment(o.op) && !isVariable(o.left)) return false;
            slotAt[step.left] = nextSlot++;
        } else if (step.kind == ScriptReductionStep::Kind::Prefix) {
            o = Cache::Operation{Form::Prefix, shape[step.op].op, 0, slotAt[step.right]};
            if (scriptIsStep(o.op) && !isVariable(o.right)) return false;
            slotAt[step.op] = nextSlot++;
        } else if (step.kind == ScriptReductionStep::Kind::Postfix) {
            o = Cache::Operation{Form::Postfix, shape[step.op].op, slotAt[step.left], 0};
            if (!isVariable(o.left)) return false;
            slotAt[step.left] = nextSlot++;
        } else {
            return false;
        }
        out.push_back(o);
    }
    return true;
}

/// Applies one binary operator to the int32 areas `left` and `right` (an assignment writes
/// `left`); the result.
inline int32_t scriptRunIntegerBinary(ScriptOp op, unsigned char* left,
                                      const unsigned char* right) {
    int32_t a, b, r;
    std::memcpy(&a, left, sizeof a);
    std::memcpy(&b, right, sizeof b);
    if (!scriptIsAssignment(op)) return scriptIntegerBinary(op, a, b);
    r = op == ScriptOp::Assign ? b : scriptIntegerArithmetic(op, a, b);
    std::memcpy(left, &r, sizeof r);
    return r;
}

/// Applies operations made by scriptIntegerOperations to operands read and written through
/// `places` (slot k at places[k], an int32 area). The value of the last operation, or of
/// operand 0 when there is none.
[[gnu::always_inline]] inline int32_t
scriptRunIntegerOperations(const ScriptExpressionCache::Operation* ops, size_t count,
                           unsigned char* const* places, size_t operands) {
    using Form = ScriptExpressionCache::Operation::Form;
    int32_t r = 0;
    if (count == 0) {
        std::memcpy(&r, places[0], sizeof r);
        return r;
    }
    if (count == 1) {
        // One operator on operands (the most common expressions: `i < n`, `s += i`, `i++`).
        const ScriptExpressionCache::Operation& o = ops[0];
        if (o.form == Form::Binary)
            return scriptRunIntegerBinary(o.op, places[o.left], places[o.right]);
        unsigned char* p = places[o.form == Form::Postfix ? o.left : o.right];
        int32_t a;
        std::memcpy(&a, p, sizeof a);
        if (!scriptIsStep(o.op))
            return o.op == ScriptOp::Subtract ? int32_t(0u - uint32_t(a))
                   : o.op == ScriptOp::Not    ? int32_t(a == 0)
                                              : a;
        r = scriptIntegerArithmetic(o.op, a, 1);
        std::memcpy(p, &r, sizeof r);
        return o.form == Form::Postfix ? a : r;
    }
    int32_t results[ScriptExpressionCache::kMaxFastSlots];
    auto read = [&](uint8_t slot) {
        if (slot >= operands) return results[slot - operands];
        int32_t v;
        std::memcpy(&v, places[slot], sizeof v);
        return v;
    };
    auto write = [&](uint8_t slot, int32_t v) { std::memcpy(places[slot], &v, sizeof v); };
    for (size_t j = 0; j < count; ++j) {
        const ScriptExpressionCache::Operation& o = ops[j];
        if (o.form == Form::Postfix) {
            // The variable steps; the value is the one before.
            r = read(o.left);
            write(o.left, scriptIntegerArithmetic(o.op, r, 1));
        } else if (o.form == Form::Prefix && scriptIsStep(o.op)) {
            r = scriptIntegerArithmetic(o.op, read(o.right), 1);
            write(o.right, r);
        } else if (o.form == Form::Prefix) {
            const int32_t a = read(o.right);
            r = o.op == ScriptOp::Subtract ? int32_t(0u - uint32_t(a))
                : o.op == ScriptOp::Not    ? int32_t(a == 0)
                                           : a;
        } else if (scriptIsAssignment(o.op)) {
            const int32_t b = read(o.right);
            r = o.op == ScriptOp::Assign ? b : scriptIntegerArithmetic(o.op, read(o.left), b);
            write(o.left, r);
        } else {
            r = scriptIntegerBinary(o.op, read(o.left), read(o.right));
        }
        results[j] = r;
    }
    return r;
}
