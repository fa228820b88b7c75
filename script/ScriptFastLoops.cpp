#include "script/ScriptContext.h"

// Integer loops. A loop such as `for (i = 0; i < n; i += 1) s += i;` spends its time reading the
// same few tokens again and again. When its condition, the expression statements of its body and
// its step all have their integer form, nothing a round does can change a variable list or a
// type, call anything, report anything or set `break` or `return`: the rounds are run from the
// integer forms alone, with the results the general reading gives. Step and time limits count
// what is read, so a run with limits reads every round.

namespace {

using Kind = ScriptTokenKind;
using Cache = ScriptExpressionCache;

} // namespace

void ZRScriptContext::analyseLoop(Cache& loop, uint32_t conditionPos, Kind conditionEnd,
                                  uint32_t bodyPos, uint32_t stepPos) {
    loop.loopEpoch = scriptNameEpoch();
    loop.loopFast = false;
    loop.loopCondition = nullptr;
    loop.loopBody.clear();
    loop.loopStep.clear();
    loop.loopBodyAt.clear();
    loop.loopStepAt.clear();
    // The integer form of the expression at p, ended by one of the given tokens.
    // An expression not compiled yet leaves the loop to be analysed again.
    auto form = [&](uint32_t p, Kind end, Kind otherEnd) -> Cache* {
        Cache& e = src->expressionCache(p);
        if (e.fastEpoch != scriptNameEpoch()) analyseFast(e);
        if (e.fastEpoch != scriptNameEpoch()) loop.loopEpoch = 0;
        const Kind k = tok(e.end).kind;
        return e.fast && e.fastEpoch == scriptNameEpoch() && (k == end || k == otherEnd) ? &e
                                                                                         : nullptr;
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
    // The body: one expression statement, or a block of them (empty statements allowed).
    const bool block = tok(bodyPos).kind == Kind::LeftBrace;
    uint32_t p = block ? bodyPos + 1 : bodyPos;
    while (true) {
        const ScriptTok& t = tok(p);
        if (block && t.kind == Kind::RightBrace) break;
        if (t.kind == Kind::Semicolon) {
            ++p;
        } else {
            switch (t.kind) {
            case Kind::Identifier:
                if (classify(p).type || nameOf(p) == "anytype") return; // a declaration
                break;
            case Kind::Integer:
            case Kind::Unsigned:
            case Kind::Float:
            case Kind::Double:
            case Kind::String:
            case Kind::Operator:
                break;
            default:
                return;
            }
            Cache* e = form(p, Kind::Semicolon, Kind::Semicolon);
            if (!e) return;
            loop.loopBody.push_back(e);
            loop.loopBodyAt.push_back(p);
            p = e->end + 1;
        }
        if (!block) break;
    }
    loop.loopFast = true;
}

ScriptFastLoop ZRScriptContext::runFastLoop(Cache& loop, uint32_t conditionPos, Kind conditionEnd,
                                            uint32_t bodyPos, uint32_t stepPos) {
    if (global.stepLimit || global.timeLimitMs || exprStop != ScriptSource::kNoStop)
        return ScriptFastLoop::NotRun;
    if (loop.loopEpoch != scriptNameEpoch())
        analyseLoop(loop, conditionPos, conditionEnd, bodyPos, stepPos);
    if (!loop.loopFast || !resolveFast(*loop.loopCondition)) return ScriptFastLoop::NotRun;
    for (Cache* e : loop.loopBody)
        if (!resolveFast(*e)) return ScriptFastLoop::NotRun;
    for (Cache* e : loop.loopStep)
        if (!resolveFast(*e)) return ScriptFastLoop::NotRun;
    // Nothing below changes a variable list, so the variables found stay. An index out of
    // range stops the integer forms before the expression it is in does anything: the round is
    // finished by the general reading from that expression on (which reports the index).
    int32_t value = 0;
    bool ran = false;
    while (true) {
        if (!computeFast(*loop.loopCondition, value))
            return ran ? ScriptFastLoop::Resumed : ScriptFastLoop::NotRun;
        if (value == 0) break;
        ran = true;
        size_t stopped = 0;
        const size_t body = loop.loopBody.size(), all = body + loop.loopStep.size();
        for (; stopped < all; ++stopped) {
            Cache& e = stopped < body ? *loop.loopBody[stopped] : *loop.loopStep[stopped - body];
            if (!computeFast(e, value)) break;
        }
        if (stopped == all) continue;
        for (size_t k = stopped; k < all; ++k) {
            const bool isBody = k < body;
            const uint32_t at = isBody ? loop.loopBodyAt[k] : loop.loopStepAt[k - body];
            const size_t before = stack.size();
            ScriptDirect discarded;
            const uint32_t end =
                isBody ? executeStatements(at, false, true, true) : evaluate(at, true, &discarded);
            if (end == kScriptFail) return ScriptFastLoop::Failed;
            popEntries(before);
        }
        return ScriptFastLoop::Resumed;
    }
    lineNow = loop.loopCondition->endLine;
    return ScriptFastLoop::Finished;
}
