#include "script/ScriptContext.h"
#include "script/ScriptMessages.h"
#include "script/ScriptRunStack.h"

#include <algorithm>
#include <cstring>

namespace {

using Kind = ScriptTokenKind;

constexpr size_t kMaxScriptParameters = 10;
constexpr size_t kMaxNativeParameters = 16;
constexpr size_t kNativeSlots = 24;
constexpr size_t kInlineArgs = 8;

bool matches(const ScriptType* f, const ScriptValue* args, size_t count) {
    const size_t n = f->members.size();
    if (f->varArgs() ? n > count : n != count) return false;
    for (size_t i = 0; i < n; ++i)
        if (f->members[i].type && f->members[i].type != args[i].type) return false;
    return true;
}

// A zero value of a type (a zeroed block for large types).
bool zeroValue(ScriptType* type, ScriptValue& out) {
    out = ScriptValue{type, {}};
    if (!type || !type->isLarge()) return true;
    unsigned char* block = scriptNewBlock(type->size, type);
    if (!block) return false;
    std::memcpy(out.area, &block, sizeof block);
    return true;
}

} // namespace

const ScriptNativeEntry* ZRScriptContext::nativeOf(ScriptVariable* fn) {
    if (fn->hasBody || !fn->type->isFunction()) return nullptr;
    uint32_t token = 0;
    std::memcpy(&token, fn->area, sizeof token);
    const ScriptNativeEntry* e = token ? scriptFindNative(token) : nullptr;
    // A value written through a pointer is not trusted: the signature must still match.
    return e && e->signature == scriptSignature(fn->type) ? e : nullptr;
}

bool ZRScriptContext::callable(ScriptVariable* fn) {
    return fn->type->isFunction() && (fn->hasBody || nativeOf(fn));
}

ScriptVariable* ZRScriptContext::globalFunction(std::string_view name, uint64_t hash, size_t params,
                                                ScriptType* first) {
    for (ScriptVariable* v = global.variables.find(name, hash); v; v = v->older) {
        const ScriptType* f = v->type;
        if (!f->isFunction() || f->members.size() != params) continue;
        if (params == 0 && f->varArgs()) continue;
        if (params == 1 && f->members[0].type != first) continue;
        if (callable(v)) return v;
    }
    return nullptr;
}

ScriptVariable* ZRScriptContext::resolveCall(std::string_view name, uint64_t hash,
                                             const ScriptValue* args, size_t count) {
    auto search = [&](const ScriptVarList& list, bool skipConversion) -> ScriptVariable* {
        if (skipConversion && name == "Conversion") return nullptr;
        for (ScriptVariable* v = list.find(name, hash); v; v = v->older)
            if (v->type->isFunction() && matches(v->type, args, count) && callable(v)) return v;
        return nullptr;
    };
    if (ScriptVariable* v = search(scriptVariables, false)) return v;
    if (persistent)
        if (ScriptVariable* v = search(persistent->variables, false)) return v;
    return search(global.variables, true);
}

uint32_t ZRScriptContext::call(uint32_t pos, bool run) {
    const uint32_t namePos = pos;
    const ScriptTok& nameTok = tok(pos);
    const std::string_view name = src->name(nameTok);
    const uint64_t hash = nameTok.hash;
    const size_t base = stack.size();
    pos += 2;
    if (tok(pos).kind == Kind::RightParen) {
        ++pos;
    } else {
        while (true) {
            const size_t before = stack.size();
            const uint32_t p = evaluate(pos, run);
            if (p == kScriptFail) {
                popEntries(base);
                return kScriptFail;
            }
            const Kind k = tok(p).kind;
            if ((run && stack.size() == before) || (k != Kind::Comma && k != Kind::RightParen)) {
                report(ScriptForm::Plain, scriptmsg::kCallSyntax);
                popEntries(base);
                return kScriptFail;
            }
            pos = p + 1;
            if (k == Kind::RightParen) break;
        }
    }
    if (!run) return pos;
    const int ln = line(pos - 1);
    const size_t count = stack.size() - base;
    // Room for the arguments without clearing what a call does not use (valueOf sets each).
    alignas(ScriptValue) unsigned char inlineArgs[kInlineArgs * sizeof(ScriptValue)];
    std::vector<ScriptValue> heapArgs;
    ScriptValue* args = reinterpret_cast<ScriptValue*>(inlineArgs);
    if (count > kInlineArgs) {
        heapArgs.resize(count);
        args = heapArgs.data();
    } else {
        for (size_t i = 0; i < count; ++i)
            new (&args[i]) ScriptValue;
    }
    bool ok = true;
    for (size_t i = 0; i < count && ok; ++i)
        ok = valueOf(stack[base + i], args[i]);
    popEntries(base);
    auto release = [&]() {
        for (size_t i = 0; i < count; ++i)
            destroyValue(args[i].type, args[i].area);
    };
    if (!ok) {
        release();
        return kScriptFail;
    }
    ScriptValue result;
    if (count == 1 && name == "execute") {
        ok = execute(args[0], ln, result);
        release();
        if (!ok) return kScriptFail;
        pushValue(std::move(result));
        return pos;
    }
    // The function a call site resolved to is kept while no list it is found in changes and
    // the argument types are the same.
    ScriptCompiledPlace* site = compiledPlace(namePos, 8);
    ScriptVariable* fn = nullptr;
    if (site && site->callEpoch == gScriptFunctionEpoch && site->callTypes.size() == count &&
        std::equal(site->callTypes.begin(), site->callTypes.end(), args,
                   [](const ScriptType* t, const ScriptValue& a) { return t == a.type; }) &&
        callable(site->callTarget)) {
        fn = site->callTarget;
    } else {
        fn = resolveCall(name, hash, args, count);
        if (site && fn) {
            site->callEpoch = gScriptFunctionEpoch;
            site->callTarget = fn;
            site->callTypes.clear();
            for (size_t i = 0; i < count; ++i)
                site->callTypes.push_back(args[i].type);
        }
    }
    if (!fn) {
        report(ScriptForm::NamedSentence, scriptmsg::kUnknownFunction, 0, name);
        release();
        return kScriptFail;
    }
    bool known = false;
    ok = callFunction(fn, args, count, result, ln, known);
    release();
    if (!ok) {
        destroyValue(result.type, result.area);
        return kScriptFail;
    }
    if (!known) {
        report(scriptmsg::kReturnedUnknown, scriptmsg::kPrefix, fn->name.c_str(), ln);
        return kScriptFail;
    }
    pushValue(std::move(result));
    return pos;
}

