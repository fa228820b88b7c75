#include "script/ScriptIntegerRun.h"

// The counting variant is made in ScriptIntegerCounted.cpp.
extern template bool ZRScriptContext::runIntegerRounds<true>(const ScriptIntegerLoop&);

#include <algorithm>
#include <cstring>

// Integer loops. A loop such as `for (i = 0; i < n; i++) s += i;` spends its time reading the
// same few tokens again and again. Once it has gone round twice (so that its expressions are
// compiled), its condition, its step and its body are compiled into the statements the integer
// functions run (ScriptIntegerFunctions.cpp), every name a variable found where the loop stands,
// and its further rounds run from that form: with a step or time limit, counting the steps the
// general reading counts, where it counts them. A loop that does not qualify (now) is read the
// general way.
//
// A plain expression of integers in general code (`n - 1`, `a[i] + 2`, `k += 3`) is compiled
// the same way, as a loop's condition is, once it has been read twice, and evaluated from that
// form wherever it is read again: its value is handed to evaluate without the value stack.

namespace {

using Kind = ScriptTokenKind;
using Statement = ScriptIntegerStatement;

// A `return` leaves the loop's text: such a loop stays with the general reading.
bool returns(const Statement& s) {
    return s.kind == Statement::Kind::Return ||
           std::any_of(s.children.begin(), s.children.end(), returns);
}

} // namespace

ScriptLoopRun ZRScriptContext::runIntegerLoop(uint32_t pos, uint32_t conditionPos,
                                              Kind conditionEnd, uint32_t bodyPos,
                                              uint32_t stepPos) {
    // A DeleteValue hook or hooks still to be installed would see what the calls do.
    if (exprStop != ScriptSource::kNoStop || !global.integerForms || global.deleteHooks ||
        global.hookScanPending)
        return ScriptLoopRun::NotRun;
    ScriptCompiledPlace& at = src->compiledPlace(pos);
    if (!at.integerLoop) at.integerLoop = std::make_unique<ScriptIntegerLoop>();
    ScriptIntegerLoop& loop = *at.integerLoop;
    if (loop.epoch != scriptNameEpoch() || (loop.retry && --loop.retry == 0))
        compileIntegerLoop(loop, conditionPos, conditionEnd, bodyPos, stepPos);
    if (!loop.compiled || !resolveIntegerLoop(loop)) return ScriptLoopRun::NotRun;
    const bool ok = global.stepLimit || global.timeLimitMs ? runIntegerRounds<true>(loop)
                                                           : runIntegerRounds<false>(loop);
    if (!ok) return ScriptLoopRun::Failed;
    lineNow = loop.conditionEndLine;
    return ScriptLoopRun::Finished;
}

void ZRScriptContext::compileIntegerLoop(ScriptIntegerLoop& loop, uint32_t conditionPos,
                                         Kind conditionEnd, uint32_t bodyPos, uint32_t stepPos) {
    const uint32_t wait = loop.epoch == scriptNameEpoch() ? loop.wait : 0;
    loop = ScriptIntegerLoop{};
    loop.epoch = scriptNameEpoch();
    ScriptIntegerFunction& f = loop.code;
    ScriptIntegerScope scope;
    scope.general = true;
    bool pending = false;
    uint32_t conditionEndPos = 0;
    const int condition = compileIntegerExpression(f, scope, conditionPos, conditionEnd,
                                                   conditionEnd, pending, &conditionEndPos);
    bool ok = condition >= 0;
    if (ok) {
        loop.condition = uint32_t(condition);
        loop.conditionEndLine = line(conditionEndPos);
        if (bodyPos == UINT32_MAX) bodyPos = conditionEndPos + 1; // behind a while's `)`
    }
    if (ok && stepPos != UINT32_MAX)
        ok = compileIntegerList(f, scope, stepPos, Kind::RightParen, loop.step, pending) !=
             UINT32_MAX;
    if (ok)
        ok = compileIntegerStatement(f, scope, bodyPos, f.body, 0, false, pending) &&
             !returns(f.body);
    if (ok) {
        loop.compiled = true;
        // Statements read the general way are compiled once they have been read twice.
        if (scope.generalUsed) loop.retry = loop.wait = scriptNextRetryWait(wait);
        return;
    }
    loop.code = ScriptIntegerFunction{};
    loop.step.clear();
    loop.wait = scriptNextRetryWait(wait);
    loop.retry = pending ? loop.wait : 0;
}

bool ZRScriptContext::resolveIntegerLoop(ScriptIntegerLoop& loop) {
    // Nothing a round does changes a variable list or a function: resolved once per loop run
    // at most. A loop calling a function without an integer form (most often a call of a script
    // function, which makes a new list each round) is looked at again only when functions
    // change.
    ScriptIntegerFunction& f = loop.code;
    if (loop.functionEpoch != gScriptFunctionEpoch ||
        (!loop.callsResolved && loop.callRetry && --loop.callRetry == 0)) {
        loop.functionEpoch = gScriptFunctionEpoch;
        loop.variableEpoch = 0;
        loop.callsResolved = false;
        ScriptValue integers[ScriptIntegerFunction::kMaxParameters];
        for (ScriptValue& v : integers)
            v.type = bt.integer;
        for (ScriptIntegerCall& call : f.calls) {
            call.target = resolveCall(call.name, call.hash, integers, call.args.size());
            call.code = call.target ? integerFunction(call.target) : nullptr;
            if (call.code) continue;
            // A function whose body was not compiled yet: tried again later.
            loop.callWait = scriptNextRetryWait(loop.callWait);
            loop.callRetry = integerFunctionPending(call.target) ? loop.callWait : 0;
            return false;
        }
        loop.callsResolved = true;
    }
    if (!loop.callsResolved) return false;
    if (loop.variableEpoch == gScriptVariableEpoch) return loop.resolved;
    loop.variableEpoch = gScriptVariableEpoch;
    loop.resolved = resolveIntegerOuters(f);
    return loop.resolved;
}

