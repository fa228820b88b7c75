#include "script/ScriptContext.h"

// Integer loops. A loop such as `for (i = 0; i < n; i += 1) s += i;` spends its time reading the
// same few tokens again and again. When its condition, its step and the statements of its body
// (expression statements, blocks and `if`s of them) all have their integer form, nothing a round
// does can change a variable list or a type, call anything, report anything or set `break` or
// `return`: the rounds are run from the integer forms alone, with the results the general reading
// gives. Step and time limits count what is read, so a run with limits reads every round.

namespace {

using Kind = ScriptTokenKind;
using Cache = ScriptExpressionCache;
using Node = ScriptExpressionCache::LoopNode;

// Rounds that a loop whose statements are not all compiled yet goes before it is looked at again.
constexpr uint32_t kLoopRetryRounds = 64;

} // namespace

void ZRScriptContext::analyseLoop(Cache& loop, uint32_t conditionPos, Kind conditionEnd,
                                  uint32_t bodyPos, uint32_t stepPos) {
    loop.loopEpoch = scriptNameEpoch();
    loop.loopFast = false;
    loop.loopRetry = 0;
    loop.loopCondition = nullptr;
    loop.loopBody.clear();
    loop.loopStep.clear();
    loop.loopStepAt.clear();
    // The integer form of the expression at p, ended by one of the given tokens. An expression
    // not compiled yet (a branch not taken twice so far) has the loop looked at again later.
    auto form = [&](uint32_t p, Kind end, Kind otherEnd) -> Cache* {
        Cache& e = src->expressionCache(p);
        if (e.fastEpoch != scriptNameEpoch()) analyseFast(e);
        if (e.fastEpoch != scriptNameEpoch()) {
            loop.loopRetry = kLoopRetryRounds;
            return nullptr;
        }
        const Kind k = tok(e.end).kind;
        return e.fast && (k == end || k == otherEnd) ? &e : nullptr;
    };
    loop.loopCondition = form(conditionPos, conditionEnd, conditionEnd);
    if (!loop.loopCondition) return;
    if (bodyPos == UINT32_MAX) bodyPos = loop.loopCondition->end + 1; // behind a while's `)`
    for (uint32_t p = stepPos; p != UINT32_MAX;) {
        Cache* e = form(p, Kind::Comma, Kind::RightParen);
        if (!e) return;
        loop.loopStep.push_back(e);
        loop.loopStepAt.push_back(p);
        p = tok(e->end).kind == Kind::Comma ? e->end + 1 : UINT32_MAX;
    }
    // One statement as a single statement is read: its nodes appended to `into`; the token
    // behind it, or UINT32_MAX when it has no integer form.
    constexpr uint32_t kNot = UINT32_MAX;
    auto statement = [&](auto& self, uint32_t p, std::vector<Node>& into, int depth) -> uint32_t {
        if (depth > 16) return kNot;
        switch (statementKind(p)) {
        case ScriptStatementNode::Kind::Empty:
            return p + 1;
        case ScriptStatementNode::Kind::Block:
            for (++p; tok(p).kind != Kind::RightBrace;)
                if ((p = self(self, p, into, depth + 1)) == kNot) return kNot;
            return p + 1;
        case ScriptStatementNode::Kind::If: {
            if (tok(p + 1).kind != Kind::LeftParen) return kNot;
            Node node{Node::Kind::If, p, form(p + 2, Kind::RightParen, Kind::RightParen), {}, {}};
            if (!node.form) return kNot;
            uint32_t q = self(self, node.form->end + 1, node.thenNodes, depth + 1);
            if (q != kNot && tok(q).kind == Kind::Else)
                q = self(self, q + 1, node.elseNodes, depth + 1);
            if (q != kNot) into.push_back(std::move(node));
            return q;
        }
        case ScriptStatementNode::Kind::Expression:
            break;
        default:
            return kNot;
        }
        const uint32_t retry = loop.loopRetry;
        Cache* e = form(p, Kind::Semicolon, Kind::Semicolon);
        if (e) {
            into.push_back(Node{Node::Kind::Expression, p, e, {}, {}});
            return e->end + 1;
        }
        if (loop.loopRetry == retry) return kNot; // compiled, but not to an integer form
        // Not compiled yet (a branch seldom taken): run the general way when reached, if it
        // is plainly an expression of names, numbers and operators that can only assign.
        for (uint32_t q = p;; ++q) {
            const ScriptTok& u = tok(q);
            if (u.kind == Kind::Semicolon) {
                into.push_back(Node{Node::Kind::Expression, p, nullptr, {}, {}});
                return q + 1;
            }
            const bool plain = u.kind == Kind::Integer || u.kind == Kind::Operator ||
                               u.kind == Kind::LeftBracket || u.kind == Kind::RightBracket ||
                               (u.kind == Kind::Identifier && !classify(q).type &&
                                !classify(q).immediate && tok(q + 1).kind != Kind::LeftParen);
            if (!plain) return kNot;
        }
    };
    if (statement(statement, bodyPos, loop.loopBody, 0) == kNot) {
        loop.loopBody.clear();
        return;
    }
    loop.loopFast = true;
}

