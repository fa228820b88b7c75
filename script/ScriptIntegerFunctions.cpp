#include "script/ScriptIntegerRun.h"

// The counting variant is made in ScriptIntegerCounted.cpp.
extern template bool ZRScriptContext::callIntegerAs<true>(const ScriptVariable*,
                                                          const ScriptIntegerFunction&,
                                                          const int32_t*, int, int32_t&);

#include <algorithm>
#include <cstring>

// Integer functions. A call of a script function makes a list of variable records for its
// parameters, reads its body statement by statement and passes values on the value stack; for a
// function such as `integer fib(integer n) { if (n < 2) return n; return fib(n - 1) + fib(n - 2);
// }` that is nearly all of its time. When every parameter and the result are `integer` and the
// body holds only blocks, `if`s, loops, `break`s, `return`s, expression statements whose
// expressions have integer forms (calling only such functions) and, in its outermost list,
// declarations of `integer` variables, nothing the body does can change what a name means,
// convert or report anything but the call nesting limit, and each name in it stands for one
// variable from where it is read on: the body is compiled once into statements over a frame of
// integers, parameters and declared variables in fixed slots, and run from that form with the
// results, the calls and the messages of the general reading.
//
// The form is made from what the general reading compiled (each expression's leaves and
// reduction order), so it is the same text read the same way; it is tried once the body's
// expressions have been compiled, and made again when a name changes its meaning. Calls and
// variables outside the function are resolved again when a list they are found in changes.

namespace {

using Kind = ScriptTokenKind;
using Operand = ScriptIntegerExpr::Operand;
using Statement = ScriptIntegerStatement;

// Nesting of statements in a body that is compiled (deeper bodies run the general way).
constexpr int kMaxStatementDepth = 32;

} // namespace

ScriptIntegerFunction* ZRScriptContext::integerFunction(ScriptVariable* fn) {
    // A DeleteValue hook sees every variable go; a declaration installs hooks still to be
    // installed; flags left set (by a `return` inside `execute`) make the general reading skip
    // the body.
    if (global.deleteHooks || global.hookScanPending || returnFlag || breakFlag || !fn->hasBody ||
        !fn->body || !global.integerForms)
        return nullptr;
    ScriptCompiledPlace& at = fn->body->compiledPlace(fn->bodyStart);
    if (!at.integerFunction) at.integerFunction = std::make_unique<ScriptIntegerFunction>();
    ScriptIntegerFunction& f = *at.integerFunction;
    if (f.epoch != scriptNameEpoch() || f.type != fn->type ||
        (!f.compiled && f.retry && --f.retry == 0))
        compileInteger(f, fn);
    if (!f.compiled) return nullptr;
    if (f.resolvedEpoch != gScriptFunctionEpoch ||
        (!f.resolved && f.resolveRetry && --f.resolveRetry == 0)) {
        std::vector<ScriptIntegerFunction*> pass;
        resolveInteger(f, pass);
    }
    return f.resolved ? &f : nullptr;
}

bool ZRScriptContext::integerFunctionPending(const ScriptVariable* fn) const {
    const ScriptIntegerFunction* g =
        fn && fn->hasBody && fn->body ? fn->body->compiledPlace(fn->bodyStart).integerFunction.get()
                                      : nullptr;
    return g && !g->compiled && g->retry > 0;
}

void ZRScriptContext::compileInteger(ScriptIntegerFunction& f, ScriptVariable* fn) {
    const uint32_t wait = f.epoch == scriptNameEpoch() ? f.wait : 0;
    f = ScriptIntegerFunction{};
    f.wait = wait;
    f.epoch = scriptNameEpoch();
    f.type = fn->type;
    const ScriptType* type = fn->type;
    if (type->base != bt.integer || type->varArgs() ||
        type->members.size() > ScriptIntegerFunction::kMaxParameters)
        return;
    for (const ScriptMember& m : type->members)
        if (m.type != bt.integer) return;
    f.parameters = type->members.size();
    ScriptIntegerScope scope;
    for (const ScriptMember& m : type->members)
        scope.names.emplace_back(m.name, scope.slotCount++);
    // The body is read in its own text, as a call reads it.
    const ScriptSource* savedSrc = src;
    const uint32_t savedStop = exprStop;
    src = fn->body.get();
    exprStop = ScriptSource::kNoStop;
    bool pending = false;
    uint32_t pos = fn->bodyStart;
    const bool ok = tok(pos).kind == Kind::LeftBrace &&
                    compileIntegerStatement(f, scope, pos, f.body, 0, true, pending);
    src = savedSrc;
    exprStop = savedStop;
    if (ok) {
        f.frameSize = scope.slotCount;
        f.compiled = true;
        return;
    }
    const ScriptType* kept = f.type;
    const uint32_t waited = scriptNextRetryWait(f.wait);
    f = ScriptIntegerFunction{};
    f.epoch = scriptNameEpoch();
    f.type = kept;
    f.wait = waited;
    f.retry = pending ? waited : 0;
}

