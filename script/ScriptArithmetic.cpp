#include "script/ScriptContext.h"
#include "script/ScriptIntegerOps.h"
#include "script/ScriptMessages.h"

#include <cmath>
#include <cstdio>
#include <cstring>

// The operators of a reduction step applied to settled operands: integers take a short path,
// everything else is read into owned values and computed by type (arithmetic, comparison,
// assignment in place).

namespace {

// The arithmetic rules on unsigned integers (wrapping) and reals; 32-bit integers take
// scriptIntegerRule. An unsigned zero divisor gives 0, a real one when `zeroDivisorGivesZero`.
template <class T> T arithmeticRule(ScriptOpRule rule, T a, T b, bool zeroDivisorGivesZero) {
    switch (rule) {
    case ScriptOpRule::Add:
        return a + b;
    case ScriptOpRule::Subtract:
        return a - b;
    case ScriptOpRule::Multiply:
        return a * b;
    default:
        return (zeroDivisorGivesZero && b == T(0)) ? T(0) : a / b;
    }
}

// The text that `+` appends to a string for a right operand; false for types without one.
bool appendedText(ZRScriptContext& ctx, const ScriptValue& r, std::string& out,
                  const char*& borrowed) {
    const ScriptType* t = r.type;
    borrowed = nullptr;
    char buffer[32];
    if (t->is(ScriptBasic::String)) {
        borrowed = scriptSlot<const char*>(r.area);
    } else if (t->is(ScriptBasic::Integer)) {
        out = std::to_string(scriptSlot<int32_t>(r.area));
    } else if (t->is(ScriptBasic::Word)) {
        out = std::to_string(scriptSlot<uint16_t>(r.area));
    } else if (t->is(ScriptBasic::Unsigned)) {
        std::snprintf(buffer, sizeof buffer, "0x%X", scriptSlot<uint32_t>(r.area));
        out = buffer;
    } else if (t->isReal()) {
        out = ctx.numberText(const_cast<ScriptType*>(t), r.area);
    } else if (t->is(ScriptBasic::Char)) {
        // The character's number, sign-extended and printed unsigned.
        out = std::to_string(uint32_t(int32_t(scriptSlot<int8_t>(r.area))));
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

bool ZRScriptContext::applyPostfix(size_t i, size_t l, uint32_t endPos) {
    if (!stack[l].isOperand() || stack[l].kind == ScriptEntryKind::Type) {
        report(ScriptForm::Sentence, scriptmsg::kIllegalExpression);
        return false;
    }
    const ScriptOp op = stack[i].op;
    ScriptEntry& target = stack[l];
    ScriptValue one{bt.integer, {}};
    scriptSetSlot(one.area, int32_t(1));
    ScriptValue old, result;
    if (target.kind == ScriptEntryKind::Value) {
        report(ScriptForm::Sentence, scriptmsg::kUnsupported);
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
    stack[l].holdValue(old.type, old.area);
    return true;
}

bool ZRScriptContext::applyPrefix(size_t i, size_t r, uint32_t endPos) {
    const ScriptOp op = stack[i].op;
    ScriptType* castType = stack[i].type;
    ScriptEntry& operandEntry = stack[r];
    ScriptValue result;
    if (operandEntry.kind == ScriptEntryKind::Type) {
        report(ScriptForm::Sentence, scriptmsg::kIllegalExpression);
        return false;
    }
    switch (op) {
    case ScriptOp::Increment:
    case ScriptOp::Decrement: {
        if (operandEntry.kind == ScriptEntryKind::Value) {
            report(ScriptForm::Sentence, scriptmsg::kUnsupported);
            return false;
        }
        if (!resolve(operandEntry)) return false;
        ScriptValue one{bt.integer, {}};
        scriptSetSlot(one.area, int32_t(1));
        if (!assign(operandEntry, op, one, result, endPos)) return false;
        break;
    }
    case ScriptOp::BitAnd: {
        if (operandEntry.kind == ScriptEntryKind::Value) {
            report(ScriptForm::Sentence, scriptmsg::kUnsupported);
            return false;
        }
        if (!resolve(operandEntry)) return false;
        const uint64_t p = scriptPointerTo(*operandEntry.ref.storage, operandEntry.ref.offset);
        if (!p) {
            report(ScriptForm::Plain, scriptmsg::kMemory);
            return false;
        }
        result.type = internPointer(operandEntry.type, false);
        scriptSetSlot(result.area, p);
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
        operandEntry.holdValue(v.type, v.area);
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
                   (v.type->is(ScriptBasic::Integer) || v.type->isReal())) {
            result.type = v.type;
            if (v.type->is(ScriptBasic::Integer))
                scriptSetSlot(result.area, scriptIntegerPrefix(op, scriptSlot<int32_t>(v.area)));
            else if (v.type->is(ScriptBasic::Float))
                scriptSetSlot(result.area, -scriptSlot<float>(v.area));
            else
                scriptSetSlot(result.area, -scriptSlot<double>(v.area));
        } else if (op == ScriptOp::Not &&
                   (v.type->is(ScriptBasic::Integer) || v.type->is(ScriptBasic::Unsigned))) {
            result.type = bt.integer;
            scriptSetSlot(result.area, scriptIntegerPrefix(op, scriptSlot<int32_t>(v.area)));
        } else if (op == ScriptOp::Not && v.type->is(ScriptBasic::Char)) {
            result.type = bt.character;
            scriptSetSlot(result.area, char(scriptSlot<char>(v.area) == 0));
        } else {
            report(ScriptForm::Sentence, scriptmsg::kNotSupported);
            ok = false;
        }
        destroyValue(v.type, v.area);
        if (!ok) return false;
        break;
    }
    }
    dropEntry(operandEntry);
    stack[i].holdValue(result.type, result.area);
    return true;
}

int ZRScriptContext::integerBinary(size_t i, size_t l, size_t r) {
    // Both operands integers: the result without copying values around. Names are resolved
    // left first, as the general path does.
    ScriptEntry& left = stack[l];
    ScriptEntry& right = stack[r];
    const ScriptOp op = stack[i].op;
    const bool assigning = scriptIsAssignment(op);
    if (!scriptIntegerOperator(op)) return 0;
    if (left.kind == ScriptEntryKind::Type || right.kind == ScriptEntryKind::Type) return 0;
    if (assigning && left.kind != ScriptEntryKind::Ref && left.kind != ScriptEntryKind::Name)
        return 0;
    if (!resolve(left) || !resolve(right)) return -1;
    if (left.type != bt.integer || right.type != bt.integer) return 0;
    if (assigning && left.kind != ScriptEntryKind::Ref) return 0;
    const int32_t b = right.kind == ScriptEntryKind::Value ? scriptSlot<int32_t>(right.area)
                                                           : scriptSlot<int32_t>(right.place());
    const int32_t a = left.kind == ScriptEntryKind::Value ? scriptSlot<int32_t>(left.area)
                                                          : scriptSlot<int32_t>(left.place());
    const int32_t result = scriptIntegerBinary(op, a, b);
    if (assigning) scriptSetSlot(left.place(), result);
    consume(i);
    consume(r);
    ScriptEntry& slot = stack[l];
    slot.kind = ScriptEntryKind::Value;
    slot.variable = nullptr;
    slot.type = bt.integer;
    std::memset(slot.area, 0, sizeof slot.area);
    scriptSetSlot(slot.area, result);
    return 1;
}

bool ZRScriptContext::applyBinary(size_t i, size_t li, size_t ri, uint32_t endPos, bool dropped) {
    if (const int fast = integerBinary(i, li, ri); fast != 0) return fast > 0;
    const ScriptOp op = stack[i].op;
    ScriptEntry& left = stack[li];
    ScriptEntry& right = stack[ri];
    const ScriptOpRule rule = scriptOperator(op).rule;
    ScriptValue r, l, result;
    bool ok = true;
    if (scriptIsAssignment(op)) {
        if (left.kind != ScriptEntryKind::Ref && left.kind != ScriptEntryKind::Name) {
            report(ScriptForm::Sentence, scriptmsg::kIllegalAssignment);
            return false;
        }
        if (!resolve(left) || !valueOf(right, r)) return false;
        ok = assign(left, op, r, result, endPos, dropped);
    } else if (rule == ScriptOpRule::Unsupported) {
        report(ScriptForm::Sentence, scriptmsg::kUnsupported);
        return false;
    } else {
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
        if (scriptIsArithmetic(rule))
            ok = arithmetic(op, l, r, result, endPos);
        else
            ok = compare(op, l, r, result);
        if (borrowed) l = ScriptValue{};
    }
    destroyValue(l.type, l.area);
    destroyValue(r.type, r.area);
    if (!ok) return false;
    dropEntry(left);
    consume(ri);
    consume(i);
    stack[li].holdValue(result.type, result.area);
    return true;
}

bool ZRScriptContext::arithmetic(ScriptOp op, ScriptValue& l, ScriptValue& r, ScriptValue& out,
                                 uint32_t pos) {
    const ScriptOpRule rule = scriptOperator(op).rule;
    if (l.type->is(ScriptBasic::String) && rule == ScriptOpRule::Add) {
        bool typeOk = true;
        char* s = appendText(*this, scriptSlot<const char*>(l.area), r, typeOk);
        if (!typeOk) {
            report(scriptmsg::kCannotAssign, scriptmsg::kPrefix, scriptTypeName(r.type).c_str(),
                   scriptTypeName(l.type).c_str());
            return false;
        }
        if (!s) {
            report(ScriptForm::Plain, scriptmsg::kMemory);
            return false;
        }
        out.type = bt.string;
        scriptSetSlot(out.area, s);
        return true;
    }
    if (l.type->isPointer() && (rule == ScriptOpRule::Add || rule == ScriptOpRule::Subtract)) {
        if (!r.type->is(ScriptBasic::Integer)) {
            report(ScriptForm::Plain, scriptmsg::kPointerArithmetic);
            return false;
        }
        const int64_t step = int64_t(scriptSlot<int32_t>(r.area)) * int64_t(l.type->base->size);
        out.type = l.type;
        scriptSetSlot(out.area, scriptPointerMove(scriptSlot<uint64_t>(l.area),
                                                  rule == ScriptOpRule::Add ? step : -step));
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
            scriptSetSlot(out.area,
                          arithmeticRule(rule, scriptSlot<double>(a), scriptSlot<double>(b), true));
        else
            scriptSetSlot(out.area,
                          arithmeticRule(rule, scriptSlot<float>(a), scriptSlot<float>(b), true));
        return true;
    }
    if (lInt && rInt) {
        out.type = bt.integer;
        scriptSetSlot(out.area, scriptIntegerRule(rule, scriptSlot<int32_t>(l.area),
                                                  scriptSlot<int32_t>(r.area)));
        return true;
    }
    if (lInt) {
        out.type = bt.integer;
        scriptSetSlot(out.area, scriptSlot<int32_t>(l.area));
        return true;
    }
    if (rInt) {
        out.type = bt.integer;
        scriptSetSlot(out.area, scriptIntegerRule(rule, 0, scriptSlot<int32_t>(r.area)));
        return true;
    }
    (void)pos;
    report(ScriptForm::Sentence, scriptmsg::kNotSupported);
    return false;
}

bool ZRScriptContext::compare(ScriptOp op, ScriptValue& l, ScriptValue& r, ScriptValue& out) {
    const ScriptOpRule rule = scriptOperator(op).rule;
    out.type = bt.integer;
    ScriptType *lt = l.type, *rt = r.type;
    int32_t result = 0;
    auto relation = [&](auto a, auto b) { return scriptRelation(rule, a, b) != 0; };
    if (lt->isReal() || rt->isReal()) {
        if (!lt->isNumeric() || !rt->isNumeric()) {
            report(ScriptForm::Sentence, scriptmsg::kIncompatible);
            return false;
        }
        // Reals are equal when closer than 0.000001, in the wider type of the two.
        auto reals = [&](auto zero, ScriptType* type) {
            using Real = decltype(zero);
            alignas(8) unsigned char a[16], b[16];
            convert(a, type, l.area, lt);
            convert(b, type, r.area, rt);
            const Real x = scriptSlot<Real>(a), y = scriptSlot<Real>(b);
            const bool close = std::fabs(x - y) < Real(0.000001);
            if (rule == ScriptOpRule::Equal) return int32_t(close);
            if (rule == ScriptOpRule::NotEqual) return int32_t(!close);
            return int32_t(relation(x, y));
        };
        result = lt->is(ScriptBasic::Double) || rt->is(ScriptBasic::Double)
                     ? reals(0.0, bt.doubleReal)
                     : reals(0.0f, bt.floating);
        scriptSetSlot(out.area, result);
        return true;
    }
    const bool logical = rule == ScriptOpRule::And || rule == ScriptOpRule::Or;
    if (lt->is(ScriptBasic::String) && rt->is(ScriptBasic::String) && !logical) {
        const char* a = scriptSlot<const char*>(l.area);
        const char* b = scriptSlot<const char*>(r.area);
        const int c = std::strcmp(a ? a : "", b ? b : "");
        // != gives the comparison's result itself, not 1.
        result = rule == ScriptOpRule::NotEqual ? c : relation(c, 0);
        scriptSetSlot(out.area, result);
        return true;
    }
    auto integral = [](const ScriptType* t) {
        return (t->kind == ScriptTypeKind::Basic) || t->isPointer();
    };
    if (lt->is(ScriptBasic::Integer) || rt->is(ScriptBasic::Integer) || logical) {
        if (!integral(lt) || !integral(rt)) {
            report(ScriptForm::Sentence, scriptmsg::kIncompatible);
            return false;
        }
        alignas(8) unsigned char a[16], b[16];
        convert(a, bt.integer, l.area, lt);
        convert(b, bt.integer, r.area, rt);
        result = relation(scriptSlot<int32_t>(a), scriptSlot<int32_t>(b));
        scriptSetSlot(out.area, result);
        return true;
    }
    report(ScriptForm::Sentence, (lt->is(ScriptBasic::String) || rt->is(ScriptBasic::String))
                                     ? scriptmsg::kIncompatible
                                     : scriptmsg::kNotSupported);
    return false;
}

bool ZRScriptContext::assign(ScriptEntry& target, ScriptOp op, ScriptValue& r, ScriptValue& out,
                             uint32_t pos, bool dropped) {
    ScriptType* t = target.type;
    unsigned char* place = target.place();
    // The stored value as the assignment's result; a string that nobody reads is not copied
    // (no hook can tell, none watching values go).
    auto result = [&]() {
        out.type = t;
        if (dropped && t->is(ScriptBasic::String) && !global.deleteHooks) {
            scriptSetSlot(out.area, static_cast<char*>(nullptr));
            return true;
        }
        return load(t, place, out.area);
    };
    const int ln = line(pos);
    if (op == ScriptOp::Assign) {
        alignas(8) unsigned char area[16];
        if (r.type == t && t->is(ScriptBasic::String) && !global.deleteHooks) {
            // `r` is the caller's own copy: the text moves instead of being copied again (no
            // hook can tell, none watching values go).
            std::memcpy(area, r.area, sizeof area);
            r = ScriptValue{};
        } else if (!convert(area, t, r.area, r.type)) {
            report(scriptmsg::kCannotAssign, scriptmsg::kPrefix, scriptTypeName(r.type).c_str(),
                   scriptTypeName(t).c_str());
            // A function's name keeps its function: the area holds no function, and storing it
            // would lose the function for every later run.
            if (t->isFunction()) return false;
            // Any other target takes a zero value and the script reads on, as after a failed
            // initialisation.
            std::memset(area, 0, sizeof area);
        }
        if (t->isArray()) {
            out.type = t->base ? internPointer(t->base, false) : nullptr;
            scriptSetSlot(out.area, uint64_t(0));
            return out.type != nullptr;
        }
        store(t, place, area);
        return result();
    }
    const bool increment = scriptIsStep(op);
    const ScriptOpRule rule = scriptOperator(op).rule;
    if (increment && !(t->is(ScriptBasic::Integer) || t->is(ScriptBasic::Unsigned) || t->isReal() ||
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
            scriptSetSlot(place, arithmeticRule(rule, scriptSlot<double>(place),
                                                scriptSlot<double>(conv), false));
        else if (t->is(ScriptBasic::Float))
            scriptSetSlot(place, arithmeticRule(rule, scriptSlot<float>(place),
                                                scriptSlot<float>(conv), false));
        else if (t->is(ScriptBasic::Integer))
            scriptSetSlot(place, scriptIntegerRule(rule, scriptSlot<int32_t>(place),
                                                   scriptSlot<int32_t>(conv)));
        else
            scriptSetSlot(place, arithmeticRule(rule, scriptSlot<uint32_t>(place),
                                                scriptSlot<uint32_t>(conv), true));
    } else if (t->is(ScriptBasic::Word) || t->is(ScriptBasic::Char)) {
        convert(conv, bt.integer, r.area, r.type);
        const int32_t current = t->is(ScriptBasic::Word) ? int32_t(scriptSlot<uint16_t>(place))
                                                         : int32_t(scriptSlot<int8_t>(place));
        const int32_t v = scriptIntegerRule(rule, current, scriptSlot<int32_t>(conv));
        if (t->is(ScriptBasic::Word))
            scriptSetSlot(place, uint16_t(v));
        else
            scriptSetSlot(place, uint8_t(v));
    } else if (t->isPointer()) {
        if (rule != ScriptOpRule::Add && rule != ScriptOpRule::Subtract) {
            report(ScriptForm::Plain, scriptmsg::kIllegalAssignment);
            return false;
        }
        if (!r.type->is(ScriptBasic::Integer) && !r.type->is(ScriptBasic::Unsigned)) {
            report(ScriptForm::Plain, scriptmsg::kPointerArithmetic);
            return false;
        }
        const int64_t n = r.type->is(ScriptBasic::Integer) ? int64_t(scriptSlot<int32_t>(r.area))
                                                           : int64_t(scriptSlot<uint32_t>(r.area));
        const int64_t step = n * int64_t(t->base->size);
        scriptSetSlot(place, scriptPointerMove(scriptSlot<uint64_t>(place),
                                               rule == ScriptOpRule::Add ? step : -step));
    } else if (t->is(ScriptBasic::String) && rule == ScriptOpRule::Add) {
        bool typeOk = true;
        char* s = appendText(*this, scriptSlot<const char*>(place), r, typeOk);
        if (!typeOk) {
            report(scriptmsg::kCannotAssign, scriptmsg::kPrefix, scriptTypeName(r.type).c_str(),
                   scriptTypeName(t).c_str());
            return false;
        }
        if (!s) {
            report(ScriptForm::Plain, scriptmsg::kMemory);
            return false;
        }
        scriptFree(scriptSlot<char*>(place));
        scriptSetSlot(place, s);
    } else {
        report(ScriptForm::Plain, scriptmsg::kIllegalAssignment);
        (void)ln;
        return false;
    }
    return result();
}
