#include "script/ScriptContext.h"
#include "script/ScriptMessages.h"

#include <cstring>

// Expressions are read in two steps. Collection pushes operands (values, places, names not yet
// resolved) and operators in text order; every call in every operand runs during collection,
// and member access and indexing are applied at once, so that they group from the left.
// Reduction then applies the operators in the order scriptPlanReduction gives, so that
// operators of equal strength group from the right: 10 - 4 - 3 is 9. An expression read before
// is replayed from its compiled form, and a plain one of integers only (no calls, no
// parenthesised parts) is evaluated from its integer form, which the integer executor runs
// (ScriptIntegerLoops.cpp).

namespace {

using Kind = ScriptTokenKind;

} // namespace

uint32_t ZRScriptContext::evaluate(uint32_t pos, bool run, ScriptDirect* direct) {
    if (!enterSyntax(pos)) return kScriptFail;
    if (run && !countStep(pos)) {
        leaveSyntax();
        return kScriptFail;
    }
    // An expression read before has its reduction order kept, and one of integers only its
    // integer form, which needs no value stack. (The end of an #include line is not kept.)
    ScriptCompiledPlace* code =
        run && exprStop == ScriptSource::kNoStop ? compiledPlace(pos, 1) : nullptr;
    if (code) {
        int32_t value = 0;
        // A lone operand stays a name on the stack (it may still be assigned to, `(x) = 1`);
        // only a caller that takes the value at once gets it directly.
        const ScriptPlainRun done = integerExpressionValue(*code, pos, direct != nullptr, value);
        if (done == ScriptPlainRun::Failed) {
            leaveSyntax();
            return kScriptFail;
        }
        if (done == ScriptPlainRun::Done) {
            if (direct) {
                direct->taken = true;
                direct->value = value;
            } else {
                ScriptEntry& e = stack.emplace_back();
                e.type = bt.integer;
                std::memcpy(e.area, &value, sizeof value);
            }
            lineNow = code->endLine;
            leaveSyntax();
            return code->end;
        }
    }
    return evaluateGeneral(pos, run, code, direct && direct->dropped);
}

uint32_t ZRScriptContext::evaluateGeneral(uint32_t pos, bool run, ScriptCompiledPlace* code,
                                          bool dropped) {
    const size_t base = stack.size();
    if (code && code->epoch == scriptNameEpoch()) return replay(*code, base, dropped);
    // Read from the text; a run that reads to the end compiles the expression for the next.
    const uint64_t epoch = scriptNameEpoch();
    std::vector<ScriptLeaf> leaves;
    std::vector<ScriptReductionStep> planned;
    const bool recording = code && code->users == 0;
    uint32_t end = collect(pos, run, false, recording ? &leaves : nullptr);
    const int endLine = lineNow;
    if (end != kScriptFail && run && stack.size() > base &&
        !reduce(base, end, nullptr, recording ? &planned : nullptr, dropped))
        end = kScriptFail;
    if (end == kScriptFail) {
        popEntries(base);
        leaveSyntax();
        return kScriptFail;
    }
    if (recording && code->users == 0 && epoch == scriptNameEpoch()) {
        code->leaves = std::move(leaves);
        code->steps = std::move(planned);
        code->end = end;
        code->endLine = endLine;
        code->epoch = epoch;
    }
    leaveSyntax();
    return end;
}