bool ZRScriptContext::compileIntegerStatement(ScriptIntegerFunction& f, ScriptIntegerScope& scope,
                                              uint32_t& pos, Statement& out, int depth,
                                              bool outermost, bool& pending) {
    if (depth > kMaxStatementDepth) return false;
    const ScriptTok& t = tok(pos);
    out.line = int(t.line);
    auto expression = [&](uint32_t at, Kind end) {
        uint32_t endPos = 0;
        const int e = compileIntegerExpression(f, scope, at, end, end, pending, &endPos);
        if (e < 0) return false;
        out.expression = uint32_t(e);
        out.endLine = line(endPos);
        pos = endPos + 1;
        return true;
    };
    // A statement inside this one: only the outermost list declares.
    auto inner = [&](bool list) {
        out.children.emplace_back();
        return compileIntegerStatement(f, scope, pos, out.children.back(), depth + 1,
                                       list && outermost && depth == 0, pending);
    };
    switch (t.kind) {
    case Kind::Semicolon:
        out.kind = Statement::Kind::Empty;
        ++pos;
        return true;
    case Kind::LeftBrace:
        out.kind = Statement::Kind::Block;
        for (++pos; tok(pos).kind != Kind::RightBrace;)
            if (tok(pos).kind == Kind::End || !inner(true)) return false;
        out.endLine = line(pos);
        ++pos;
        return true;
    case Kind::If:
        out.kind = Statement::Kind::If;
        if (tok(pos + 1).kind != Kind::LeftParen || !expression(pos + 2, Kind::RightParen) ||
            !inner(false))
            return false;
        if (tok(pos).kind != Kind::Else) return true;
        ++pos;
        return inner(false);
    case Kind::While:
        out.kind = Statement::Kind::While;
        return tok(pos + 1).kind == Kind::LeftParen && expression(pos + 2, Kind::RightParen) &&
               inner(false);
    case Kind::For: {
        out.kind = Statement::Kind::For;
        if (tok(pos + 1).kind != Kind::LeftParen) return false;
        pos = compileIntegerList(f, scope, pos + 2, Kind::Semicolon, out.before, pending);
        if (pos == UINT32_MAX || !expression(pos, Kind::Semicolon)) return false;
        pos = compileIntegerList(f, scope, pos, Kind::RightParen, out.after, pending);
        return pos != UINT32_MAX && inner(false);
    }
    case Kind::Break:
        out.kind = Statement::Kind::Break;
        if (tok(pos + 1).kind != Kind::Semicolon) return false;
        out.endLine = line(pos + 1);
        pos += 2;
        return true;
    case Kind::Return:
        out.kind = Statement::Kind::Return;
        return expression(pos + 1, Kind::Semicolon);
    case Kind::Identifier:
        if (classify(pos).type || nameOf(pos) == "anytype") {
            // `integer name [= value], ...;` in the outermost list, where it runs once, in
            // text order: each name stands for its variable from its declarator on (one that
            // hides a variable of the call's own list takes that variable's record over).
            if (!outermost || typeNamed(pos) != bt.integer) return false;
            out.kind = Statement::Kind::Declare;
            for (++pos;; ++pos) {
                if (tok(pos).kind != Kind::Identifier || classify(pos).type) return false;
                const std::string_view name = nameOf(pos);
                const uint32_t* known = scope.find(name);
                const uint32_t slot = known ? *known : scope.slotCount++;
                if (slot >= ScriptIntegerFunction::kMaxSlots) return false;
                if (!known) scope.names.emplace_back(name, slot);
                Statement::Declared d{slot, Statement::kNone};
                ++pos;
                if (tok(pos).kind == Kind::Operator && tok(pos).op == ScriptOp::Assign) {
                    uint32_t endPos = 0;
                    const int e = compileIntegerExpression(f, scope, pos + 1, Kind::Comma,
                                                           Kind::Semicolon, pending, &endPos);
                    if (e < 0) return false;
                    d.initialiser = uint32_t(e);
                    pos = endPos;
                }
                out.declared.push_back(d);
                if (tok(pos).kind == Kind::Semicolon) {
                    ++pos;
                    return true;
                }
                if (tok(pos).kind != Kind::Comma) return false;
            }
        }
        [[fallthrough]];
    case Kind::Integer:
    case Kind::Operator:
        out.kind = Statement::Kind::Expression;
        if (scope.general) {
            const ScriptCompiledPlace* code = src->cache(pos).compiled;
            if (!code || code->epoch != scriptNameEpoch()) {
                // Not compiled yet (a branch seldom taken): read the general way when reached,
                // if it is plainly an expression of names, numbers and operators, which can
                // neither declare nor call anything.
                for (uint32_t q = pos;; ++q) {
                    const ScriptTok& u = tok(q);
                    if (u.kind == Kind::Semicolon) {
                        out.kind = Statement::Kind::General;
                        out.expression = pos;
                        out.endLine = line(q);
                        pos = q + 1;
                        scope.generalUsed = true;
                        return true;
                    }
                    const bool plain =
                        u.kind == Kind::Integer || u.kind == Kind::Operator ||
                        u.kind == Kind::LeftBracket || u.kind == Kind::RightBracket ||
                        (u.kind == Kind::Identifier && !classify(q).type &&
                         !classify(q).immediate && tok(q + 1).kind != Kind::LeftParen);
                    if (!plain) return false;
                }
            }
        }
        return expression(pos, Kind::Semicolon);
    default:
        return false;
    }
}

