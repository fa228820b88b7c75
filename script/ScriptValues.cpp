#include "script/ScriptContext.h"
#include "script/ScriptMessages.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace {

double realOf(const ScriptType* t, const void* p) {
    return t->is(ScriptBasic::Float) ? double(scriptSlot<float>(p)) : scriptSlot<double>(p);
}

// "%f" without regard to the process locale.
std::string fixedText(double x) {
    char buffer[400];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed, 6);
    return std::string(buffer, r.ptr);
}

} // namespace

void ZRScriptContext::destroyAt(ScriptType* type, unsigned char* data) {
    if (!type->hasStrings) return;
    switch (type->kind) {
    case ScriptTypeKind::Basic: {
        scriptFree(scriptSlot<char*>(data));
        scriptSetSlot<char*>(data, nullptr);
        break;
    }
    case ScriptTypeKind::Struct:
        for (const ScriptMember& m : type->members)
            if (!m.type->isFunction()) destroyAt(m.type, data + m.offset);
        break;
    case ScriptTypeKind::Array:
        for (uint32_t i = 0; i < type->count; ++i)
            destroyAt(type->base, data + size_t(i) * type->base->size);
        break;
    default:
        break;
    }
}

void ZRScriptContext::destroyValueSlow(ScriptType* type, void* area) {
    if (global.deleteHooks && !inDeleteHook) {
        if (ScriptVariable* hook = findHook(global.deleteHooks, type, nullptr, false)) {
            // The hook sees the value before it goes; values it makes itself are not hooked.
            inDeleteHook = true;
            ScriptValue arg{type, {}};
            std::memcpy(arg.area, area, sizeof arg.area);
            ScriptValue result;
            bool known = false;
            callFunction(hook, &arg, 1, result, lineNow, known);
            destroyValue(result.type, result.area);
            destroyValue(type, area);
            inDeleteHook = false;
            return;
        }
    }
    if (type->isLarge()) {
        unsigned char* block = scriptSlot<unsigned char*>(area);
        if (block) {
            destroyAt(type, block);
            scriptDeleteBlock(block);
        }
        std::memset(area, 0, 16);
        return;
    }
    destroyAt(type, static_cast<unsigned char*>(area));
}

bool ZRScriptContext::copyAt(ScriptType* type, unsigned char* dst, const unsigned char* src) {
    if (!type->hasStrings) {
        std::memcpy(dst, src, type->size);
        return true;
    }
    switch (type->kind) {
    case ScriptTypeKind::Basic: {
        const char* s = scriptSlot<const char*>(src);
        char* copy = nullptr;
        if (s && !(copy = scriptNewString(s))) {
            scriptSetSlot<char*>(dst, nullptr);
            report(ScriptForm::Plain, scriptmsg::kMemory);
            return false;
        }
        scriptSetSlot<char*>(dst, copy);
        return true;
    }
    case ScriptTypeKind::Struct: {
        bool ok = true;
        for (const ScriptMember& m : type->members)
            ok = copyAt(m.type, dst + m.offset, src + m.offset) && ok;
        return ok;
    }
    case ScriptTypeKind::Array: {
        bool ok = true;
        const size_t es = type->base->size;
        for (uint32_t i = 0; i < type->count; ++i)
            ok = copyAt(type->base, dst + i * es, src + i * es) && ok;
        return ok;
    }
    default:
        std::memcpy(dst, src, type->size);
        return true;
    }
}

bool ZRScriptContext::load(ScriptType* type, const unsigned char* data, void* area) {
    std::memset(area, 0, 16);
    if (!type->isLarge()) return copyAt(type, static_cast<unsigned char*>(area), data);
    unsigned char* block = scriptNewBlock(type->size, type);
    if (!block) {
        report(ScriptForm::Plain, scriptmsg::kMemory);
        return false;
    }
    scriptSetSlot(area, block);
    return copyAt(type, block, data);
}

void ZRScriptContext::store(ScriptType* type, unsigned char* data, void* area) {
    if (type->isFunction()) scriptBumpVariableEpoch(); // a function may be bound anew
    destroyAt(type, data);
    if (!type->isLarge()) {
        std::memcpy(data, area, type->size);
    } else if (unsigned char* block = scriptSlot<unsigned char*>(area)) {
        std::memcpy(data, block, type->size);
        scriptDeleteBlock(block); // the strings inside moved to `data`
    } else {
        std::memset(data, 0, type->size);
    }
    std::memset(area, 0, 16);
}

ScriptVariable* ZRScriptContext::findHook(ScriptVariable* head, ScriptType* param,
                                          ScriptType* result, bool checkResult) {
    for (ScriptVariable* v = head; v; v = v->older) {
        const ScriptType* f = v->type;
        if (!f->isFunction() || f->members.size() != 1 || f->members[0].type != param) continue;
        if (checkResult && f->base != result) continue;
        if (callable(v)) return v;
    }
    return nullptr;
}

