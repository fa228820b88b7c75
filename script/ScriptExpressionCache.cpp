#include "script/ScriptExpressionCache.h"

#include "script/ScriptLexer.h"

#include <memory>

// The reduction order is worked out on the shape of the entries alone, so that it can be kept
// for an expression that is evaluated again and again (a loop's condition, a function's body).
// The planner is the one definition of the language's grouping: the evaluator performs the
// steps it lists and nothing else.

namespace {

using Shape = ScriptShape;
using Step = ScriptReductionStep;

class Planner {
public:
    explicit Planner(std::vector<ScriptShapeItem> shape) : s_(std::move(shape)) {}

    std::vector<Step> run() {
        if (s_.size() == 3 && s_[1].kind == Shape::Binary && operand(0) && operand(2)) {
            if (!binary(1)) return std::move(steps_);
        }
        while (true) {
            if (s_.size() == 1) {
                if (!operand(0)) fail();
                return std::move(steps_);
            }
            bool applied = false;
            for (size_t i = 0; i < s_.size(); ++i) {
                const ScriptShapeItem& e = s_[i];
                if (!isOperator(e)) continue;
                if (e.kind == Shape::Postfix) {
                    if (!postfix(i)) return std::move(steps_);
                    applied = true;
                    break;
                }
                size_t next = i + 1;
                while (next < s_.size() && s_[next].kind != Shape::Binary)
                    ++next;
                if (next < s_.size() && scriptStrength(e.op) <= scriptStrength(s_[next].op))
                    continue;
                if (!(e.kind == Shape::Binary ? binary(i) : prefix(i))) return std::move(steps_);
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
    static bool isOperator(const ScriptShapeItem& e) {
        return e.kind == Shape::Binary || e.kind == Shape::Prefix || e.kind == Shape::Postfix;
    }
    bool operand(size_t i) const {
        return s_[i].kind == Shape::Operand || s_[i].kind == Shape::Type;
    }
    bool fail() {
        steps_.push_back(Step{Step::Kind::Fail, 0});
        return false;
    }
    void reduceTo(size_t at, size_t from, size_t count) {
        s_.erase(s_.begin() + std::ptrdiff_t(from), s_.begin() + std::ptrdiff_t(from + count));
        s_[at] = ScriptShapeItem{Shape::Operand, ScriptOp::None};
    }

    // The operand at i becomes one operand: its postfix operators, or the prefix operator in
    // front of it, are applied.
    bool settle(size_t i) {
        if (i >= s_.size()) return fail();
        if (operand(i)) {
            while (i + 1 < s_.size() && s_[i + 1].kind == Shape::Postfix)
                if (!postfix(i + 1)) return false;
            return true;
        }
        if (s_[i].kind == Shape::Prefix) return prefix(i);
        return fail();
    }
    bool postfix(size_t i) {
        if (i == 0 || !operand(i - 1) || s_[i - 1].kind == Shape::Type) return fail();
        steps_.push_back(Step{Step::Kind::Postfix, uint32_t(i)});
        reduceTo(i - 1, i, 1);
        return true;
    }
    bool prefix(size_t i) {
        if (!settle(i + 1)) return false;
        if (s_[i + 1].kind == Shape::Type) return fail();
        steps_.push_back(Step{Step::Kind::Prefix, uint32_t(i)});
        reduceTo(i, i + 1, 1);
        return true;
    }
    bool binary(size_t i) {
        if (i == 0 || !operand(i - 1)) return fail();
        if (!settle(i + 1)) return false;
        steps_.push_back(Step{Step::Kind::Binary, uint32_t(i)});
        reduceTo(i - 1, i, 2);
        return true;
    }

    std::vector<ScriptShapeItem> s_;
    std::vector<Step> steps_;
};

} // namespace

std::vector<ScriptReductionStep> scriptPlanReduction(std::vector<ScriptShapeItem> shape) {
    if (shape.empty()) return {};
    return Planner(std::move(shape)).run();
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