uint32_t ZRScriptContext::compileIntegerList(ScriptIntegerFunction& f, ScriptIntegerScope& scope,
                                             uint32_t pos, Kind end, std::vector<uint32_t>& into,
                                             bool& pending) {
    while (true) {
        uint32_t endPos = 0;
        const int e = compileIntegerExpression(f, scope, pos, Kind::Comma, end, pending, &endPos);
        if (e < 0) return UINT32_MAX;
        into.push_back(uint32_t(e));
        pos = endPos + 1;
        if (tok(endPos).kind == end) return pos;
    }
}

uint32_t ZRScriptContext::integerOuter(ScriptIntegerFunction& f, const ScriptIntegerScope& scope,
                                       std::string_view name, ScriptIntegerExpr::Operand& o) {
    // A parameter or a variable the body declared, else a variable outside the function.
    if (const uint32_t* slot = scope.find(name)) {
        o = Operand{Operand::Kind::Slot, 0, *slot};
        return o.index;
    }
    o = Operand{Operand::Kind::Outer};
    for (size_t v = 0; v < f.outerNames.size(); ++v)
        if (f.outerNames[v] == name) return o.index = uint32_t(v);
    o.index = uint32_t(f.outerNames.size());
    f.outerNames.emplace_back(name);
    return o.index;
}

bool ZRScriptContext::compileIntegerElement(ScriptIntegerFunction& f,
                                            const ScriptIntegerScope& scope, const ScriptLeaf& leaf,
                                            ScriptIntegerExpr& e) {
    // An outer variable indexed by an integer literal or a name (an index that computes
    // something stays with the general reading).
    if (e.operands.empty() || e.operands.back().kind != Operand::Kind::Outer) return false;
    const ScriptCompiledPlace* index = src->cache(leaf.token + 1).compiled;
    if (!index || index->epoch != scriptNameEpoch() || index->leaves.size() != 1 ||
        index->end != leaf.token + 2 || leaf.next != leaf.token + 3)
        return false;
    ScriptIntegerElement el;
    el.array = e.operands.back().index;
    el.line = line(leaf.token + 1);
    const ScriptLeaf& value = index->leaves[0];
    if (value.kind == ScriptLeaf::Kind::Name) {
        integerOuter(f, scope, nameOf(value.token), el.at);
    } else if (value.kind == ScriptLeaf::Kind::Literal && value.type == bt.integer) {
        el.at = Operand{Operand::Kind::Literal};
        std::memcpy(&el.at.literal, value.value, sizeof el.at.literal);
    } else {
        return false;
    }
    e.operands.back() = Operand{Operand::Kind::Element, 0, uint32_t(f.elements.size())};
    f.elements.push_back(el);
    return true;
}