std::string ZRScriptContext::numberText(ScriptType* type, const void* area) const {
    switch (type->basic) {
    case ScriptBasic::Integer:
        return std::to_string(scriptSlot<int32_t>(area));
    case ScriptBasic::Word:
        return std::to_string(scriptSlot<uint16_t>(area));
    case ScriptBasic::Char:
        return std::to_string(int(scriptSlot<int8_t>(area)));
    case ScriptBasic::Float:
    case ScriptBasic::Double:
        return fixedText(realOf(type, area));
    default:
        return {};
    }
}

bool ZRScriptContext::convert(void* dst, ScriptType* dt, const void* src, ScriptType* st) {
    std::memset(dst, 0, 16);
    if (dt == st && !dt->isArray()) {
        if (dt->is(ScriptBasic::String)) {
            const char* text = scriptSlot<const char*>(src);
            char* copy = nullptr;
            if (text && !(copy = scriptNewString(text))) {
                report(ScriptForm::Spaced, scriptmsg::kMemory);
                return false;
            }
            scriptSetSlot(dst, copy);
            return true;
        }
        if (!dt->isLarge())
            return copyAt(dt, static_cast<unsigned char*>(dst),
                          static_cast<const unsigned char*>(src));
        return load(dt, scriptSlot<const unsigned char*>(src), dst);
    }
    const ScriptBasic s = st->kind == ScriptTypeKind::Basic ? st->basic : ScriptBasic::None;
    const bool srcInt = s == ScriptBasic::Integer || s == ScriptBasic::Unsigned;

    enum class Rule { Done, Fail, Hook, HookRaw };
    Rule rule = Rule::HookRaw;
    size_t rawLimit = 4;

    if (dt->is(ScriptBasic::Integer) || dt->is(ScriptBasic::Unsigned)) {
        rule = Rule::Done;
        if (srcInt)
            scriptSetSlot(dst, scriptSlot<uint32_t>(src));
        else if (s == ScriptBasic::Word)
            scriptSetSlot(dst, uint32_t(scriptSlot<uint16_t>(src)));
        else if (s == ScriptBasic::Char)
            scriptSetSlot(dst, uint32_t(scriptSlot<uint8_t>(src)));
        else if (st->isReal()) {
            const int64_t v = scriptRealToInteger(realOf(st, src), true);
            if (dt->is(ScriptBasic::Integer) || v < 0)
                scriptSetSlot(dst, scriptSaturateInt(v));
            else
                scriptSetSlot(dst, uint32_t(v));
        } else if (s == ScriptBasic::String) {
            // A number that is 0 exactly for a null string (the address itself is not shown).
            const auto a = uintptr_t(scriptSlot<const char*>(src));
            const uint32_t folded = uint32_t(a) ^ uint32_t(uint64_t(a) >> 32);
            scriptSetSlot(dst, a ? (folded ? folded : 1u) : 0u);
        } else if (st->isPointer())
            scriptSetSlot(dst, scriptPointerAddress(scriptSlot<uint64_t>(src)));
        else
            rule = Rule::HookRaw;
    } else if (dt->isReal()) {
        rule = Rule::Done;
        double x = 0;
        if (s == ScriptBasic::Integer)
            x = scriptSlot<int32_t>(src);
        else if (s == ScriptBasic::Unsigned)
            x = scriptSlot<uint32_t>(src);
        else if (s == ScriptBasic::Word)
            x = scriptSlot<int16_t>(src);
        else if (s == ScriptBasic::Char)
            x = scriptSlot<uint8_t>(src);
        else if (st->isReal())
            x = realOf(st, src);
        else
            rule = Rule::HookRaw;
        if (rule == Rule::Done) {
            if (dt->is(ScriptBasic::Float))
                scriptSetSlot(dst, float(x));
            else
                scriptSetSlot(dst, x);
        }
    } else if (dt->is(ScriptBasic::Word)) {
        rule = Rule::Done;
        rawLimit = 2;
        if (srcInt)
            scriptSetSlot(dst, uint16_t(scriptSlot<uint32_t>(src)));
        else if (s == ScriptBasic::Char)
            scriptSetSlot(dst, int16_t(scriptSlot<int8_t>(src)));
        else if (st->isReal())
            scriptSetSlot(dst, uint16_t(uint32_t(
                                   scriptSaturateInt(scriptRealToInteger(realOf(st, src), true)))));
        else
            rule = Rule::HookRaw;
    } else if (dt->is(ScriptBasic::Char)) {
        rule = Rule::Done;
        if (srcInt)
            scriptSetSlot(dst, uint8_t(scriptSlot<uint32_t>(src)));
        else if (s == ScriptBasic::Word)
            scriptSetSlot(dst, uint8_t(scriptSlot<uint16_t>(src)));
        else if (st->isReal())
            scriptSetSlot(
                dst,
                uint8_t(uint32_t(scriptSaturateInt(scriptRealToInteger(realOf(st, src), false)))));
        else if (s == ScriptBasic::String) {
            const char* text = scriptSlot<const char*>(src);
            scriptSetSlot(dst, text ? text[0] : '\0');
        } else
            rule = Rule::Hook;
    } else if (dt->is(ScriptBasic::String)) {
        rule = Rule::Done;
        std::string text;
        if (s == ScriptBasic::Integer || s == ScriptBasic::Word || s == ScriptBasic::Char ||
            st->isReal()) {
            text = numberText(st, src);
        } else if (s == ScriptBasic::Unsigned) {
            // No text form: a null string, with a message unless the number is 0.
            if (scriptSlot<uint32_t>(src) != 0)
                report(scriptmsg::kCannotConvert, scriptmsg::kPrefix, "unsigned", "string");
            return true;
        } else if (st->isPointer() && st->base && st->base->is(ScriptBasic::Char)) {
            const uint64_t p = scriptSlot<uint64_t>(src);
            if (p == 0) return true;
            ScriptStorage* storage = nullptr;
            uint32_t offset = 0;
            const ScriptPointerFault fault = scriptLocate(p, nullptr, 0, storage, offset);
            if (fault != ScriptPointerFault::None) {
                reportPointerFault(fault, lineNow);
                return false;
            }
            // The characters up to the NUL, or to the end of the region.
            const unsigned char* from = storage->base + offset;
            size_t n = 0;
            while (offset + n < storage->size && from[n] != 0)
                ++n;
            if (scriptLocate(p, nullptr, uint32_t(n), storage, offset) !=
                ScriptPointerFault::None) {
                reportPointerFault(ScriptPointerFault::Type, lineNow);
                return false;
            }
            text.assign(reinterpret_cast<const char*>(from), n);
        } else {
            rule = Rule::Hook;
        }
        if (rule == Rule::Done) {
            char* copy = scriptNewString(text);
            if (!copy) {
                report(ScriptForm::SpacedSentence, scriptmsg::kMemory);
                return false;
            }
            scriptSetSlot(dst, copy);
        }
    } else if (dt->isPointer() || dt->isFunction()) {
        rule = Rule::Fail;
        if (s == ScriptBasic::Unsigned) {
            const uint32_t value = scriptSlot<uint32_t>(src);
            if (dt->isPointer()) {
                scriptSetSlot(dst, scriptPointerFromAddress(value));
                rule = Rule::Done;
            } else if (const ScriptNativeEntry* e = scriptFindNative(value);
                       e && e->signature == scriptSignature(dt)) {
                // A function binds only a registered native of its own signature.
                scriptSetSlot(dst, uint64_t(value));
                rule = Rule::Done;
            }
        } else if (st->isPointer() && dt->isPointer()) {
            scriptSetSlot(dst, scriptSlot<uint64_t>(src));
            rule = Rule::Done;
        }
    } else if (dt->isStruct()) {
        rule = Rule::Fail;
    } else if (dt->isArray() || st->isArray()) {
        rule = Rule::Fail;
    }
    if (rule == Rule::Done) return true;

    if (rule != Rule::Fail && global.conversionHooks) {
        if (ScriptVariable* hook = findHook(global.conversionHooks, st, dt, true)) {
            ScriptValue arg{st, {}};
            std::memcpy(arg.area, src, 16);
            ScriptValue result;
            bool known = false;
            // The argument area is borrowed: the hook must not own it.
            const bool ok = callFunction(hook, &arg, 1, result, 0, known);
            if (ok && result.type == dt) {
                std::memcpy(dst, result.area, 16);
                return true;
            }
            destroyValue(result.type, result.area);
            report(scriptmsg::kFunctionError, scriptmsg::kPrefix, hook->name.c_str());
            report(scriptmsg::kConvertFailed, scriptmsg::kPrefix, scriptTypeName(st).c_str(),
                   scriptTypeName(dt).c_str());
            std::memset(dst, 0, 16);
            return false;
        }
    }
    if (rule == Rule::HookRaw && !st->isLarge() && st->size >= 1 && st->size <= rawLimit &&
        !dt->isLarge() && !dt->hasStrings && !st->hasStrings) {
        std::memcpy(dst, src, st->size);
        return true;
    }
    report(scriptmsg::kCannotConvert, scriptmsg::kPrefix, scriptTypeName(st).c_str(),
           scriptTypeName(dt).c_str());
    std::memset(dst, 0, 16);
    return false;
}

bool ZRScriptContext::toInteger(const ScriptValue& v, int32_t& out) {
    alignas(8) unsigned char area[16];
    const bool ok = convert(area, bt.integer, v.area, v.type);
    out = scriptSlot<int32_t>(area);
    return ok;
}
