#include "ScriptExpressionCache.h"

#include "ScriptIntegerFunction.h"
#include "ScriptIntegerLoop.h"
#include "ScriptLexer.h"

#include <memory>

// The reduction order is worked out on the shape of the entries alone, so that it can be kept
// for an expression that is evaluated again and again (a loop's condition, a function's body).
// The planner is the one definition of the language's grouping: the evaluator performs the
// steps it lists and nothing else.

namespace {

using Shape = ScriptShape;
using Step = ScriptReductionStep;

// The entries live in a doubly linked list by their collected numbers, so that a step removes
// entries without moving any; the scan goes on from the first place where a step may have made
// an operator ready instead of starting again from the left.
class Planner {
public:
    explicit Planner(const std::vector<ScriptShapeItem>& shape)
        : s_(shape), next_(shape.size()), prev_(shape.size()), live_(shape.size()) {
        for (size_t k = 0; k < s_.size(); ++k) {
            next_[k] = uint32_t(k + 1);
            prev_[k] = k == 0 ? kNone : uint32_t(k - 1);
        }
    }

    std::vector<Step> run() {
        uint32_t from = 0; // every operator in front of it is known not to be ready
        while (true) {
            if (live_ == 1) {
                if (!operand(0)) fail();
                return std::move(steps_);
            }
            // The next binary operator behind the scan position, found once for a stretch.
            uint32_t nextBinary = kNone, nextBinaryFrom = kNone;
            bool applied = false;
            for (uint32_t i = from; i != end(); i = next_[i]) {
                const ScriptShapeItem& e = s_[i];
                if (!isOperator(e)) continue;
                if (e.kind == Shape::Postfix) {
                    if (!postfix(i)) return std::move(steps_);
                    from = prev_[i] == kNone ? 0 : prev_[i];
                    applied = true;
                    break;
                }
                if (nextBinaryFrom == kNone || nextBinary == kNone || i >= nextBinary) {
                    nextBinary = next_[i];
                    while (nextBinary != end() && s_[nextBinary].kind != Shape::Binary)
                        nextBinary = next_[nextBinary];
                    nextBinaryFrom = i;
                }
                if (nextBinary != end() &&
                    scriptStrength(e.op) <= scriptStrength(s_[nextBinary].op))
                    continue;
                if (e.kind == Shape::Binary) {
                    const uint32_t left = prev_[i];
                    if (!binary(i)) return std::move(steps_);
                    // Operators from the binary operator in front on may see another next
                    // binary operator now.
                    from = left == kNone ? 0 : left;
                    while (from != 0 && s_[from].kind != Shape::Binary)
                        from = prev_[from];
                } else {
                    if (!prefix(i)) return std::move(steps_);
                    from = i;
                }
                applied = true;
                break;
            }
            if (!applied) {
                fail();
                return std::move(steps_);
            }
        }
    }

private:
    static constexpr uint32_t kNone = UINT32_MAX;
    uint32_t end() const { return uint32_t(s_.size()); }
    static bool isOperator(const ScriptShapeItem& e) {
        return e.kind == Shape::Binary || e.kind == Shape::Prefix || e.kind == Shape::Postfix;
    }
    bool operand(uint32_t i) const {
        return i != end() && (s_[i].kind == Shape::Operand || s_[i].kind == Shape::Type);
    }
    bool fail() {
        steps_.push_back(Step{Step::Kind::Fail});
        return false;
    }
    void remove(uint32_t i) {
        const uint32_t p = prev_[i], n = next_[i];
        if (p != kNone) next_[p] = n;
        if (n != end()) prev_[n] = p;
        --live_;
    }

    // The operand at i becomes one operand: its postfix operators, or the chain of prefix
    // operators in front of it (innermost first, after the operand's postfix operators), are
    // applied.
    bool settle(uint32_t i) {
        if (i == end()) return fail();
        uint32_t j = i;
        while (j != end() && s_[j].kind == Shape::Prefix)
            j = next_[j];
        if (!operand(j)) return fail();
        while (next_[j] != end() && s_[next_[j]].kind == Shape::Postfix)
            if (!postfix(next_[j])) return false;
        // The prefix operators from the innermost out; only the innermost can meet a type.
        while (j != i) {
            const uint32_t p = prev_[j];
            if (s_[j].kind == Shape::Type) return fail();
            steps_.push_back(Step{Step::Kind::Prefix, p, 0, j});
            remove(j);
            s_[p] = ScriptShapeItem{Shape::Operand, ScriptOp::None};
            j = p;
        }
        return true;
    }
    bool postfix(uint32_t i) {
        const uint32_t l = prev_[i];
        if (l == kNone || !operand(l) || s_[l].kind == Shape::Type) return fail();
        steps_.push_back(Step{Step::Kind::Postfix, i, l, 0});
        remove(i);
        s_[l] = ScriptShapeItem{Shape::Operand, ScriptOp::None};
        return true;
    }
    bool prefix(uint32_t i) {
        if (!settle(next_[i])) return false;
        const uint32_t r = next_[i];
        if (s_[r].kind == Shape::Type) return fail();
        steps_.push_back(Step{Step::Kind::Prefix, i, 0, r});
        remove(r);
        s_[i] = ScriptShapeItem{Shape::Operand, ScriptOp::None};
        return true;
    }
    bool binary(uint32_t i) {
        const uint32_t l = prev_[i];
        if (l == kNone || !operand(l)) return fail();
        if (!settle(next_[i])) return false;
        const uint32_t r = next_[i];
        steps_.push_back(Step{Step::Kind::Binary, i, l, r});
        remove(r);
        remove(i);
        s_[l] = ScriptShapeItem{Shape::Operand, ScriptOp::None};
        return true;
    }

    std::vector<ScriptShapeItem> s_;
    std::vector<uint32_t> next_, prev_;
    size_t live_;
    std::vector<Step> steps_;
};

} // namespace

std::vector<ScriptReductionStep> scriptPlanReduction(const std::vector<ScriptShapeItem>& shape) {
    if (shape.empty()) return {};
    return Planner(shape).run();
}

void ScriptSource::ExpressionCacheDelete::operator()(ScriptExpressionCache* cache) const {
    delete cache;
}

ScriptExpressionCache& ScriptSource::expressionCache(uint32_t index) const {
    NameCache& c = cache_[index];
    if (!c.expression) {
        expressions_.emplace_back(new ScriptExpressionCache);
        c.expression = expressions_.back().get();
    }
    return *c.expression;
}