bool ZRScriptContext::runLoopNodes(const std::vector<ScriptExpressionCache::LoopNode>& nodes,
                                   bool& resumed) {
    // From the statement whose index left its array on, the round is read as a first reading
    // reads it (which reports the index).
    auto finish = [&](size_t from) {
        resumed = true;
        for (size_t k = from; k < nodes.size(); ++k)
            if (executeStatements(nodes[k].at, false, true, true) == kScriptFail) return false;
        return true;
    };
    for (size_t k = 0; k < nodes.size(); ++k) {
        const Node& node = nodes[k];
        int32_t value = 0;
        if (!node.form || !computeFast(*node.form, value)) return finish(k);
        if (node.kind == Node::Kind::If) {
            if (!runLoopNodes(value != 0 ? node.thenNodes : node.elseNodes, resumed)) return false;
            if (resumed) return finish(k + 1);
        }
    }
    return true;
}

ScriptFastLoop ZRScriptContext::runFastLoop(Cache& loop, uint32_t conditionPos, Kind conditionEnd,
                                            uint32_t bodyPos, uint32_t stepPos) {
    if (global.stepLimit || global.timeLimitMs || exprStop != ScriptSource::kNoStop ||
        !global.integerForms)
        return ScriptFastLoop::NotRun;
    if (loop.loopEpoch != scriptNameEpoch() || (loop.loopRetry && --loop.loopRetry == 0))
        analyseLoop(loop, conditionPos, conditionEnd, bodyPos, stepPos);
    if (!loop.loopFast || !resolveFast(*loop.loopCondition)) return ScriptFastLoop::NotRun;
    // Every form of the body, however deep, is resolved before anything runs.
    auto resolveAll = [&](auto& self, const std::vector<Node>& nodes) -> bool {
        for (const Node& node : nodes)
            if ((node.form && !resolveFast(*node.form)) || !self(self, node.thenNodes) ||
                !self(self, node.elseNodes))
                return false;
        return true;
    };
    if (!resolveAll(resolveAll, loop.loopBody)) return ScriptFastLoop::NotRun;
    for (Cache* e : loop.loopStep)
        if (!resolveFast(*e)) return ScriptFastLoop::NotRun;
    // Nothing below changes a variable list, so the variables found stay. An index out of
    // range stops the integer forms before the statement it is in does anything: the round is
    // finished by the general reading from that statement on.
    int32_t value = 0;
    bool ran = false;
    while (true) {
        if (!computeFast(*loop.loopCondition, value))
            return ran ? ScriptFastLoop::Resumed : ScriptFastLoop::NotRun;
        if (value == 0) break;
        ran = true;
        bool resumed = false;
        if (!runLoopNodes(loop.loopBody, resumed)) return ScriptFastLoop::Failed;
        size_t k = 0;
        for (; !resumed && k < loop.loopStep.size(); ++k)
            resumed = !computeFast(*loop.loopStep[k], value);
        if (!resumed) continue;
        if (k > 0) --k; // the step that stopped, or the first when the body stopped
        for (; k < loop.loopStep.size(); ++k) {
            const size_t before = stack.size();
            ScriptDirect discarded;
            if (evaluate(loop.loopStepAt[k], true, &discarded) == kScriptFail)
                return ScriptFastLoop::Failed;
            popEntries(before);
        }
        return ScriptFastLoop::Resumed;
    }
    lineNow = loop.loopCondition->endLine;
    return ScriptFastLoop::Finished;
}