int ZRScriptContext::compileIntegerExpression(ScriptIntegerFunction& f,
                                              const ScriptIntegerScope& scope, uint32_t pos,
                                              Kind end, Kind otherEnd, bool& pending,
                                              uint32_t* endPos) {
    const ScriptCompiledPlace* code = src->cache(pos).compiled;
    if (!code || code->epoch != scriptNameEpoch()) {
        pending = true; // not compiled yet (read once so far)
        return -1;
    }

    const Kind k = tok(code->end).kind;
    if (k != end && k != otherEnd) return -1;
    if (endPos) *endPos = code->end;
    ScriptIntegerExpr e;
    e.line = line(pos);
    // An expression of one name or element: a place that is read where it is used.
    const auto lone = [&](size_t x, bool names) {
        const ScriptIntegerExpr& y = f.expressions[x];
        const Operand::Kind k = y.operands[0].kind;
        return y.operations.empty() &&
               (k == Operand::Kind::Element ||
                (names && (k == Operand::Kind::Slot || k == Operand::Kind::Outer)));
    };
    std::vector<ScriptShapeItem> shape;
    const ScriptShapeItem operand{ScriptShape::Operand, ScriptOp::None};
    for (const ScriptLeaf& leaf : code->leaves) {
        switch (leaf.kind) {
        case ScriptLeaf::Kind::Literal: {
            if (leaf.type != bt.integer) return -1;
            Operand o{Operand::Kind::Literal};
            std::memcpy(&o.literal, leaf.value, sizeof o.literal);
            e.operands.push_back(o);
            shape.push_back(operand);
            break;
        }
        case ScriptLeaf::Kind::Name: {
            Operand o{Operand::Kind::Outer};
            integerOuter(f, scope, nameOf(leaf.token), o);
            e.operands.push_back(o);
            shape.push_back(operand);
            break;
        }
        case ScriptLeaf::Kind::Call: {
            ScriptIntegerCall call;
            call.name = std::string(nameOf(leaf.token));
            call.hash = tok(leaf.token).hash;
            if (call.name == "execute" || tok(leaf.token + 1).kind != Kind::LeftParen) return -1;
            uint32_t q = leaf.token + 2;
            if (tok(q).kind == Kind::RightParen) {
                ++q;
            } else {
                while (true) {
                    uint32_t argEnd = 0;
                    const int a = compileIntegerExpression(f, scope, q, Kind::Comma,
                                                           Kind::RightParen, pending, &argEnd);
                    // A lone element stays a place until the call reads its arguments.
                    if (a < 0 || lone(size_t(a), false)) return -1;
                    call.args.push_back(uint32_t(a));
                    q = argEnd + 1;
                    if (tok(argEnd).kind == Kind::RightParen) break;
                }
            }
            if (q != leaf.next || call.args.size() > ScriptIntegerFunction::kMaxParameters)
                return -1;
            call.line = line(q - 1);
            e.operands.push_back(Operand{Operand::Kind::Call, 0, uint32_t(f.calls.size())});
            f.calls.push_back(std::move(call));
            shape.push_back(operand);
            break;
        }
        case ScriptLeaf::Kind::Paren: {
            // A parenthesised expression is evaluated where it stands; only one that computes
            // a value (a lone name would stay a place read later, a lone type is a cast).
            uint32_t innerEnd = 0;
            const int inner = compileIntegerExpression(f, scope, leaf.token + 1, Kind::RightParen,
                                                       Kind::RightParen, pending, &innerEnd);
            if (inner < 0 || innerEnd + 1 != leaf.next) return -1;
            if (lone(size_t(inner), true)) return -1;
            e.operands.push_back(Operand{Operand::Kind::Nested, 0, uint32_t(inner)});
            shape.push_back(operand);
            break;
        }
        case ScriptLeaf::Kind::Operator: {
            ScriptShapeItem item{};
            if (!scriptIntegerOperatorShape(leaf, item)) return -1;
            shape.push_back(item);
            break;
        }
        case ScriptLeaf::Kind::Index:
            if (!compileIntegerElement(f, scope, leaf, e)) return -1;
            break;
        default:
            return -1;
        }
        if (e.operands.size() > ScriptIntegerOperation::kMaxOperands) return -1;
    }
    if (e.operands.empty()) return -1;
    // An outer variable is either an integer or an integer array throughout.
    f.outerUses.resize(f.outerNames.size(), 0);
    auto use = [&](uint32_t v, uint8_t how) {
        if (f.outerUses[v] && f.outerUses[v] != how) return false;
        f.outerUses[v] = how;
        return true;
    };
    for (const Operand& o : e.operands) {
        if (o.kind == Operand::Kind::Outer && !use(o.index, ScriptIntegerFunction::kOuterInteger))
            return -1;
        if (o.kind != Operand::Kind::Element) continue;
        const ScriptIntegerElement& el = f.elements[o.index];
        if (!use(el.array, ScriptIntegerFunction::kOuterArray) ||
            (el.at.kind == Operand::Kind::Outer &&
             !use(el.at.index, ScriptIntegerFunction::kOuterInteger)))
            return -1;
    }
    const auto variable = [&](uint8_t slot) {
        const Operand::Kind kind = e.operands[slot].kind;
        return kind == Operand::Kind::Slot || kind == Operand::Kind::Outer ||
               kind == Operand::Kind::Element;
    };
    if (!scriptIntegerOperations(shape, code->steps, e.operands.size(), variable, e.operations))
        return -1;
    e.plain = std::none_of(e.operands.begin(), e.operands.end(), [](const Operand& o) {
        return o.kind == Operand::Kind::Call || o.kind == Operand::Kind::Nested;
    });
    for (size_t k = 0; k < e.operands.size() && e.plain; ++k)
        if (e.operands[k].kind == Operand::Kind::Element) e.elementSlots.push_back(uint8_t(k));
    e.binary =
        e.operations.size() == 1 && e.operations[0].form == ScriptIntegerOperation::Form::Binary;
    e.places.resize(e.operands.size());
    f.expressions.push_back(std::move(e));
    return int(f.expressions.size() - 1);
}

