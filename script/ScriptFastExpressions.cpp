#include "script/ScriptContext.h"

#include <cstring>

// The integer form of an expression. Loops and function bodies evaluate the same expressions
// again and again, most of them integer arithmetic and comparisons on variables (`i < n`,
// `s += i`, `n - 1`). Such an expression is read once into its operands and its operators in
// reduction order, and evaluated from that without the value stack. The result is exactly the
// general evaluator's: the operators are applied in the same order with the same integer
// rules, and the form is used only when every variable is an integer when the evaluation
// starts (nothing in such an expression can change a variable's type); otherwise the general
// evaluator reads the expression and reports what there is to report.

namespace {

using Kind = ScriptTokenKind;
using Cache = ScriptExpressionCache;

bool isAssignment(ScriptOp op) {
    return op == ScriptOp::Assign || op == ScriptOp::AddAssign || op == ScriptOp::SubtractAssign ||
           op == ScriptOp::MultiplyAssign || op == ScriptOp::DivideAssign;
}

bool integerOperator(ScriptOp op) {
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
        return isAssignment(op);
    }
}

// Integer arithmetic wraps as 32-bit two's complement; a zero divisor gives 0.
int32_t fastArithmetic(ScriptOp op, int32_t a, int32_t b) {
    switch (op) {
    case ScriptOp::Add:
    case ScriptOp::AddAssign:
        return int32_t(uint32_t(a) + uint32_t(b));
    case ScriptOp::Subtract:
    case ScriptOp::SubtractAssign:
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

int32_t fastBinary(ScriptOp op, int32_t a, int32_t b) {
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
        return fastArithmetic(op, a, b);
    }
}

} // namespace

void ZRScriptContext::analyseFast(Cache& cache, uint32_t pos) {
    cache.fastEpoch = scriptNameEpoch();
    cache.fast = false;
    cache.operands.clear();
    cache.operations.clear();
    cache.placesEpoch = 0;

    // The entries that collection would push, when every token is a simple one.
    std::vector<ScriptShapeItem> shape;
    bool operand = false;
    for (;; ++pos) {
        const ScriptTok& t = tok(pos);
        if (t.kind == Kind::Semicolon || t.kind == Kind::RightParen || t.kind == Kind::Comma ||
            t.kind == Kind::RightBracket || t.kind == Kind::End)
            break;
        if (t.kind == Kind::Integer || t.kind == Kind::Identifier) {
            if (operand || cache.operands.size() == Cache::kMaxFastOperands) return;
            if (t.kind == Kind::Identifier) {
                const NameClass named = classify(pos);
                if (named.type || named.immediate || nameOf(pos) == "NULL" ||
                    tok(pos + 1).kind == Kind::LeftParen)
                    return;
                cache.operands.push_back(Cache::Operand{pos, 0});
            } else {
                cache.operands.push_back(Cache::Operand{Cache::kLiteral, t.v.i});
            }
            shape.push_back(ScriptShapeItem{ScriptShape::Operand, ScriptOp::None});
            operand = true;
            continue;
        }
        if (t.kind != Kind::Operator) return;
        const ScriptOp op = t.op;
        if (!operand && (op == ScriptOp::Subtract || op == ScriptOp::Add || op == ScriptOp::Not)) {
            shape.push_back(ScriptShapeItem{ScriptShape::Prefix, op});
        } else if (operand && integerOperator(op)) {
            shape.push_back(ScriptShapeItem{ScriptShape::Binary, op});
            operand = false;
        } else {
            return;
        }
    }
    cache.end = pos;
    cache.endLine = int(tok(pos).line);

    // The operators in reduction order, on slots: operands first, then each result.
    const std::vector<ScriptReductionStep> steps = scriptPlanReduction(shape);
    if (steps.empty() && shape.size() != 1) return;
    std::vector<uint8_t> slotAt;
    for (size_t k = 0, next = 0; k < shape.size(); ++k)
        slotAt.push_back(shape[k].kind == ScriptShape::Operand ? uint8_t(next++) : 0);
    uint8_t nextSlot = uint8_t(cache.operands.size());
    for (const ScriptReductionStep& step : steps) {
        if (nextSlot == Cache::kMaxFastSlots) return;
        Cache::Operation o{};
        if (step.kind == ScriptReductionStep::Kind::Binary) {
            o = Cache::Operation{shape[step.op].op, false, slotAt[step.left], slotAt[step.right]};
            // Only a variable can be assigned to; anything else is the general evaluator's
            // "illegal assignment".
            if (isAssignment(o.op) && (o.left >= cache.operands.size() ||
                                       cache.operands[o.left].token == Cache::kLiteral))
                return;
            slotAt[step.left] = nextSlot++;
        } else if (step.kind == ScriptReductionStep::Kind::Prefix) {
            o = Cache::Operation{shape[step.op].op, true, 0, slotAt[step.right]};
            slotAt[step.op] = nextSlot++;
        } else {
            return; // an expression that fails is left to the general evaluator
        }
        cache.operations.push_back(o);
    }
    cache.fast = true;
}

