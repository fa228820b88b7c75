#include "script/ScriptContext.h"
#include "script/ScriptMessages.h"

#include <cstring>

// Operands: names resolved to places, places read as values, pointers followed to checked
// places, and members and elements selected (or computed by the host's FieldAccess and
// IndexAccess functions).

namespace {

// The newest callable process-wide function `name` taking (`first`, `second`): the host's way
// to compute members (FieldAccess) and elements (IndexAccess) of its own types.
ScriptVariable* accessHook(ZRScriptContext& ctx, std::string_view name, const ScriptType* first,
                           const ScriptType* second) {
    for (ScriptVariable* v = ctx.global.variables.find(name, scriptNameHash(name)); v;
         v = v->older) {
        const ScriptType* f = v->type;
        if (f->isFunction() && f->members.size() == 2 && f->members[0].type == first &&
            f->members[1].type == second && ctx.callable(v))
            return v;
    }
    return nullptr;
}

// Makes `e` what a function computing a member or an element returned: the value, or the place
// the function told (`location`), which can then be assigned. False, reported, when the call
// failed or its result type is unknown.
bool takeComputedResult(ZRScriptContext& ctx, ScriptEntry& e, const ScriptVariable& fn, bool ok,
                        bool known, ScriptValue& result, uint64_t location) {
    if (!ok) {
        ctx.destroyValue(result.type, result.area);
        ctx.report(scriptmsg::kFunctionError, scriptmsg::kPrefix, fn.name.c_str());
        return false;
    }
    if (!known) {
        ctx.report(scriptmsg::kReturnsUnknown, scriptmsg::kPrefix, fn.name.c_str());
        return false;
    }
    ctx.dropEntry(e);
    e.holdValue(result.type, result.area);
    if (location) {
        ScriptStorage* storage = nullptr;
        uint32_t offset = 0;
        if (scriptLocate(location, result.type, result.type->size, storage, offset) ==
            ScriptPointerFault::None) {
            ctx.destroyValue(e.type, e.area);
            e.kind = ScriptEntryKind::Ref;
            e.ref.storage = storage;
            e.ref.offset = offset;
        }
    }
    return true;
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
        report(ScriptForm::Named, scriptmsg::kUnknownVariable, 0, nameOf(e.token));
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
        report(ScriptForm::Sentence, scriptmsg::kIllegalExpression);
        return false;
    }
    if (!resolve(e)) return false;
    if (e.type->isArray()) {
        // An array reads as a pointer to its first element.
        const uint64_t p = scriptPointerTo(*e.ref.storage, e.ref.offset);
        if (!p) {
            report(ScriptForm::Plain, scriptmsg::kMemory);
            return false;
        }
        out.type = internPointer(e.type->base, false);
        scriptSetSlot(out.area, p);
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

bool ZRScriptContext::placeOf(ScriptEntry& e, uint32_t pos) {
    // `e` holds a pointer value; it becomes the place the pointer designates.
    const uint64_t p = scriptSlot<uint64_t>(e.area);
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

bool ZRScriptContext::member(ScriptEntry& e, ScriptOp op, uint32_t nameToken) {
    const ScriptTok& nt = tok(nameToken);
    const std::string_view name = src->name(nt);
    const int ln = int(nt.line);
    if (e.kind == ScriptEntryKind::Type || e.kind == ScriptEntryKind::Operator) {
        report(ScriptForm::AtLine, scriptmsg::kSyntax, ln);
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
        e.holdValue(p.type, p.area);
        if (!placeOf(e, nameToken)) return false;
    }
    // A process-wide function of one parameter of this type, then a FieldAccess hook, compute
    // the member; only then is the value taken as a structure.
    ScriptVariable* computed = globalFunction(name, nt.hash, 1, e.type);
    ScriptVariable* hook = !computed && !e.type->isStruct()
                               ? accessHook(*this, "FieldAccess", e.type, bt.string)
                               : nullptr;
    if (computed || hook) {
        ScriptValue args[2];
        if (!valueOf(e, args[0])) return false;
        size_t count = 1;
        if (hook) {
            args[1].type = bt.string;
            char* s = scriptNewString(name);
            scriptSetSlot(args[1].area, s);
            count = 2;
        }
        ScriptVariable* fn = computed ? computed : hook;
        ScriptValue result;
        bool known = false;
        uint64_t location = 0;
        const bool ok = callFunction(fn, args, count, result, ln, known, &location);
        for (size_t k = 0; k < count; ++k)
            destroyValue(args[k].type, args[k].area);
        return takeComputedResult(*this, e, *fn, ok, known, result, location);
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
        whole.type->isLarge() ? scriptSlot<const unsigned char*>(whole.area) : whole.area;
    ScriptValue part{m->type, {}};
    const bool ok = load(m->type, data + m->offset, part.area);
    destroyValue(whole.type, whole.area);
    e.type = part.type;
    std::memcpy(e.area, part.area, 16);
    return ok;
}

bool ZRScriptContext::index(ScriptEntry& e, ScriptValue& indexValue, uint32_t pos) {
    const uint32_t i = scriptSlot<uint32_t>(indexValue.area);
    if (e.kind == ScriptEntryKind::Type || e.kind == ScriptEntryKind::Operator) {
        report(ScriptForm::AtLine, scriptmsg::kSyntax, line(pos));
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
        scriptSetSlot(e.area, scriptPointerMove(scriptSlot<uint64_t>(v.area),
                                                int64_t(uint64_t(i) * v.type->base->size)));
        return placeOf(e, pos);
    }
    ScriptVariable* hook = accessHook(*this, "IndexAccess", v.type, bt.unsignedInt);
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
    return takeComputedResult(*this, e, *hook, ok, known, result, location);
}