bool ZRScriptContext::callFunction(ScriptVariable* fn, ScriptValue* args, size_t count,
                                   ScriptValue& result, int ln, bool& known, uint64_t* location) {
    result = ScriptValue{};
    known = false;
    if (fn->hasBody) return callScript(fn, args, count, result, ln, known);
    return callNative(fn, args, count, result, ln, known, location);
}

bool ZRScriptContext::callScript(ScriptVariable* fn, ScriptValue* args, size_t count,
                                 ScriptValue& result, int ln, bool& known) {
    if (count <= ScriptIntegerFunction::kMaxParameters &&
        std::all_of(args, args + count, [&](const ScriptValue& a) { return a.type == bt.integer; }))
        if (const ScriptIntegerFunction* code = integerFunction(fn);
            code && code->parameters == count) {
            int32_t values[ScriptIntegerFunction::kMaxParameters];
            for (size_t i = 0; i < count; ++i)
                std::memcpy(&values[i], args[i].area, sizeof values[i]);
            int32_t value = 0;
            if (!callInteger(fn, *code, values, ln, value)) return false;
            result.type = bt.integer;
            std::memcpy(result.area, &value, sizeof value);
            known = true;
            return true;
        }
    char probe;
    if (callDepth >= scriptMaxCallDepth() || (stackLimit && &probe < stackLimit)) {
        report(ScriptForm::SentenceAtLine, scriptmsg::kCallNesting, ln);
        return false;
    }
    const ScriptType* f = fn->type;
    // The record outlives the call: functions are never reused or released during a run.
    const ScriptSource* body = fn->body.get();
    const std::string& name = fn->name;
    // `execute` and natives raise the depth too: every level below has its list.
    while (spareLists.size() <= size_t(callDepth)) {
        spareLists.push_back(std::make_unique<ScriptVarList>());
        spareLists.back()->setLocal();
    }
    ScriptVarList& localList = *spareLists[size_t(callDepth)];
    ScriptVarList* savedLocals = locals;
    const bool savedDefine = defineGlobal;
    const bool savedPending = globalPending;
    const size_t savedFrame = frameBase;
    const ScriptSource* savedSrc = src;
    const ScriptSourcePtr* savedHold = srcHold;
    const uint32_t savedStop = exprStop;
    const int savedSyntax = syntaxDepth;
    locals = &localList;
    ++gScriptVariableEpoch; // names now resolve in the call's own list first
    defineGlobal = false;
    globalPending = false;
    frameBase = stack.size();
    syntaxDepth = 0;
    ++callDepth;

    bool ok = true;
    const size_t params = std::min(std::min(f->members.size(), count), kMaxScriptParameters);
    for (size_t i = 0; i < params && ok; ++i) {
        ScriptType* type = f->members[i].type ? f->members[i].type : args[i].type;
        ScriptVariable* v = newVariable(f->members[i].name, type);
        if (!v) {
            report(ScriptForm::Plain, scriptmsg::kMemory);
            ok = false;
            break;
        }
        // A failed conversion has reported itself; the call goes on with a zero argument.
        ScriptValue converted{type, {}};
        convert(converted.area, type, args[i].area, args[i].type);
        store(type, v->data(), converted.area);
    }
    if (ok) {
        src = body;
        srcHold = &fn->body;
        exprStop = ScriptSource::kNoStop;
        ok = executeStatements(fn->bodyStart, false, true, false) != kScriptFail;
        src = savedSrc;
        srcHold = savedHold;
        exprStop = savedStop;
        if (!ok) report(scriptmsg::kFunctionErrorLine, scriptmsg::kPrefix, name.c_str(), ln);
    }
    if (ok) {
        ScriptType* declared = f->base;
        if (returnFlag && hasReturnValue) {
            if (declared) {
                result.type = declared;
                convert(result.area, declared, returnValue.area, returnValue.type);
                destroyValue(returnValue.type, returnValue.area);
            } else {
                result = returnValue;
            }
            returnValue = ScriptValue{};
            hasReturnValue = false;
            known = true;
        } else if (declared) {
            known = zeroValue(declared, result);
            if (!known) report(ScriptForm::Plain, scriptmsg::kMemory);
            ok = known;
        }
    }
    destroyValue(returnValue.type, returnValue.area);
    returnValue = ScriptValue{};
    hasReturnValue = false;
    breakFlag = returnFlag = false;
    destroyVariables(localList, true);
    locals = savedLocals;
    ++gScriptVariableEpoch;
    defineGlobal = savedDefine;
    globalPending = savedPending;
    frameBase = savedFrame;
    syntaxDepth = savedSyntax;
    --callDepth;
    return ok;
}