bool ZRScriptContext::evaluateFast(Cache& cache, int32_t& value) {
    if (!resolveFast(cache)) return false;
    value = computeFast(cache);
    return true;
}

bool ZRScriptContext::resolveFast(Cache& cache) {
    const size_t operands = cache.operands.size();
    if (cache.placesEpoch != gScriptVariableEpoch) {
        cache.places.resize(operands);
        for (size_t k = 0; k < operands; ++k) {
            const Cache::Operand& o = cache.operands[k];
            if (o.token == Cache::kLiteral) {
                cache.places[k] = nullptr;
                continue;
            }
            ScriptVariable* v = variableAt(o.token);
            if (!v || v->type != bt.integer) return false;
            cache.places[k] = v->area;
        }
        cache.placesEpoch = gScriptVariableEpoch;
    }
    return true;
}

int32_t ZRScriptContext::computeFast(const Cache& cache) {
    const size_t operands = cache.operands.size();
    int32_t value;
    unsigned char* const* places = cache.places.data();
    const Cache::Operand* literals = cache.operands.data();
    if (cache.operations.size() == 1 && !cache.operations[0].prefix) {
        // The common `a op b`.
        const Cache::Operation& o = cache.operations[0];
        int32_t a = literals[o.left].literal, b = literals[o.right].literal;
        if (places[o.left]) std::memcpy(&a, places[o.left], sizeof a);
        if (places[o.right]) std::memcpy(&b, places[o.right], sizeof b);
        if (isAssignment(o.op)) {
            value = o.op == ScriptOp::Assign ? b : fastArithmetic(o.op, a, b);
            std::memcpy(places[o.left], &value, sizeof value);
        } else {
            value = fastBinary(o.op, a, b);
        }
        return value;
    }
    // Operands are read where they are (a variable's value, or the literal); results of the
    // operators follow them.
    int32_t results[Cache::kMaxFastSlots];
    auto read = [&](uint8_t slot) {
        if (slot >= operands) return results[slot - operands];
        if (!places[slot]) return literals[slot].literal;
        int32_t v;
        std::memcpy(&v, places[slot], sizeof v);
        return v;
    };
    size_t slot = operands;
    for (const Cache::Operation& o : cache.operations) {
        int32_t r;
        if (o.prefix) {
            const int32_t a = read(o.right);
            r = o.op == ScriptOp::Subtract ? int32_t(0u - uint32_t(a))
                : o.op == ScriptOp::Not    ? int32_t(a == 0)
                                           : a;
        } else if (isAssignment(o.op)) {
            const int32_t b = read(o.right);
            r = o.op == ScriptOp::Assign ? b : fastArithmetic(o.op, read(o.left), b);
            std::memcpy(places[o.left], &r, sizeof r);
        } else {
            r = fastBinary(o.op, read(o.left), read(o.right));
        }
        results[slot - operands] = r;
        ++slot;
    }
    return read(uint8_t(slot - 1));
}