void ZRScriptContext::beginIntegerOuters(ScriptIntegerFunction& f) {
    static uint64_t resolutions = 0;
    f.resolution = ++resolutions;
    f.outerPlaces.clear();
    f.outerCounts.clear();
}

bool ZRScriptContext::placeIntegerOuter(ScriptIntegerFunction& f, ScriptVariable* v) {
    const size_t k = f.outerPlaces.size();
    const bool array =
        k < f.outerUses.size() && f.outerUses[k] == ScriptIntegerFunction::kOuterArray;
    if (!v || (array ? !v->type->isArray() || v->type->base != bt.integer : v->type != bt.integer))
        return false;
    f.outerPlaces.push_back(array ? v->data() : v->area);
    f.outerCounts.push_back(array ? v->type->count : 0);
    return true;
}

bool ZRScriptContext::resolveInteger(ScriptIntegerFunction& f,
                                     std::vector<ScriptIntegerFunction*>& pass) {
    // Optimistic for the calls back into functions of this pass; a failure anywhere marks the
    // whole pass unresolved.
    f.resolvedEpoch = gScriptFunctionEpoch;
    f.resolved = true;
    pass.push_back(&f);
    auto fail = [&](bool pending) {
        for (ScriptIntegerFunction* g : pass) {
            g->resolved = false;
            g->resolveWait = scriptNextRetryWait(g->resolveWait);
            g->resolveRetry = pending ? g->resolveWait : 0;
        }
        return false;
    };
    // A name that is not a parameter is found as the body finds it: the call's own list
    // holds only the parameters.
    beginIntegerOuters(f);
    for (const std::string& name : f.outerNames) {
        const uint64_t hash = scriptNameHash(name);
        ScriptVariable* v = scriptVariables.find(name, hash);
        if (!v && persistent) v = persistent->variables.find(name, hash);
        if (!v) v = global.variables.find(name, hash);
        if (!placeIntegerOuter(f, v)) return fail(false);
    }
    ScriptValue integers[ScriptIntegerFunction::kMaxParameters];
    for (ScriptValue& v : integers)
        v.type = bt.integer;
    for (ScriptIntegerCall& call : f.calls) {
        ScriptVariable* target = resolveCall(call.name, call.hash, integers, call.args.size());
        // A function of this pass gives itself while it is being resolved.
        ScriptIntegerFunction* code = target ? integerFunction(target) : nullptr;
        if (!code) {
            // A function whose body was not compiled yet: the pass is tried again later.
            return fail(integerFunctionPending(target));
        }
        call.target = target;
        call.code = code;
    }
    return f.resolved;
}

bool ZRScriptContext::callInteger(const ScriptVariable* fn, const ScriptIntegerFunction& f,
                                  const int32_t* args, int ln, int32_t& result) {
    // Nothing the body does can set a limit: it is looked at once per call from outside.
    if (global.stepLimit || global.timeLimitMs) return callIntegerAs<true>(fn, f, args, ln, result);
    return callIntegerAs<false>(fn, f, args, ln, result);
}
