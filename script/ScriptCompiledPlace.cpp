#include "script/ScriptCompiledPlace.h"

#include "script/ScriptIntegerFunction.h"
#include "script/ScriptIntegerLoop.h"
#include "script/ScriptLexer.h"

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
        : m_s(shape), m_next(shape.size()), m_prev(shape.size()), m_live(shape.size()) {
        for (size_t k = 0; k < m_s.size(); ++k) {
            m_next[k] = uint32_t(k + 1);
            m_prev[k] = k == 0 ? kNone : uint32_t(k - 1);
        }
    }

    std::vector<Step> run() {
        uint32_t from = 0; // every operator in front of it is known not to be ready
        while (true) {
            if (m_live == 1) {
                if (!operand(0)) fail();
                return std::move(m_steps);
            }
            // The next binary operator behind the scan position, found once for a stretch.
            uint32_t nextBinary = kNone, nextBinaryFrom = kNone;
            bool applied = false;
            for (uint32_t i = from; i != end(); i = m_next[i]) {
                const ScriptShapeItem& e = m_s[i];
                if (!isOperator(e)) continue;
                if (e.kind == Shape::Postfix) {
                    if (!postfix(i)) return std::move(m_steps);
                    from = m_prev[i] == kNone ? 0 : m_prev[i];
                    applied = true;
                    break;
                }
                if (nextBinaryFrom == kNone || nextBinary == kNone || i >= nextBinary) {
                    nextBinary = m_next[i];
                    while (nextBinary != end() && m_s[nextBinary].kind != Shape::Binary)
                        nextBinary = m_next[nextBinary];
                    nextBinaryFrom = i;
                }
                if (nextBinary != end() &&
                    scriptStrength(e.op) <= scriptStrength(m_s[nextBinary].op))
                    continue;
                if (e.kind == Shape::Binary) {
                    const uint32_t left = m_prev[i];
                    if (!binary(i)) return std::move(m_steps);
                    // Operators from the binary operator in front on may see another next
                    // binary operator now.
                    from = left == kNone ? 0 : left;
                    while (from != 0 && m_s[from].kind != Shape::Binary)
                        from = m_prev[from];
                } else {
                    if (!prefix(i)) return std::move(m_steps);
                    from = i;
                }
                applied = true;
                break;
            }
            if (!applied) {
                fail();
                return std::move(m_steps);
            }
        }
    }

private:
    static constexpr uint32_t kNone = UINT32_MAX;
    uint32_t end() const { return uint32_t(m_s.size()); }
    static bool isOperator(const ScriptShapeItem& e) {
        return e.kind == Shape::Binary || e.kind == Shape::Prefix || e.kind == Shape::Postfix;
    }
    bool operand(uint32_t i) const {
        return i != end() && (m_s[i].kind == Shape::Operand || m_s[i].kind == Shape::Type);
    }
    bool fail() {
        m_steps.push_back(Step{Step::Kind::Fail});
        return false;
    }
    void remove(uint32_t i) {
        const uint32_t p = m_prev[i], n = m_next[i];
        if (p != kNone) m_next[p] = n;
        if (n != end()) m_prev[n] = p;
        --m_live;
    }

    // The operand at i becomes one operand: its postfix operators, or the chain of prefix
    // operators in front of it (innermost first, after the operand's postfix operators), are
    // applied.
    bool settle(uint32_t i) {
        if (i == end()) return fail();
        uint32_t j = i;
        while (j != end() && m_s[j].kind == Shape::Prefix)
            j = m_next[j];
        if (!operand(j)) return fail();
        while (m_next[j] != end() && m_s[m_next[j]].kind == Shape::Postfix)
            if (!postfix(m_next[j])) return false;
        // The prefix operators from the innermost out; only the innermost can meet a type.
        while (j != i) {
            const uint32_t p = m_prev[j];
            if (m_s[j].kind == Shape::Type) return fail();
            m_steps.push_back(Step{Step::Kind::Prefix, p, 0, j});
            remove(j);
            m_s[p] = ScriptShapeItem{Shape::Operand, ScriptOp::None};
            j = p;
        }
        return true;
    }
    bool postfix(uint32_t i) {
        const uint32_t l = m_prev[i];
        if (l == kNone || !operand(l) || m_s[l].kind == Shape::Type) return fail();
        m_steps.push_back(Step{Step::Kind::Postfix, i, l, 0});
        remove(i);
        m_s[l] = ScriptShapeItem{Shape::Operand, ScriptOp::None};
        return true;
    }
    bool prefix(uint32_t i) {
        if (!settle(m_next[i])) return false;
        const uint32_t r = m_next[i];
        if (m_s[r].kind == Shape::Type) return fail();
        m_steps.push_back(Step{Step::Kind::Prefix, i, 0, r});
        remove(r);
        m_s[i] = ScriptShapeItem{Shape::Operand, ScriptOp::None};
        return true;
    }
    bool binary(uint32_t i) {
        const uint32_t l = m_prev[i];
        if (l == kNone || !operand(l)) return fail();
        if (!settle(m_next[i])) return false;
        const uint32_t r = m_next[i];
        m_steps.push_back(Step{Step::Kind::Binary, i, l, r});
        remove(r);
        remove(i);
        m_s[l] = ScriptShapeItem{Shape::Operand, ScriptOp::None};
        return true;
    }

    std::vector<ScriptShapeItem> m_s;
    std::vector<uint32_t> m_next, m_prev;
    size_t m_live;
    std::vector<Step> m_steps;
};

} // namespace

std::vector<ScriptReductionStep> scriptPlanReduction(const std::vector<ScriptShapeItem>& shape) {
    if (shape.empty()) return {};
    return Planner(shape).run();
}

void ScriptSource::CompiledPlaceDelete::operator()(ScriptCompiledPlace* place) const {
    delete place;
}

ScriptCompiledPlace& ScriptSource::compiledPlace(uint32_t index) const {
    NameCache& c = m_cache[index];
    if (!c.compiled) {
        m_compiled.emplace_back(new ScriptCompiledPlace);
        c.compiled = m_compiled.back().get();
    }
    return *c.compiled;
}