bool ZRScriptContext::callNative(ScriptVariable* fn, ScriptValue* args, size_t count,
                                 ScriptValue& result, int ln, bool& known, uint64_t* location) {
    const ScriptNativeEntry* entry = nativeOf(fn);
    ScriptType* f = fn->type;
    if (!entry) {
        report(ScriptForm::NamedSentence, scriptmsg::kUnknownFunction, 0, fn->name);
        return false;
    }
    const size_t declared = f->members.size();
    if (declared > kMaxNativeParameters) {
        report(scriptmsg::kTooManyParameters, scriptmsg::kPrefix, int(count));
        known = zeroValue(f->base, result) && f->base;
        return true;
    }
    struct alignas(8) Slot {
        unsigned char bytes[16];
    };
    Slot slots[kNativeSlots] = {};
    void* pointers[kNativeSlots] = {};
    ScriptType* types[kNativeSlots] = {};
    const size_t n = std::min(std::max(declared, count), kNativeSlots);
    for (size_t i = 0; i < n; ++i) {
        pointers[i] = slots[i].bytes;
        ScriptType* type = i < declared && f->members[i].type ? f->members[i].type : args[i].type;
        types[i] = type;
        convert(slots[i].bytes, type, args[i].area, args[i].type);
    }
    alignas(8) unsigned char resultArea[16] = {};
    ScriptCall call;
    call.result = resultArea;
    call.argTypes = types;
    ++callDepth;
    const int status = entry->function(host, &call, pointers, int(n));
    --callDepth;
    for (size_t i = 0; i < n; ++i)
        destroyValue(types[i], slots[i].bytes);
    ScriptType* type = f->base;
    if (!type && call.resultTypeName) {
        const std::string_view tn(call.resultTypeName);
        type = tn == "int" ? bt.integer : findType(tn, scriptNameHash(tn));
    }
    if (status != 1) {
        if (type) destroyValue(type, resultArea);
        std::memset(resultArea, 0, sizeof resultArea);
        if (type && type->isLarge())
            zeroValue(type, result), std::memcpy(resultArea, result.area, 16);
    }
    (void)ln;
    if (!type) return true;
    result.type = type;
    std::memcpy(result.area, resultArea, 16);
    known = true;
    if (location) *location = call.resultLocation;
    return true;
}

bool ZRScriptContext::execute(ScriptValue& text, int ln, ScriptValue& result) {
    result = ScriptValue{bt.integer, {}};
    ScriptValue converted;
    if (!convert(converted.area, bt.string, text.area, text.type)) {
        report(ScriptForm::SentenceAtLine, scriptmsg::kExecuteParameter, ln);
        return false;
    }
    converted.type = bt.string;
    const char* s = nullptr;
    std::memcpy(&s, converted.area, sizeof s);
    auto source = std::make_shared<const ScriptSource>(s ? std::string_view(s) : std::string_view(),
                                                       std::string());
    destroyValue(converted.type, converted.area);
    char probe;
    if (callDepth >= scriptMaxCallDepth() || (stackLimit && &probe < stackLimit)) {
        report(ScriptForm::SentenceAtLine, scriptmsg::kExecuteNesting, ln);
        return false;
    }
    ++callDepth;
    const bool ok = runText(source, true);
    --callDepth;
    if (!ok) {
        report(ScriptForm::SentenceAtLine, scriptmsg::kExternalScript, ln);
        return true; // the call's value is 0
    }
    const int32_t one = 1;
    std::memcpy(result.area, &one, sizeof one);
    return true;
}
