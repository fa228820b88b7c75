#include "script/ScriptContext.h"
#include "script/ScriptIntegerOps.h"

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

using Cache = ScriptExpressionCache;

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
            ScriptShapeItem item{};
            if (!scriptIntegerOperatorShape(leaf, item)) return;
            shape.push_back(item);
            break;
        }
        default:
            return;
        }
    }
    if (shape.empty()) return;

    // The operators in reduction order, on slots: operands first, then each result. Only a
    // variable can be assigned to or stepped; anything else is the general evaluator's
    // "illegal assignment" or "unsupported".
    if (!scriptIntegerOperations(
            shape, cache.steps, cache.operands.size(),
            [&](uint8_t slot) { return cache.operands[slot].token != Cache::kLiteral; },
            cache.operations))
        return;
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
            // A literal is read where the form keeps it (nothing writes to it).
            cache.places[k] = reinterpret_cast<unsigned char*>(&cache.operands[k].literal);
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
    unsigned char* const* places = cache.places.data();
    // Elements are found first, as collection indexes before any operator applies; an index
    // out of range leaves the expression to the general evaluator, which reports it.
    for (const Cache::Element& e : cache.elements) {
        int32_t i = e.literal;
        if (e.index) std::memcpy(&i, e.index, sizeof i);
        if (uint32_t(i) >= e.count) return false;
        cache.places[e.slot] = e.base + size_t(uint32_t(i)) * sizeof(int32_t);
    }
    if (cache.operations.size() == 1 && cache.operations[0].form == Form::Binary) {
        // The common `a op b`.
        const Cache::Operation& o = cache.operations[0];
        value = scriptRunIntegerBinary(o, places[o.left], places[o.right]);
        return true;
    }
    value = scriptRunIntegerOperations(cache.operations.data(), cache.operations.size(), places,
                                       cache.operands.size());
    return true;
}
