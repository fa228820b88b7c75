#include "script/ScriptContext.h"

#include <cstring>

// The integer form of an expression. Loops and function bodies evaluate the same expressions
// again and again, most of them integer arithmetic and comparisons on variables (`i < n`,
// `s += i`, `n - 1`). The compiled form of such an expression is turned into its operands and its
// operators in reduction order, and evaluated from that without the value stack. The result is
// exactly the general evaluator's: the operators are applied in the same order with the same
// integer rules, and the form is used only when every variable is an integer when the evaluation
// starts (nothing in such an expression can change a variable's type); otherwise the general
// evaluator reads the expression and reports what there is to report.

namespace {

using Kind = ScriptTokenKind;
using Cache = ScriptExpressionCache;

bool isAssignment(ScriptOp op) {
    return op == ScriptOp::Assign || op == ScriptOp::AddAssign || op == ScriptOp::SubtractAssign ||
           op == ScriptOp::MultiplyAssign || op == ScriptOp::DivideAssign;
}

bool isStep(ScriptOp op) {
    return op == ScriptOp::Increment || op == ScriptOp::Decrement;
}

ScriptOp stepOp(ScriptOp op) {
    return op == ScriptOp::Increment ? ScriptOp::Add : ScriptOp::Subtract;
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

void ZRScriptContext::analyseFast(Cache& cache) {
    cache.fast = false;
    cache.operands.clear();
    cache.operations.clear();
    cache.placesEpoch = 0;
    // Made from the compiled form alone, so it is the same expression read the same way.
    if (cache.epoch != scriptNameEpoch()) return; // not compiled yet: asked again later
    cache.fastEpoch = cache.epoch;

    std::vector<ScriptShapeItem> shape;
    for (const ScriptLeaf& leaf : cache.leaves) {
        switch (leaf.kind) {
        case ScriptLeaf::Kind::Index: {
            // An integer array indexed by an integer variable or literal: an element operand.
            Cache::Operand* array = cache.operands.empty() ? nullptr : &cache.operands.back();
            if (!array || array->token == Cache::kLiteral || array->index != Cache::kNoIndex ||
                shape.empty() || shape.back().kind != ScriptShape::Operand)
                return;
            const ScriptExpressionCache* index = src->cache(leaf.token + 1).expression;
            if (!index || index->epoch != cache.epoch || index->leaves.size() != 1 ||
                index->end != leaf.token + 2)
                return;
            const ScriptLeaf& value = index->leaves[0];
            if (value.kind == ScriptLeaf::Kind::Name) {
                array->index = value.token;
            } else if (value.kind == ScriptLeaf::Kind::Literal && value.type == bt.integer) {
                array->index = Cache::kLiteral;
                std::memcpy(&array->indexLiteral, value.value, sizeof array->indexLiteral);
            } else {
                return;
            }
            break;
        }
        case ScriptLeaf::Kind::Literal:
        case ScriptLeaf::Kind::Name: {
            if (cache.operands.size() == Cache::kMaxFastOperands) return;
            if (leaf.kind == ScriptLeaf::Kind::Name) {
                cache.operands.push_back(Cache::Operand{leaf.token, 0});
            } else {
                if (leaf.type != bt.integer) return;
                int32_t literal;
                std::memcpy(&literal, leaf.value, sizeof literal);
                cache.operands.push_back(Cache::Operand{Cache::kLiteral, literal});
            }
            shape.push_back(ScriptShapeItem{ScriptShape::Operand, ScriptOp::None});
            break;
        }
        case ScriptLeaf::Kind::Operator: {
            const ScriptOp op = leaf.op;
            const auto fixity = ScriptFixity(leaf.fixity);
            const bool step = op == ScriptOp::Increment || op == ScriptOp::Decrement;
            if (fixity == ScriptFixity::Prefix &&
                (step || op == ScriptOp::Subtract || op == ScriptOp::Add || op == ScriptOp::Not))
                shape.push_back(ScriptShapeItem{ScriptShape::Prefix, op});
            else if (fixity == ScriptFixity::Postfix && step)
                shape.push_back(ScriptShapeItem{ScriptShape::Postfix, op});
            else if (fixity == ScriptFixity::Binary && integerOperator(op))
                shape.push_back(ScriptShapeItem{ScriptShape::Binary, op});
            else
                return;
            break;
        }
        default:
            return;
        }
    }
    if (shape.empty()) return;

    // The operators in reduction order, on slots: operands first, then each result.
    const std::vector<ScriptReductionStep>& steps = cache.steps;
    if (steps.empty() && shape.size() != 1) return;
    std::vector<uint8_t> slotAt;
    for (size_t k = 0, next = 0; k < shape.size(); ++k)
        slotAt.push_back(shape[k].kind == ScriptShape::Operand ? uint8_t(next++) : 0);
    uint8_t nextSlot = uint8_t(cache.operands.size());
    for (const ScriptReductionStep& step : steps) {
        if (nextSlot == Cache::kMaxFastSlots) return;
        // Only a variable can be assigned to or stepped; anything else is the general
        // evaluator's "illegal assignment" or "unsupported".
        auto variable = [&](uint8_t slot) {
            return slot < cache.operands.size() && cache.operands[slot].token != Cache::kLiteral;
        };
        using Form = Cache::Operation::Form;
        Cache::Operation o{};
        if (step.kind == ScriptReductionStep::Kind::Binary) {
            o = Cache::Operation{Form::Binary, shape[step.op].op, slotAt[step.left],
                                 slotAt[step.right]};
            if (isAssignment(o.op) && !variable(o.left)) return;
            slotAt[step.left] = nextSlot++;
        } else if (step.kind == ScriptReductionStep::Kind::Prefix) {
            o = Cache::Operation{Form::Prefix, shape[step.op].op, 0, slotAt[step.right]};
            if (isStep(o.op) && !variable(o.right)) return;
            slotAt[step.op] = nextSlot++;
        } else if (step.kind == ScriptReductionStep::Kind::Postfix) {
            o = Cache::Operation{Form::Postfix, shape[step.op].op, slotAt[step.left], 0};
            if (!variable(o.left)) return;
            slotAt[step.left] = nextSlot++;
        } else {
            return; // an expression that fails is left to the general evaluator
        }
        cache.operations.push_back(o);
    }
    cache.fast = true;
}

bool ZRScriptContext::evaluateFast(Cache& cache, int32_t& value) {
    return resolveFast(cache) && computeFast(cache, value);
}

bool ZRScriptContext::resolveFast(Cache& cache) {
    const size_t operands = cache.operands.size();
    if (cache.placesEpoch != gScriptVariableEpoch) {
        cache.places.resize(operands);
        cache.elements.clear();
        for (size_t k = 0; k < operands; ++k) {
            const Cache::Operand& o = cache.operands[k];
            cache.places[k] = nullptr;
            if (o.token == Cache::kLiteral) continue;
            ScriptVariable* v = variableAt(o.token);
            if (!v) return false;
            if (o.index == Cache::kNoIndex) {
                if (v->type != bt.integer) return false;
                cache.places[k] = v->area;
                continue;
            }
            if (!v->type->isArray() || v->type->base != bt.integer) return false;
            Cache::Element e{uint8_t(k), v->type->count, v->data(), nullptr, o.indexLiteral};
            if (o.index != Cache::kLiteral) {
                ScriptVariable* index = variableAt(o.index);
                if (!index || index->type != bt.integer) return false;
                e.index = index->area;
            }
            cache.elements.push_back(e);
        }
        cache.placesEpoch = gScriptVariableEpoch;
    }
    return true;
}

bool ZRScriptContext::computeFast(Cache& cache, int32_t& value) {
    using Form = Cache::Operation::Form;
    const size_t operands = cache.operands.size();
    unsigned char* const* places = cache.places.data();
    // Elements are found first, as collection indexes before any operator applies; an index
    // out of range leaves the expression to the general evaluator, which reports it.
    for (const Cache::Element& e : cache.elements) {
        int32_t i = e.literal;
        if (e.index) std::memcpy(&i, e.index, sizeof i);
        if (uint32_t(i) >= e.count) return false;
        cache.places[e.slot] = e.base + size_t(uint32_t(i)) * sizeof(int32_t);
    }
    const Cache::Operand* literals = cache.operands.data();
    if (cache.operations.size() == 1 && cache.operations[0].form == Form::Binary) {
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
        return true;
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
        if (o.form == Form::Postfix) {
            // The variable steps; the value is the one before.
            r = read(o.left);
            const int32_t stepped = fastArithmetic(stepOp(o.op), r, 1);
            std::memcpy(places[o.left], &stepped, sizeof stepped);
        } else if (o.form == Form::Prefix && isStep(o.op)) {
            r = fastArithmetic(stepOp(o.op), read(o.right), 1);
            std::memcpy(places[o.right], &r, sizeof r);
        } else if (o.form == Form::Prefix) {
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
    value = read(uint8_t(slot - 1));
    return true;
}
