#include "script/ScriptContext.h"
#include "script/ScriptIntegerOps.h"
#include "script/ScriptMessages.h"

#include <cmath>
#include <cstring>

// Expressions are read in two steps. Collection pushes operands (values, places, names not yet
// resolved) and operators in text order; every call in every operand runs during collection,
// and member access and indexing are applied at once, so that they group from the left.
// Reduction then scans the entries from the left and applies the first operator that binds
// tighter than the next binary operator (or the last one), so that operators of equal strength
// group from the right: 10 - 4 - 3 is 9.

namespace {

using Kind = ScriptTokenKind;

template <class T> T get(const void* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
template <class T> void put(void* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

bool isOperand(const ScriptEntry& e) {
    return e.kind == ScriptEntryKind::Value || e.kind == ScriptEntryKind::Ref ||
           e.kind == ScriptEntryKind::Name || e.kind == ScriptEntryKind::Type;
}

bool isNumeric(const ScriptType* t) {
    return t->kind == ScriptTypeKind::Basic && t->basic != ScriptBasic::String;
}

bool isReal(const ScriptType* t) {
    return t->is(ScriptBasic::Float) || t->is(ScriptBasic::Double);
}

// Integer arithmetic wraps as 32-bit two's complement; a zero divisor gives 0.
int32_t integerOp(ScriptOp op, int32_t a, int32_t b) {
    return scriptIntegerArithmetic(op, a, b);
}

uint32_t unsignedOp(ScriptOp op, uint32_t a, uint32_t b) {
    switch (op) {
    case ScriptOp::Add:
        return a + b;
    case ScriptOp::Subtract:
        return a - b;
    case ScriptOp::Multiply:
        return a * b;
    default:
        return b == 0 ? 0 : a / b;
    }
}

template <class R> R realOp(ScriptOp op, R a, R b, bool zeroDivisorGivesZero) {
    switch (op) {
    case ScriptOp::Add:
        return a + b;
    case ScriptOp::Subtract:
        return a - b;
    case ScriptOp::Multiply:
        return a * b;
    default:
        return (zeroDivisorGivesZero && b == R(0)) ? R(0) : a / b;
    }
}

ScriptOp baseOp(ScriptOp op) {
    switch (op) {
    case ScriptOp::AddAssign:
        return ScriptOp::Add;
    case ScriptOp::SubtractAssign:
        return ScriptOp::Subtract;
    case ScriptOp::MultiplyAssign:
        return ScriptOp::Multiply;
    case ScriptOp::DivideAssign:
        return ScriptOp::Divide;
    default:
        return op;
    }
}

} // namespace

void ZRScriptContext::pushValue(ScriptValue&& v) {
    ScriptEntry& e = stack.emplace_back();
    e.type = v.type;
    std::memcpy(e.area, v.area, 16);
    v.type = nullptr;
}

void ZRScriptContext::dropEntry(ScriptEntry& e) {
    if (e.kind == ScriptEntryKind::Value) destroyValue(e.type, e.area);
    e.kind = ScriptEntryKind::Value;
    e.type = nullptr;
}

void ZRScriptContext::popEntriesSlow(size_t base) {
    while (stack.size() > base) {
        dropEntry(stack.back());
        stack.pop_back();
    }
}

bool ZRScriptContext::resolve(ScriptEntry& e) {
    if (e.kind != ScriptEntryKind::Name) return true;
    ScriptVariable* v = variableAt(e.token);
    if (!v) {
        report(ScriptForm::F, scriptmsg::kUnknownVariable, 0, nameOf(e.token));
        return false;
    }
    e.kind = ScriptEntryKind::Ref;
    e.type = v->type;
    e.variable = v;
    e.ref.storage = &v->region();
    e.ref.offset = 0;
    return true;
}

bool ZRScriptContext::valueOf(ScriptEntry& e, ScriptValue& out) {
    out = ScriptValue{};
    if (e.kind == ScriptEntryKind::Value) {
        out.type = e.type;
        std::memcpy(out.area, e.area, 16);
        e.type = nullptr; // moved
        std::memset(e.area, 0, 16);
        return true;
    }
    if (e.kind == ScriptEntryKind::Type || e.kind == ScriptEntryKind::Operator) {
        report(ScriptForm::A, scriptmsg::kIllegalExpression);
        return false;
    }
    if (!resolve(e)) return false;
    if (e.type->isArray()) {
        // An array reads as a pointer to its first element.
        const uint64_t p = scriptPointerTo(*e.ref.storage, e.ref.offset);
        if (!p) {
            report(ScriptForm::B, scriptmsg::kMemory);
            return false;
        }
        out.type = internPointer(e.type->base, false);
        put(out.area, p);
        return true;
    }
    out.type = e.type;
    return load(e.type, e.place(), out.area);
}

bool ZRScriptContext::popValue(ScriptValue& out) {
    ScriptEntry& e = stack.back();
    const bool ok = valueOf(e, out);
    dropEntry(e);
    stack.pop_back();
    return ok;
}

bool ZRScriptContext::pushPointer(ScriptStorage& storage, uint32_t offset, ScriptType* target) {
    const uint64_t p = scriptPointerTo(storage, offset);
    if (!p) {
        report(ScriptForm::B, scriptmsg::kMemory);
        return false;
    }
    ScriptValue v{internPointer(target, false), {}};
    put(v.area, p);
    pushValue(std::move(v));
    return true;
}

bool ZRScriptContext::placeOf(ScriptEntry& e, uint32_t pos) {
    // `e` holds a pointer value; it becomes the place the pointer designates.
    const uint64_t p = get<uint64_t>(e.area);
    ScriptType* target = e.type->base;
    ScriptStorage* storage = nullptr;
    uint32_t offset = 0;
    const ScriptPointerFault fault = scriptLocate(p, target, target->size, storage, offset);
    if (fault != ScriptPointerFault::None) {
        reportPointerFault(fault, line(pos));
        return false;
    }
    e.kind = ScriptEntryKind::Ref;
    e.type = target;
    e.variable = nullptr;
    e.ref.storage = storage;
    e.ref.offset = offset;
    return true;
}

uint32_t ZRScriptContext::evaluate(uint32_t pos, bool run, ScriptDirect* direct) {
    if (!enterSyntax(pos)) return kScriptFail;
    if (run && !countStep(pos)) {
        leaveSyntax();
        return kScriptFail;
    }
    // An expression read before has its reduction order kept, and one of integers only its
    // integer form, which needs no value stack. (The end of an #include line is not kept.)
    ScriptExpressionCache* cache =
        run && exprStop == ScriptSource::kNoStop ? expressionCache(pos, 1) : nullptr;
    if (cache) {
        if (cache->fastEpoch != scriptNameEpoch()) analyseFast(*cache);
        int32_t value = 0;
        // A lone operand stays a name on the stack (it may still be assigned to, `(x) = 1`);
        // only a caller that takes the value at once gets it directly.
        if (cache->fast && (direct || !cache->operations.empty()) && evaluateFast(*cache, value)) {
            if (direct) {
                direct->taken = true;
                direct->value = value;
            } else {
                ScriptEntry& e = stack.emplace_back();
                e.type = bt.integer;
                std::memcpy(e.area, &value, sizeof value);
            }
            lineNow = cache->endLine;
            leaveSyntax();
            return cache->end;
        }
    }
    return evaluateGeneral(pos, run, cache);
}

uint32_t ZRScriptContext::evaluateGeneral(uint32_t pos, bool run, ScriptExpressionCache* cache) {
    const size_t base = stack.size();
    if (cache && cache->epoch == scriptNameEpoch()) return replay(*cache, base);
    // Read from the text; a run that reads to the end compiles the expression for the next.
    const uint64_t epoch = scriptNameEpoch();
    std::vector<ScriptLeaf> leaves;
    std::vector<ScriptReductionStep> planned;
    const bool recording = cache && cache->users == 0;
    uint32_t end = collect(pos, run, false, recording ? &leaves : nullptr);
    const int endLine = lineNow;
    if (end != kScriptFail && run && stack.size() > base &&
        !reduce(base, end, nullptr, recording ? &planned : nullptr))
        end = kScriptFail;
    if (end == kScriptFail) {
        popEntries(base);
        leaveSyntax();
        return kScriptFail;
    }
    if (recording && cache->users == 0 && epoch == scriptNameEpoch()) {
        cache->leaves = std::move(leaves);
        cache->steps = std::move(planned);
        cache->end = end;
        cache->endLine = endLine;
        cache->epoch = epoch;
    }
    leaveSyntax();
    return end;
}

uint32_t ZRScriptContext::replay(ScriptExpressionCache& cache, size_t base) {
    struct Use {
        ScriptExpressionCache& cache;
        explicit Use(ScriptExpressionCache& c) : cache(c) { ++cache.users; }
        ~Use() { --cache.users; }
    } use(cache);
    auto fail = [&]() {
        popEntries(base);
        leaveSyntax();
        return kScriptFail;
    };
    const uint64_t epoch = cache.epoch;
    for (const ScriptLeaf& leaf : cache.leaves) {
        lineNow = line(leaf.token);
        switch (leaf.kind) {
        case ScriptLeaf::Kind::Literal: {
            ScriptEntry& e = stack.emplace_back();
            e.type = leaf.type;
            std::memcpy(e.area, leaf.value, sizeof leaf.value);
            continue;
        }
        case ScriptLeaf::Kind::String: {
            char* s = scriptNewString(src->literal(tok(leaf.token)));
            if (!s) {
                report(ScriptForm::B, scriptmsg::kMemory);
                return fail();
            }
            ScriptEntry& e = stack.emplace_back();
            e.type = bt.string;
            put(e.area, s);
            continue;
        }
        case ScriptLeaf::Kind::Type: {
            ScriptEntry& e = stack.emplace_back();
            e.kind = ScriptEntryKind::Type;
            e.type = leaf.type;
            e.token = leaf.token;
            continue;
        }
        case ScriptLeaf::Kind::Name: {
            ScriptEntry& e = stack.emplace_back();
            e.kind = ScriptEntryKind::Name;
            e.token = leaf.token;
            continue;
        }
        case ScriptLeaf::Kind::Operator: {
            ScriptEntry& e = stack.emplace_back();
            e.kind = ScriptEntryKind::Operator;
            e.op = leaf.op;
            e.fixity = ScriptFixity(leaf.fixity);
            e.token = leaf.token;
            continue;
        }
        case ScriptLeaf::Kind::Call:
            if (call(leaf.token, true) == kScriptFail) return fail();
            break;
        case ScriptLeaf::Kind::Immediate:
            if (!callImmediate(leaf.function, leaf.token)) return fail();
            break;
        case ScriptLeaf::Kind::Paren: {
            uint32_t next = 0;
            bool operand = false;
            if (!parenthesised(leaf.token, true, next, operand)) return fail();
            break;
        }
        case ScriptLeaf::Kind::Index: {
            uint32_t next = 0;
            if (!indexed(leaf.token, true, next)) return fail();
            break;
        }
        case ScriptLeaf::Kind::Member:
            if (!member(stack.back(), leaf.op, leaf.token + 1)) return fail();
            break;
        }
        // Code ran: when it changed what a name means, the rest is read from the text again.
        if (scriptNameEpoch() != epoch) {
            const uint32_t end = collect(leaf.next, true, leaf.operandAfter, nullptr);
            if (end == kScriptFail || (stack.size() > base && !reduce(base, end, nullptr, nullptr)))
                return fail();
            leaveSyntax();
            return end;
        }
    }
    lineNow = cache.endLine;
    if (stack.size() > base && !reduce(base, cache.end, &cache.steps, nullptr)) return fail();
    leaveSyntax();
    return cache.end;
}

bool ZRScriptContext::callImmediate(ScriptVariable* fn, uint32_t pos) {
    ScriptValue result;
    bool known = false;
    if (!callFunction(fn, nullptr, 0, result, line(pos), known)) {
        report(scriptmsg::kFunctionError, scriptmsg::kPrefix, fn->name.c_str());
        return false;
    }
    if (!known) {
        report(scriptmsg::kReturnsUnknown, scriptmsg::kPrefix, fn->name.c_str());
        return false;
    }
    pushValue(std::move(result));
    return true;
}

bool ZRScriptContext::parenthesised(uint32_t pos, bool run, uint32_t& next, bool& operand) {
    const size_t before = stack.size();
    const uint32_t p = evaluate(pos + 1, run);
    if (p == kScriptFail) return false;
    if (tok(p).kind != Kind::RightParen) {
        report(ScriptForm::C, scriptmsg::kMissingParen, line(p));
        return false;
    }
    next = p + 1;
    if (run && stack.size() == before) {
        report(ScriptForm::C, scriptmsg::kSyntax, line(p));
        return false;
    }
    operand = true;
    if (run && stack.back().kind == ScriptEntryKind::Type) {
        // (type) is a cast: a prefix operator.
        ScriptEntry& e = stack.back();
        e.kind = ScriptEntryKind::Operator;
        e.op = ScriptOp::Cast;
        e.fixity = ScriptFixity::Prefix;
        operand = false;
    }
    return true;
}

bool ZRScriptContext::indexed(uint32_t pos, bool run, uint32_t& next) {
    const size_t before = stack.size();
    const uint32_t p = evaluate(pos + 1, run);
    if (p == kScriptFail) return false;
    if (tok(p).kind != Kind::RightBracket) {
        report(ScriptForm::C, scriptmsg::kMissingBracket, line(p));
        return false;
    }
    if (run) {
        ScriptValue raw, index;
        if (stack.size() == before || !popValue(raw)) {
            destroyValue(raw.type, raw.area);
            report(ScriptForm::C, scriptmsg::kIllegalIndex, line(p));
            return false;
        }
        const bool ok = convert(index.area, bt.unsignedInt, raw.area, raw.type);
        destroyValue(raw.type, raw.area);
        if (!ok) {
            report(ScriptForm::C, scriptmsg::kIllegalIndex, line(p));
            return false;
        }
        index.type = bt.unsignedInt;
        if (!this->index(stack.back(), index, p)) return false;
    }
    next = p + 1;
    return true;
}

uint32_t ZRScriptContext::collect(uint32_t pos, bool run, bool operand,
                                  std::vector<ScriptLeaf>* record) {
    // The leaf being read, when recording: finished with where reading goes on behind it.
    size_t open = SIZE_MAX;
    auto start = [&](ScriptLeaf::Kind kind) -> ScriptLeaf* {
        if (!record) return nullptr;
        open = record->size();
        record->push_back(ScriptLeaf{kind});
        record->back().token = pos;
        return &record->back();
    };
    while (true) {
        if (open != SIZE_MAX) {
            (*record)[open].next = pos;
            (*record)[open].operandAfter = operand;
            open = SIZE_MAX;
        }
        const ScriptTok& t = tok(pos);
        lineNow = int(t.line);
        bool done = false;
        ScriptValue literal;
        switch (t.kind) {
        case Kind::Semicolon:
        case Kind::RightParen:
        case Kind::Comma:
        case Kind::RightBracket:
        case Kind::End:
            done = true;
            break;
        case Kind::Integer:
            literal.type = bt.integer;
            put(literal.area, t.v.i);
            break;
        case Kind::Unsigned:
            literal.type = bt.unsignedInt;
            put(literal.area, t.v.u);
            break;
        case Kind::Float:
            literal.type = bt.floating;
            put(literal.area, t.v.f);
            break;
        case Kind::Double:
            literal.type = bt.doubleReal;
            put(literal.area, t.v.d);
            break;
        case Kind::Char:
            literal.type = bt.character;
            put(literal.area, t.v.c);
            break;
        case Kind::String:
            literal.type = bt.string;
            if (run) {
                char* s = scriptNewString(src->literal(t));
                if (!s) {
                    report(ScriptForm::B, scriptmsg::kMemory);
                    return kScriptFail;
                }
                put(literal.area, s);
            }
            break;
        case Kind::Identifier: {
            const std::string_view name = src->name(t);
            const NameClass named = classify(pos);
            if (ScriptType* type = named.type) {
                if (run) {
                    if (ScriptLeaf* leaf = start(ScriptLeaf::Kind::Type)) leaf->type = type;
                    ScriptEntry& e = stack.emplace_back();
                    e.kind = ScriptEntryKind::Type;
                    e.type = type;
                    e.token = pos;
                }
                ++pos;
            } else if (name == "NULL") {
                literal.type = bt.unsignedInt;
                put(literal.area, uint32_t(0));
                break;
            } else if (tok(pos + 1).kind == Kind::LeftParen) {
                start(ScriptLeaf::Kind::Call);
                pos = call(pos, run);
                if (pos == kScriptFail) return kScriptFail;
            } else {
                ScriptVariable* fn = run ? named.immediate : nullptr;
                if (fn) {
                    // A process-wide function without parameters is called where its name stands.
                    if (ScriptLeaf* leaf = start(ScriptLeaf::Kind::Immediate)) leaf->function = fn;
                    if (!callImmediate(fn, pos)) return kScriptFail;
                } else if (run) {
                    start(ScriptLeaf::Kind::Name);
                    ScriptEntry& e = stack.emplace_back();
                    e.kind = ScriptEntryKind::Name;
                    e.token = pos;
                }
                ++pos;
            }
            operand = true;
            continue;
        }
        case Kind::LeftParen: {
            start(ScriptLeaf::Kind::Paren);
            if (!parenthesised(pos, run, pos, operand)) return kScriptFail;
            continue;
        }
        case Kind::LeftBracket: {
            if (!operand) {
                report(ScriptForm::C, scriptmsg::kSyntax, int(t.line));
                return kScriptFail;
            }
            start(ScriptLeaf::Kind::Index);
            if (!indexed(pos, run, pos)) return kScriptFail;
            continue;
        }
        case Kind::Operator: {
            const ScriptOp op = t.op;
            if (op == ScriptOp::Member || op == ScriptOp::Arrow) {
                if (tok(pos + 1).kind != Kind::Identifier) {
                    report(ScriptForm::L, scriptmsg::kSyntax);
                    return kScriptFail;
                }
                if (!operand) {
                    report(ScriptForm::C, scriptmsg::kSyntax, int(t.line));
                    return kScriptFail;
                }
                if (ScriptLeaf* leaf = start(ScriptLeaf::Kind::Member)) leaf->op = op;
                if (run && !member(stack.back(), op, pos + 1)) return kScriptFail;
                pos += 2;
                continue;
            }
            ScriptFixity fixity = ScriptFixity::Binary;
            if (op == ScriptOp::Increment || op == ScriptOp::Decrement) {
                fixity = operand ? ScriptFixity::Postfix : ScriptFixity::Prefix;
            } else if (!operand && (op == ScriptOp::Subtract || op == ScriptOp::Add ||
                                    op == ScriptOp::Multiply || op == ScriptOp::BitAnd ||
                                    op == ScriptOp::Not)) {
                fixity = ScriptFixity::Prefix;
            } else {
                operand = false;
            }
            if (run) {
                if (ScriptLeaf* leaf = start(ScriptLeaf::Kind::Operator)) {
                    leaf->op = op;
                    leaf->fixity = uint8_t(fixity);
                }
                ScriptEntry& e = stack.emplace_back();
                e.kind = ScriptEntryKind::Operator;
                e.op = op;
                e.fixity = fixity;
                e.token = pos;
            }
            ++pos;
            continue;
        }
        case Kind::Error:
            report(lexicalForm, scriptmsg::kLexical, int(t.line));
            return kScriptFail;
        default:
            report(ScriptForm::C, scriptmsg::kSyntax, int(t.line));
            return kScriptFail;
        }
        if (done) return pos;
        // A literal.
        if (run) {
            if (ScriptLeaf* leaf = start(literal.type == bt.string ? ScriptLeaf::Kind::String
                                                                   : ScriptLeaf::Kind::Literal);
                leaf && leaf->kind == ScriptLeaf::Kind::Literal) {
                leaf->type = literal.type;
                std::memcpy(leaf->value, literal.area, sizeof leaf->value);
            }
            pushValue(std::move(literal));
        }
        operand = true;
        ++pos;
    }
}

bool ZRScriptContext::reduce(size_t base, uint32_t endPos,
                             const std::vector<ScriptReductionStep>* steps,
                             std::vector<ScriptReductionStep>* planned) {
    const size_t n = stack.size() - base;
    std::vector<ScriptReductionStep> own;
    if (!steps && n == 1 && isOperand(stack[base])) {
        if (planned) planned->clear();
        return true; // nothing to plan
    }
    if (!steps && n == 3 && stack[base + 1].kind == ScriptEntryKind::Operator &&
        stack[base + 1].fixity == ScriptFixity::Binary && isOperand(stack[base]) &&
        isOperand(stack[base + 2])) {
        // The common `a op b`: nothing to plan.
        if (planned) *planned = {ScriptReductionStep{ScriptReductionStep::Kind::Binary, 1, 0, 2}};
        return applyBinary(base + 1, base, base + 2, endPos) && (popEntries(base + 1), true);
    }
    if (!steps) {
        std::vector<ScriptShapeItem> shape(n);
        for (size_t k = 0; k < n; ++k) {
            const ScriptEntry& e = stack[base + k];
            if (e.kind == ScriptEntryKind::Operator)
                shape[k] =
                    ScriptShapeItem{e.fixity == ScriptFixity::Binary   ? ScriptShape::Binary
                                    : e.fixity == ScriptFixity::Prefix ? ScriptShape::Prefix
                                                                       : ScriptShape::Postfix,
                                    e.op};
            else
                shape[k] = ScriptShapeItem{e.kind == ScriptEntryKind::Type ? ScriptShape::Type
                                                                           : ScriptShape::Operand,
                                           ScriptOp::None};
        }
        std::vector<ScriptReductionStep>& plan = planned ? *planned : own;
        plan = scriptPlanReduction(shape);
        steps = &plan;
    }
    // Entries do not move: each step leaves its result at the number the plan gives it and
    // empties the entries it consumed; the last result is the expression's first entry.
    for (const ScriptReductionStep& step : *steps) {
        bool ok = false;
        switch (step.kind) {
        case ScriptReductionStep::Kind::Binary:
            ok = applyBinary(base + step.op, base + step.left, base + step.right, endPos);
            break;
        case ScriptReductionStep::Kind::Prefix:
            ok = applyPrefix(base + step.op, base + step.right, endPos);
            break;
        case ScriptReductionStep::Kind::Postfix:
            ok = applyPostfix(base + step.op, base + step.left, endPos);
            break;
        case ScriptReductionStep::Kind::Fail:
            report(ScriptForm::A, scriptmsg::kIllegalExpression);
            break;
        }
        if (!ok) return false;
    }
    popEntries(base + 1); // what is left behind the result is empty
    return true;
}

void ZRScriptContext::consume(size_t i) {
    dropEntry(stack[i]);
    stack[i].kind = ScriptEntryKind::Value;
}

bool ZRScriptContext::applyPostfix(size_t i, size_t l, uint32_t endPos) {
    if (!isOperand(stack[l]) || stack[l].kind == ScriptEntryKind::Type) {
        report(ScriptForm::A, scriptmsg::kIllegalExpression);
        return false;
    }
    const ScriptOp op = stack[i].op;
    ScriptEntry& target = stack[l];
    ScriptValue one{bt.integer, {}};
    put(one.area, int32_t(1));
    ScriptValue old, result;
    if (target.kind == ScriptEntryKind::Value) {
        report(ScriptForm::A, scriptmsg::kUnsupported);
        return false;
    }
    if (!resolve(target)) return false;
    if (!valueOf(target, old)) return false;
    if (!assign(target, op, one, result, endPos)) {
        destroyValue(old.type, old.area);
        return false;
    }
    destroyValue(result.type, result.area);
    dropEntry(target);
    consume(i);
    ScriptEntry& slot = stack[l];
    slot.kind = ScriptEntryKind::Value;
    slot.type = old.type;
    std::memcpy(slot.area, old.area, 16);
    return true;
}

bool ZRScriptContext::applyPrefix(size_t i, size_t r, uint32_t endPos) {
    const ScriptOp op = stack[i].op;
    ScriptType* castType = stack[i].type;
    ScriptEntry& operandEntry = stack[r];
    ScriptValue result;
    if (operandEntry.kind == ScriptEntryKind::Type) {
        report(ScriptForm::A, scriptmsg::kIllegalExpression);
        return false;
    }
    switch (op) {
    case ScriptOp::Increment:
    case ScriptOp::Decrement: {
        if (operandEntry.kind == ScriptEntryKind::Value) {
            report(ScriptForm::A, scriptmsg::kUnsupported);
            return false;
        }
        if (!resolve(operandEntry)) return false;
        ScriptValue one{bt.integer, {}};
        put(one.area, int32_t(1));
        if (!assign(operandEntry, op, one, result, endPos)) return false;
        break;
    }
    case ScriptOp::BitAnd: {
        if (operandEntry.kind == ScriptEntryKind::Value) {
            report(ScriptForm::A, scriptmsg::kUnsupported);
            return false;
        }
        if (!resolve(operandEntry)) return false;
        const uint64_t p = scriptPointerTo(*operandEntry.ref.storage, operandEntry.ref.offset);
        if (!p) {
            report(ScriptForm::B, scriptmsg::kMemory);
            return false;
        }
        result.type = internPointer(operandEntry.type, false);
        put(result.area, p);
        break;
    }
    case ScriptOp::Multiply: {
        ScriptValue v;
        if (!valueOf(operandEntry, v)) return false;
        if (!v.type->isPointer()) {
            report(scriptmsg::kCannotApply, scriptmsg::kPrefix, "*",
                   scriptTypeName(v.type).c_str());
            destroyValue(v.type, v.area);
            return false;
        }
        dropEntry(operandEntry);
        operandEntry.kind = ScriptEntryKind::Value;
        operandEntry.type = v.type;
        std::memcpy(operandEntry.area, v.area, 16);
        if (!placeOf(operandEntry, endPos)) return false;
        stack[i] = operandEntry; // a place: nothing owned moves
        operandEntry = ScriptEntry{};
        return true;
    }
    default: {
        ScriptValue v;
        if (!valueOf(operandEntry, v)) return false;
        bool ok = true;
        if (op == ScriptOp::Cast) {
            result.type = castType;
            convert(result.area, castType, v.area, v.type);
        } else if (op == ScriptOp::Add) {
            result = v;
            v.type = nullptr;
        } else if (op == ScriptOp::Subtract &&
                   (v.type->is(ScriptBasic::Integer) || isReal(v.type))) {
            result.type = v.type;
            if (v.type->is(ScriptBasic::Integer))
                put(result.area, int32_t(0u - get<uint32_t>(v.area)));
            else if (v.type->is(ScriptBasic::Float))
                put(result.area, -get<float>(v.area));
            else
                put(result.area, -get<double>(v.area));
        } else if (op == ScriptOp::Not &&
                   (v.type->is(ScriptBasic::Integer) || v.type->is(ScriptBasic::Unsigned))) {
            result.type = bt.integer;
            put(result.area, int32_t(get<uint32_t>(v.area) == 0));
        } else if (op == ScriptOp::Not && v.type->is(ScriptBasic::Char)) {
            result.type = bt.character;
            put(result.area, char(get<char>(v.area) == 0));
        } else {
            report(ScriptForm::A, scriptmsg::kNotSupported);
            ok = false;
        }
        destroyValue(v.type, v.area);
        if (!ok) return false;
        break;
    }
    }
    dropEntry(operandEntry);
    ScriptEntry& slot = stack[i];
    slot.kind = ScriptEntryKind::Value;
    slot.variable = nullptr;
    slot.type = result.type;
    std::memcpy(slot.area, result.area, 16);
    return true;
}

int ZRScriptContext::integerBinary(size_t i, size_t l, size_t r) {
    // Both operands integers: the result without copying values around. Names are resolved
    // left first, as the general path does.
    ScriptEntry& left = stack[l];
    ScriptEntry& right = stack[r];
    const ScriptOp op = stack[i].op;
    const bool assigning = scriptIsAssignment(op);
    if (left.kind == ScriptEntryKind::Type || right.kind == ScriptEntryKind::Type) return 0;
    if (assigning && left.kind != ScriptEntryKind::Ref && left.kind != ScriptEntryKind::Name)
        return 0;
    if (op == ScriptOp::LogicalAnd || op == ScriptOp::LogicalOr || op == ScriptOp::BitAnd ||
        op == ScriptOp::BitOr)
        return 0;
    if (!resolve(left) || !resolve(right)) return -1;
    if (left.type != bt.integer || right.type != bt.integer) return 0;
    const int32_t b = right.kind == ScriptEntryKind::Value ? get<int32_t>(right.area)
                                                           : get<int32_t>(right.place());
    int32_t result;
    switch (op) {
    case ScriptOp::Assign:
    case ScriptOp::AddAssign:
    case ScriptOp::SubtractAssign:
    case ScriptOp::MultiplyAssign:
    case ScriptOp::DivideAssign: {
        if (left.kind != ScriptEntryKind::Ref) return 0;
        unsigned char* place = left.place();
        result = op == ScriptOp::Assign ? b : integerOp(baseOp(op), get<int32_t>(place), b);
        put(place, result);
        break;
    }
    default: {
        if (!scriptIntegerOperator(op)) return 0;
        const int32_t a = left.kind == ScriptEntryKind::Value ? get<int32_t>(left.area)
                                                              : get<int32_t>(left.place());
        result = scriptIntegerBinary(op, a, b);
    }
    }
    consume(i);
    consume(r);
    ScriptEntry& slot = stack[l];
    slot.kind = ScriptEntryKind::Value;
    slot.variable = nullptr;
    slot.type = bt.integer;
    std::memset(slot.area, 0, sizeof slot.area);
    put(slot.area, result);
    return 1;
}

bool ZRScriptContext::applyBinary(size_t i, size_t li, size_t ri, uint32_t endPos) {
    if (const int fast = integerBinary(i, li, ri); fast != 0) return fast > 0;
    const ScriptOp op = stack[i].op;
    ScriptEntry& left = stack[li];
    ScriptEntry& right = stack[ri];
    ScriptValue r, l, result;
    bool ok = true;
    switch (op) {
    case ScriptOp::Assign:
    case ScriptOp::AddAssign:
    case ScriptOp::SubtractAssign:
    case ScriptOp::MultiplyAssign:
    case ScriptOp::DivideAssign:
        if (left.kind != ScriptEntryKind::Ref && left.kind != ScriptEntryKind::Name) {
            report(ScriptForm::A, scriptmsg::kIllegalAssignment);
            return false;
        }
        if (!resolve(left) || !valueOf(right, r)) return false;
        ok = assign(left, op, r, result, endPos);
        break;
    case ScriptOp::BitAnd:
    case ScriptOp::BitOr:
        report(ScriptForm::A, scriptmsg::kUnsupported);
        return false;
    default: {
        // A string variable that text is appended to is read where it is, not copied first
        // (nothing runs between the read and the append that could change it).
        bool borrowed = false;
        if (op == ScriptOp::Add && !global.deleteHooks &&
            (left.kind == ScriptEntryKind::Ref || left.kind == ScriptEntryKind::Name)) {
            if (!resolve(left)) return false;
            if (left.type->is(ScriptBasic::String)) {
                l.type = left.type;
                std::memcpy(l.area, left.place(), sizeof(char*));
                borrowed = true;
            }
        }
        if (!borrowed && !valueOf(left, l)) return false;
        if (!valueOf(right, r)) {
            if (!borrowed) destroyValue(l.type, l.area);
            return false;
        }
        if (op == ScriptOp::Add || op == ScriptOp::Subtract || op == ScriptOp::Multiply ||
            op == ScriptOp::Divide)
            ok = arithmetic(op, l, r, result, endPos);
        else
            ok = compare(op, l, r, result);
        if (borrowed) l = ScriptValue{};
        break;
    }
    }
    destroyValue(l.type, l.area);
    destroyValue(r.type, r.area);
    if (!ok) return false;
    dropEntry(left);
    consume(ri);
    consume(i);
    ScriptEntry& slot = stack[li];
    slot.kind = ScriptEntryKind::Value;
    slot.variable = nullptr;
    slot.type = result.type;
    std::memcpy(slot.area, result.area, 16);
    return true;
}

namespace {

// The text that `+` appends to a string for a right operand; false for types without one.
bool appendedText(ZRScriptContext& ctx, const ScriptValue& r, std::string& out,
                  const char*& borrowed) {
    const ScriptType* t = r.type;
    borrowed = nullptr;
    char buffer[32];
    if (t->is(ScriptBasic::String)) {
        borrowed = get<const char*>(r.area);
    } else if (t->is(ScriptBasic::Integer)) {
        out = std::to_string(get<int32_t>(r.area));
    } else if (t->is(ScriptBasic::Word)) {
        out = std::to_string(get<uint16_t>(r.area));
    } else if (t->is(ScriptBasic::Unsigned)) {
        std::snprintf(buffer, sizeof buffer, "0x%X", get<uint32_t>(r.area));
        out = buffer;
    } else if (isReal(t)) {
        out = ctx.numberText(const_cast<ScriptType*>(t), r.area);
    } else if (t->is(ScriptBasic::Char)) {
        // The character's number, sign-extended and printed unsigned.
        out = std::to_string(uint32_t(int32_t(get<int8_t>(r.area))));
    } else {
        return false;
    }
    return true;
}

// left + the right operand's text, as a new script string; null when memory runs out.
char* appendText(ZRScriptContext& ctx, const char* left, const ScriptValue& r, bool& typeOk) {
    std::string piece;
    const char* borrowed = nullptr;
    typeOk = appendedText(ctx, r, piece, borrowed);
    if (!typeOk) return nullptr;
    const std::string_view a = left ? std::string_view(left) : std::string_view();
    const std::string_view b = borrowed ? std::string_view(borrowed) : std::string_view(piece);
    auto* s = static_cast<char*>(scriptAlloc(a.size() + b.size() + 1));
    if (!s) return nullptr;
    // A null string is empty: memcpy is given no null pointer, not even for no bytes.
    if (!a.empty()) std::memcpy(s, a.data(), a.size());
    if (!b.empty()) std::memcpy(s + a.size(), b.data(), b.size());
    s[a.size() + b.size()] = '\0';
    return s;
}

} // namespace

bool ZRScriptContext::arithmetic(ScriptOp op, ScriptValue& l, ScriptValue& r, ScriptValue& out,
                                 uint32_t pos) {
    if (l.type->is(ScriptBasic::String) && op == ScriptOp::Add) {
        bool typeOk = true;
        char* s = appendText(*this, get<const char*>(l.area), r, typeOk);
        if (!typeOk) {
            report(scriptmsg::kCannotAssign, scriptmsg::kPrefix, scriptTypeName(r.type).c_str(),
                   scriptTypeName(l.type).c_str());
            return false;
        }
        if (!s) {
            report(ScriptForm::B, scriptmsg::kMemory);
            return false;
        }
        out.type = bt.string;
        put(out.area, s);
        return true;
    }
    if (l.type->isPointer() && (op == ScriptOp::Add || op == ScriptOp::Subtract)) {
        if (!r.type->is(ScriptBasic::Integer)) {
            report(ScriptForm::B, scriptmsg::kPointerArithmetic);
            return false;
        }
        const int64_t step = int64_t(get<int32_t>(r.area)) * int64_t(l.type->base->size);
        out.type = l.type;
        put(out.area, scriptPointerMove(get<uint64_t>(l.area), op == ScriptOp::Add ? step : -step));
        return true;
    }
    const bool lInt = l.type->is(ScriptBasic::Integer), rInt = r.type->is(ScriptBasic::Integer);
    if (l.type->is(ScriptBasic::Double) || r.type->is(ScriptBasic::Double) ||
        l.type->is(ScriptBasic::Float) || r.type->is(ScriptBasic::Float)) {
        ScriptType* t = (l.type->is(ScriptBasic::Double) || r.type->is(ScriptBasic::Double))
                            ? bt.doubleReal
                            : bt.floating;
        alignas(8) unsigned char a[16], b[16];
        convert(a, t, l.area, l.type);
        convert(b, t, r.area, r.type);
        out.type = t;
        if (t == bt.doubleReal)
            put(out.area, realOp(op, get<double>(a), get<double>(b), true));
        else
            put(out.area, realOp(op, get<float>(a), get<float>(b), true));
        return true;
    }
    if (lInt && rInt) {
        out.type = bt.integer;
        put(out.area, integerOp(op, get<int32_t>(l.area), get<int32_t>(r.area)));
        return true;
    }
    if (lInt) {
        out.type = bt.integer;
        put(out.area, get<int32_t>(l.area));
        return true;
    }
    if (rInt) {
        out.type = bt.integer;
        put(out.area, integerOp(op, 0, get<int32_t>(r.area)));
        return true;
    }
    (void)pos;
    report(ScriptForm::A, scriptmsg::kNotSupported);
    return false;
}

bool ZRScriptContext::compare(ScriptOp op, ScriptValue& l, ScriptValue& r, ScriptValue& out) {
    out.type = bt.integer;
    ScriptType *lt = l.type, *rt = r.type;
    int32_t result = 0;
    auto relation = [&](auto a, auto b) { return scriptRelation(op, a, b) != 0; };
    if (isReal(lt) || isReal(rt)) {
        if (!isNumeric(lt) || !isNumeric(rt)) {
            report(ScriptForm::A, scriptmsg::kIncompatible);
            return false;
        }
        alignas(8) unsigned char a[16], b[16];
        if (lt->is(ScriptBasic::Double) || rt->is(ScriptBasic::Double)) {
            convert(a, bt.doubleReal, l.area, lt);
            convert(b, bt.doubleReal, r.area, rt);
            const double x = get<double>(a), y = get<double>(b);
            if (op == ScriptOp::Equal)
                result = std::fabs(x - y) < 0.000001;
            else if (op == ScriptOp::NotEqual)
                result = !(std::fabs(x - y) < 0.000001);
            else
                result = relation(x, y);
        } else {
            convert(a, bt.floating, l.area, lt);
            convert(b, bt.floating, r.area, rt);
            const float x = get<float>(a), y = get<float>(b);
            if (op == ScriptOp::Equal)
                result = std::fabs(x - y) < 0.000001f;
            else if (op == ScriptOp::NotEqual)
                result = !(std::fabs(x - y) < 0.000001f);
            else
                result = relation(x, y);
        }
        put(out.area, result);
        return true;
    }
    const bool logical = op == ScriptOp::LogicalAnd || op == ScriptOp::LogicalOr;
    if (lt->is(ScriptBasic::String) && rt->is(ScriptBasic::String) && !logical) {
        const char* a = get<const char*>(l.area);
        const char* b = get<const char*>(r.area);
        const int c = std::strcmp(a ? a : "", b ? b : "");
        switch (op) {
        case ScriptOp::Equal:
            result = c == 0;
            break;
        case ScriptOp::NotEqual:
            result = c;
            break;
        default:
            result = relation(c, 0);
            break;
        }
        put(out.area, result);
        return true;
    }
    auto integral = [](const ScriptType* t) {
        return (t->kind == ScriptTypeKind::Basic) || t->isPointer();
    };
    if (lt->is(ScriptBasic::Integer) || rt->is(ScriptBasic::Integer) || logical) {
        if (!integral(lt) || !integral(rt)) {
            report(ScriptForm::A, scriptmsg::kIncompatible);
            return false;
        }
        alignas(8) unsigned char a[16], b[16];
        convert(a, bt.integer, l.area, lt);
        convert(b, bt.integer, r.area, rt);
        const int32_t x = get<int32_t>(a), y = get<int32_t>(b);
        if (op == ScriptOp::Equal)
            result = x == y;
        else if (op == ScriptOp::NotEqual)
            result = x != y;
        else
            result = relation(x, y);
        put(out.area, result);
        return true;
    }
    report(ScriptForm::A, (lt->is(ScriptBasic::String) || rt->is(ScriptBasic::String))
                              ? scriptmsg::kIncompatible
                              : scriptmsg::kNotSupported);
    return false;
}

bool ZRScriptContext::assign(ScriptEntry& target, ScriptOp op, ScriptValue& r, ScriptValue& out,
                             uint32_t pos) {
    ScriptType* t = target.type;
    unsigned char* place = target.place();
    const int ln = line(pos);
    if (op == ScriptOp::Assign) {
        alignas(8) unsigned char area[16];
        if (r.type == t && t->is(ScriptBasic::String) && !global.deleteHooks) {
            // `r` is the caller's own copy: the text moves instead of being copied again (no
            // hook can tell, none watching values go).
            std::memcpy(area, r.area, sizeof area);
            r = ScriptValue{};
        } else if (!convert(area, t, r.area, r.type))
            report(scriptmsg::kCannotAssign, scriptmsg::kPrefix, scriptTypeName(r.type).c_str(),
                   scriptTypeName(t).c_str());
        if (t->isArray()) {
            out.type = t->base ? internPointer(t->base, false) : nullptr;
            put(out.area, uint64_t(0));
            return out.type != nullptr;
        }
        store(t, place, area);
        out.type = t;
        return load(t, place, out.area);
    }
    const bool increment = op == ScriptOp::Increment || op == ScriptOp::Decrement;
    const ScriptOp bop =
        increment ? (op == ScriptOp::Increment ? ScriptOp::Add : ScriptOp::Subtract) : baseOp(op);
    if (increment && !(t->is(ScriptBasic::Integer) || t->is(ScriptBasic::Unsigned) || isReal(t) ||
                       t->isPointer())) {
        report(scriptmsg::kCannotApply, scriptmsg::kPrefix, op == ScriptOp::Increment ? "++" : "--",
               scriptTypeName(t).c_str());
        return false;
    }
    alignas(8) unsigned char conv[16];
    out.type = t;
    if (t->is(ScriptBasic::Double) || t->is(ScriptBasic::Float) || t->is(ScriptBasic::Integer) ||
        t->is(ScriptBasic::Unsigned)) {
        convert(conv, t, r.area, r.type);
        if (t->is(ScriptBasic::Double))
            put(place, realOp(bop, get<double>(place), get<double>(conv), false));
        else if (t->is(ScriptBasic::Float))
            put(place, realOp(bop, get<float>(place), get<float>(conv), false));
        else if (t->is(ScriptBasic::Integer))
            put(place, integerOp(bop, get<int32_t>(place), get<int32_t>(conv)));
        else
            put(place, unsignedOp(bop, get<uint32_t>(place), get<uint32_t>(conv)));
    } else if (t->is(ScriptBasic::Word) || t->is(ScriptBasic::Char)) {
        convert(conv, bt.integer, r.area, r.type);
        const int32_t current =
            t->is(ScriptBasic::Word) ? int32_t(get<uint16_t>(place)) : int32_t(get<int8_t>(place));
        const int32_t v = integerOp(bop, current, get<int32_t>(conv));
        if (t->is(ScriptBasic::Word))
            put(place, uint16_t(v));
        else
            put(place, uint8_t(v));
    } else if (t->isPointer()) {
        if (bop != ScriptOp::Add && bop != ScriptOp::Subtract) {
            report(ScriptForm::B, scriptmsg::kIllegalAssignment);
            return false;
        }
        if (!r.type->is(ScriptBasic::Integer) && !r.type->is(ScriptBasic::Unsigned)) {
            report(ScriptForm::B, scriptmsg::kPointerArithmetic);
            return false;
        }
        const int64_t n = r.type->is(ScriptBasic::Integer) ? int64_t(get<int32_t>(r.area))
                                                           : int64_t(get<uint32_t>(r.area));
        const int64_t step = n * int64_t(t->base->size);
        put(place, scriptPointerMove(get<uint64_t>(place), bop == ScriptOp::Add ? step : -step));
    } else if (t->is(ScriptBasic::String) && bop == ScriptOp::Add) {
        bool typeOk = true;
        char* s = appendText(*this, get<const char*>(place), r, typeOk);
        if (!typeOk) {
            report(scriptmsg::kCannotAssign, scriptmsg::kPrefix, scriptTypeName(r.type).c_str(),
                   scriptTypeName(t).c_str());
            return false;
        }
        if (!s) {
            report(ScriptForm::B, scriptmsg::kMemory);
            return false;
        }
        scriptFree(get<char*>(place));
        put(place, s);
    } else {
        report(ScriptForm::B, scriptmsg::kIllegalAssignment);
        (void)ln;
        return false;
    }
    return load(t, place, out.area);
}

bool ZRScriptContext::member(ScriptEntry& e, ScriptOp op, uint32_t nameToken) {
    const ScriptTok& nt = tok(nameToken);
    const std::string_view name = src->name(nt);
    const int ln = int(nt.line);
    if (e.kind == ScriptEntryKind::Type || e.kind == ScriptEntryKind::Operator) {
        report(ScriptForm::C, scriptmsg::kSyntax, ln);
        return false;
    }
    if (!resolve(e)) return false;
    if (op == ScriptOp::Arrow) {
        ScriptValue p;
        if (!valueOf(e, p)) return false;
        if (!p.type->isPointer()) {
            report(scriptmsg::kNotStructure, scriptmsg::kPrefix, scriptTypeName(p.type).c_str());
            destroyValue(p.type, p.area);
            return false;
        }
        dropEntry(e);
        e.kind = ScriptEntryKind::Value;
        e.type = p.type;
        std::memcpy(e.area, p.area, 16);
        if (!placeOf(e, nameToken)) return false;
    }
    // A process-wide function of one parameter of this type, then a FieldAccess hook, compute
    // the member; only then is the value taken as a structure.
    ScriptVariable* computed = globalFunction(name, nt.hash, 1, e.type);
    ScriptVariable* hook = nullptr;
    if (!computed && !e.type->isStruct()) {
        for (ScriptVariable* v =
                 global.variables.find("FieldAccess", scriptNameHash("FieldAccess"));
             v; v = v->older) {
            const ScriptType* f = v->type;
            if (f->isFunction() && f->members.size() == 2 && f->members[0].type == e.type &&
                f->members[1].type == bt.string && callable(v)) {
                hook = v;
                break;
            }
        }
    }
    if (computed || hook) {
        ScriptValue args[2];
        if (!valueOf(e, args[0])) return false;
        size_t count = 1;
        if (hook) {
            args[1].type = bt.string;
            char* s = scriptNewString(name);
            put(args[1].area, s);
            count = 2;
        }
        ScriptVariable* fn = computed ? computed : hook;
        ScriptValue result;
        bool known = false;
        uint64_t location = 0;
        const bool ok = callFunction(fn, args, count, result, ln, known, &location);
        for (size_t k = 0; k < count; ++k)
            destroyValue(args[k].type, args[k].area);
        if (!ok) {
            destroyValue(result.type, result.area);
            report(scriptmsg::kFunctionError, scriptmsg::kPrefix, fn->name.c_str());
            return false;
        }
        if (!known) {
            report(scriptmsg::kReturnsUnknown, scriptmsg::kPrefix, fn->name.c_str());
            return false;
        }
        dropEntry(e);
        e.kind = ScriptEntryKind::Value;
        e.variable = nullptr;
        e.type = result.type;
        std::memcpy(e.area, result.area, 16);
        if (location) {
            // The function told where its result lives: the member can be assigned.
            ScriptStorage* storage = nullptr;
            uint32_t offset = 0;
            if (scriptLocate(location, result.type, result.type->size, storage, offset) ==
                ScriptPointerFault::None) {
                destroyValue(e.type, e.area);
                e.kind = ScriptEntryKind::Ref;
                e.ref.storage = storage;
                e.ref.offset = offset;
            }
        }
        return true;
    }
    if (!e.type->isStruct()) {
        report(scriptmsg::kNotStructure, scriptmsg::kPrefix, scriptTypeName(e.type).c_str());
        return false;
    }
    const ScriptMember* m = e.type->member(name);
    if (!m) {
        report(scriptmsg::kNotMember, scriptmsg::kPrefix, std::string(name).c_str(),
               scriptTypeName(e.type).c_str());
        return false;
    }
    if (e.kind == ScriptEntryKind::Ref) {
        e.type = m->type;
        e.variable = nullptr;
        e.ref.offset += m->offset;
        return true;
    }
    // A member of a value (a function's result): a copy of the member.
    ScriptValue whole;
    valueOf(e, whole);
    const unsigned char* data =
        whole.type->isLarge() ? get<const unsigned char*>(whole.area) : whole.area;
    ScriptValue part{m->type, {}};
    const bool ok = load(m->type, data + m->offset, part.area);
    destroyValue(whole.type, whole.area);
    e.type = part.type;
    std::memcpy(e.area, part.area, 16);
    return ok;
}

bool ZRScriptContext::index(ScriptEntry& e, ScriptValue& indexValue, uint32_t pos) {
    const uint32_t i = get<uint32_t>(indexValue.area);
    if (e.kind == ScriptEntryKind::Type || e.kind == ScriptEntryKind::Operator) {
        report(ScriptForm::C, scriptmsg::kSyntax, line(pos));
        return false;
    }
    if (!resolve(e)) return false;
    if (e.kind == ScriptEntryKind::Ref && e.type->isArray()) {
        if (i >= e.type->count) {
            report(scriptmsg::kArrayAccess, scriptmsg::kPrefix,
                   e.variable ? e.variable->name.c_str() : "???", i);
            return false;
        }
        e.type = e.type->base;
        e.variable = nullptr;
        e.ref.offset += i * e.type->size;
        return true;
    }
    ScriptValue v;
    if (!valueOf(e, v)) return false;
    if (v.type->isPointer()) {
        dropEntry(e);
        e.kind = ScriptEntryKind::Value;
        e.type = v.type;
        put(e.area,
            scriptPointerMove(get<uint64_t>(v.area), int64_t(uint64_t(i) * v.type->base->size)));
        return placeOf(e, pos);
    }
    ScriptVariable* hook = nullptr;
    for (ScriptVariable* f = global.variables.find("IndexAccess", scriptNameHash("IndexAccess")); f;
         f = f->older) {
        const ScriptType* ft = f->type;
        if (ft->isFunction() && ft->members.size() == 2 && ft->members[0].type == v.type &&
            ft->members[1].type == bt.unsignedInt && callable(f)) {
            hook = f;
            break;
        }
    }
    if (!hook) {
        report(scriptmsg::kNotArray, scriptmsg::kPrefix, scriptTypeName(v.type).c_str());
        destroyValue(v.type, v.area);
        return false;
    }
    ScriptValue args[2] = {v, indexValue};
    ScriptValue result;
    bool known = false;
    uint64_t location = 0;
    const bool ok = callFunction(hook, args, 2, result, line(pos), known, &location);
    destroyValue(v.type, v.area);
    if (!ok || !known) {
        destroyValue(result.type, result.area);
        report(ok ? scriptmsg::kReturnsUnknown : scriptmsg::kFunctionError, scriptmsg::kPrefix,
               hook->name.c_str());
        return false;
    }
    dropEntry(e);
    e.kind = ScriptEntryKind::Value;
    e.variable = nullptr;
    e.type = result.type;
    std::memcpy(e.area, result.area, 16);
    if (location) {
        ScriptStorage* storage = nullptr;
        uint32_t offset = 0;
        if (scriptLocate(location, result.type, result.type->size, storage, offset) ==
            ScriptPointerFault::None) {
            destroyValue(e.type, e.area);
            e.kind = ScriptEntryKind::Ref;
            e.ref.storage = storage;
            e.ref.offset = offset;
        }
    }
    return true;
}