uint32_t ZRScriptContext::replay(ScriptCompiledPlace& code, size_t base, bool dropped) {
    struct Use {
        ScriptCompiledPlace& code;
        explicit Use(ScriptCompiledPlace& c) : code(c) { ++code.users; }
        ~Use() { --code.users; }
    } use(code);
    auto fail = [&]() {
        popEntries(base);
        leaveSyntax();
        return kScriptFail;
    };
    const uint64_t epoch = code.epoch;
    for (const ScriptLeaf& leaf : code.leaves) {
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
                report(ScriptForm::Plain, scriptmsg::kMemory);
                return fail();
            }
            ScriptEntry& e = stack.emplace_back();
            e.type = bt.string;
            scriptSetSlot(e.area, s);
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
            if (end == kScriptFail ||
                (stack.size() > base && !reduce(base, end, nullptr, nullptr, dropped)))
                return fail();
            leaveSyntax();
            return end;
        }
    }
    lineNow = code.endLine;
    if (stack.size() > base && !reduce(base, code.end, &code.steps, nullptr, dropped))
        return fail();
    leaveSyntax();
    return code.end;
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
        report(ScriptForm::AtLine, scriptmsg::kMissingParen, line(p));
        return false;
    }
    next = p + 1;
    if (run && stack.size() == before) {
        report(ScriptForm::AtLine, scriptmsg::kSyntax, line(p));
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
        report(ScriptForm::AtLine, scriptmsg::kMissingBracket, line(p));
        return false;
    }
    if (run) {
        ScriptValue raw, index;
        if (stack.size() == before || !popValue(raw)) {
            destroyValue(raw.type, raw.area);
            report(ScriptForm::AtLine, scriptmsg::kIllegalIndex, line(p));
            return false;
        }
        const bool ok = convert(index.area, bt.unsignedInt, raw.area, raw.type);
        destroyValue(raw.type, raw.area);
        if (!ok) {
            report(ScriptForm::AtLine, scriptmsg::kIllegalIndex, line(p));
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
            scriptSetSlot(literal.area, t.v.i);
            break;
        case Kind::Unsigned:
            literal.type = bt.unsignedInt;
            scriptSetSlot(literal.area, t.v.u);
            break;
        case Kind::Float:
            literal.type = bt.floating;
            scriptSetSlot(literal.area, t.v.f);
            break;
        case Kind::Double:
            literal.type = bt.doubleReal;
            scriptSetSlot(literal.area, t.v.d);
            break;
        case Kind::Char:
            literal.type = bt.character;
            scriptSetSlot(literal.area, t.v.c);
            break;
        case Kind::String:
            literal.type = bt.string;
            if (run) {
                char* s = scriptNewString(src->literal(t));
                if (!s) {
                    report(ScriptForm::Plain, scriptmsg::kMemory);
                    return kScriptFail;
                }
                scriptSetSlot(literal.area, s);
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
                scriptSetSlot(literal.area, uint32_t(0));
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
                report(ScriptForm::AtLine, scriptmsg::kSyntax, int(t.line));
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
                    report(ScriptForm::Ellipsis, scriptmsg::kSyntax);
                    return kScriptFail;
                }
                if (!operand) {
                    report(ScriptForm::AtLine, scriptmsg::kSyntax, int(t.line));
                    return kScriptFail;
                }
                if (ScriptLeaf* leaf = start(ScriptLeaf::Kind::Member)) leaf->op = op;
                if (run && !member(stack.back(), op, pos + 1)) return kScriptFail;
                pos += 2;
                continue;
            }
            ScriptFixity fixity = ScriptFixity::Binary;
            if (scriptIsStep(op)) {
                fixity = operand ? ScriptFixity::Postfix : ScriptFixity::Prefix;
            } else if (!operand && scriptMayBePrefix(op)) {
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
            report(ScriptForm::AtLine, scriptmsg::kSyntax, int(t.line));
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
                             std::vector<ScriptReductionStep>* planned, bool dropped) {
    const size_t n = stack.size() - base;
    std::vector<ScriptReductionStep> own;
    if (!steps && n == 1 && stack[base].isOperand()) {
        if (planned) planned->clear();
        return true; // nothing to plan
    }
    if (!steps && n == 3 && stack[base + 1].kind == ScriptEntryKind::Operator &&
        stack[base + 1].fixity == ScriptFixity::Binary && stack[base].isOperand() &&
        stack[base + 2].isOperand()) {
        // The common `a op b`: nothing to plan.
        if (planned) *planned = {ScriptReductionStep{ScriptReductionStep::Kind::Binary, 1, 0, 2}};
        return applyBinary(base + 1, base, base + 2, endPos, dropped) &&
               (popEntries(base + 1), true);
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
            // The last step's result is the expression's.
            ok = applyBinary(base + step.op, base + step.left, base + step.right, endPos,
                             dropped && &step == &steps->back());
            break;
        case ScriptReductionStep::Kind::Prefix:
            ok = applyPrefix(base + step.op, base + step.right, endPos);
            break;
        case ScriptReductionStep::Kind::Postfix:
            ok = applyPostfix(base + step.op, base + step.left, endPos);
            break;
        case ScriptReductionStep::Kind::Fail:
            report(ScriptForm::Sentence, scriptmsg::kIllegalExpression);
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