bool ZRScriptContext::resolveIntegerOuters(ScriptIntegerFunction& f) {
    beginIntegerOuters(f);
    for (const std::string& name : f.outerNames)
        if (!placeIntegerOuter(f, findVariable(name, scriptNameHash(name)))) return false;
    return true;
}

ZRScriptContext::ScriptPlainRun ZRScriptContext::integerExpressionValue(ScriptCompiledPlace& code,
                                                                        uint32_t pos, bool direct,
                                                                        int32_t& value) {
    using Run = ScriptPlainRun;
    if (!global.integerForms || global.deleteHooks || global.hookScanPending) return Run::NotTaken;
    if (code.integerEpoch != scriptNameEpoch()) compileIntegerPlain(code, pos);
    ScriptIntegerPlainExpression* x = code.integerExpression.get();
    if (!x) return Run::NotTaken;
    ScriptIntegerFunction& f = x->code;
    const ScriptIntegerExpr& e = f.expressions[0];
    if (!direct && e.operations.empty()) return Run::NotTaken;
    // Nothing such an expression does changes a variable list: resolved once per variable
    // epoch, the places of its elements found again at each evaluation.
    if (x->variableEpoch != gScriptVariableEpoch) {
        x->variableEpoch = gScriptVariableEpoch;
        x->resolved = resolvePlainOuters(*x);
    }
    if (!x->resolved) return Run::NotTaken;
    // An index out of range leaves the expression to the general reading, which reads it again
    // and reports it; the executor then finds every index in range.
    for (const uint8_t k : e.elementSlots) {
        const ScriptIntegerElement& el = f.elements[e.operands[k].index];
        int32_t i = 0;
        std::memcpy(&i, scriptIntegerPlace(f, el.at, nullptr), sizeof i);
        if (uint32_t(i) >= f.outerCounts[el.array]) return Run::NotTaken;
    }
    // The general reading evaluates each index as an expression of its own: a step each.
    if (global.stepLimit || global.timeLimitMs)
        for (const uint8_t k : e.elementSlots)
            if (!countStepAt(f.elements[e.operands[k].index].line)) return Run::Failed;
    return evaluateInteger<false>(f, e, nullptr, value) ? Run::Done : Run::Failed;
}

void ZRScriptContext::compileIntegerPlain(ScriptCompiledPlace& code, uint32_t pos) {
    code.integerExpression.reset();
    // Made from the compiled expression alone, so it is the same expression read the same way;
    // asked again once the expression is compiled for the names as they are.
    if (code.epoch != scriptNameEpoch()) return;
    code.integerEpoch = code.epoch;
    // Literals, names, operators and indexing of a name: no calls, no parenthesised parts.
    for (size_t k = 0; k < code.leaves.size(); ++k) {
        const ScriptLeaf::Kind kind = code.leaves[k].kind;
        const bool plain = kind == ScriptLeaf::Kind::Index
                               ? k > 0 && code.leaves[k - 1].kind == ScriptLeaf::Kind::Name
                               : kind == ScriptLeaf::Kind::Literal ||
                                     kind == ScriptLeaf::Kind::Name ||
                                     kind == ScriptLeaf::Kind::Operator;
        if (!plain) return;
    }
    ScriptIntegerFunction f;
    ScriptIntegerScope scope;
    scope.general = true;
    bool pending = false;
    const Kind end = tok(code.end).kind;
    if (compileIntegerExpression(f, scope, pos, end, end, pending) != 0) return;
    auto x = std::make_unique<ScriptIntegerPlainExpression>();
    // The names are those of the Name leaves and of the indexes.
    std::vector<uint32_t> names;
    for (const ScriptLeaf& leaf : code.leaves)
        if (leaf.kind == ScriptLeaf::Kind::Name)
            names.push_back(leaf.token);
        else if (leaf.kind == ScriptLeaf::Kind::Index)
            names.push_back(src->cache(leaf.token + 1).compiled->leaves[0].token);
    for (const std::string& name : f.outerNames)
        for (const uint32_t t : names)
            if (nameOf(t) == name) {
                x->outerTokens.push_back(t);
                break;
            }
    if (x->outerTokens.size() != f.outerNames.size()) return;
    x->code = std::move(f);
    code.integerExpression = std::move(x);
}

bool ZRScriptContext::resolvePlainOuters(ScriptIntegerPlainExpression& x) {
    ScriptIntegerFunction& f = x.code;
    beginIntegerOuters(f);
    for (const uint32_t t : x.outerTokens)
        if (!placeIntegerOuter(f, variableAt(t))) return false;
    return true;
}
