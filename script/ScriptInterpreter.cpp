#include "script/ScriptInterpreter.h"

#include "script/ScriptBuiltins.h"
#include "script/ScriptContext.h"
#include "script/ScriptRunStack.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

ZRScriptPersistent* persistentContext(ScriptGlobalState& g, int32_t id) {
    for (const auto& p : g.persistents)
        if (p->id == id) return p.get();
    auto made = std::make_unique<ZRScriptPersistent>();
    made->id = id;
    g.persistents.insert(g.persistents.begin(), std::move(made));
    return g.persistents.front().get();
}

ZRScriptPersistent* findPersistent(ScriptGlobalState& g, int32_t id) {
    for (const auto& p : g.persistents)
        if (p->id == id) return p.get();
    return nullptr;
}

void makeBuiltins(ScriptGlobalState& g) {
    if (g.builtinsMade) return;
    g.builtin = scriptMakeBuiltinTypes(g.types);
    g.builtinsMade = true;
    scriptDeclareBuiltins();
}

// The object a lookup outside a run works in: a context bound to the record's persistent
// context, made only when no run is in progress.
class LookupContext {
public:
    explicit LookupContext(ZRScriptHost* host) {
        if (host && host->runningContext) {
            m_ctx = host->runningContext;
            return;
        }
        ScriptGlobalState& g = scriptGlobal();
        m_own = std::make_unique<ZRScriptContext>(host);
        if (host && host->persistentId != 0)
            if (ZRScriptPersistent* p = findPersistent(g, host->persistentId)) {
                m_own->persistent = p;
                m_own->localTypes = &p->types;
            }
        m_ctx = m_own.get();
    }
    ZRScriptContext& operator*() const { return *m_ctx; }
    ZRScriptContext* operator->() const { return m_ctx; }

private:
    std::unique_ptr<ZRScriptContext> m_own;
    ZRScriptContext* m_ctx = nullptr;
};

int executeRun(ZRScriptHost* host, std::string_view text);

ScriptType* structureNamed(ZRScriptContext& ctx, const char* typeName) {
    const std::string_view name(typeName);
    ScriptType* type = ctx.findType(name, scriptNameHash(name));
    return type && type->isStruct() ? type : nullptr;
}

} // namespace

int scriptExecute(ZRScriptHost* host, std::string_view text) {
    // Deep recursion needs more stack than a thread may have. The whole run, its locking
    // included, is on the run stack, so that nested runs lock where the outer one did.
    int ok = 0;
    scriptOnRunStack([&] { ok = executeRun(host, text); });
    return ok;
}

namespace {

int executeRun(ZRScriptHost* host, std::string_view text) {
    ScriptGlobalState& g = scriptGlobal();
    std::lock_guard lock(g.lock);
    ++g.nesting;
    makeBuiltins(g);
    ZRScriptHost local;
    if (!host) host = &local;
    const bool outermost = g.nesting == 1;
    if (outermost) scriptCallStartHook(g, host);
    ZRScriptContext* previous = host->runningContext;
    int ok = 0;
    std::string errors;
    {
        ZRScriptContext ctx(host);
        if (host->persistentId != 0) {
            ctx.persistent = persistentContext(g, host->persistentId);
            ctx.localTypes = &ctx.persistent->types;
            ++ctx.persistent->users;
        }
        host->runningContext = &ctx;
        ok = ctx.runText(std::make_shared<const ScriptSource>(text, std::string()), true) ? 1 : 0;
        ctx.finish();
        if (ctx.persistent) --ctx.persistent->users;
        errors = std::move(ctx.errorText);
    }
    if (outermost) scriptCallFinishHook(g, host, !ok, errors);
    host->runningContext = previous;
    host->errorText = std::move(errors);
    if (!ok) host->failed = 1;
    --g.nesting;
    // A run that went on after reporting something must not lose its messages.
    if (ok && host->debug && !host->errorText.empty()) host->debug(host, host->errorText.c_str());
    return ok;
}

} // namespace

int scriptExecuteFormatted(ZRScriptHost* host, const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(n > 0 ? size_t(n) : 0, '\0');
    if (n > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    return scriptExecute(host, text);
}

void* scriptStructMember(ZRScriptHost* host, void* value, const char* typeName,
                         const char* memberName) {
    if (!value || !typeName || !memberName) return nullptr;
    ScriptGlobalState& g = scriptGlobal();
    std::lock_guard lock(g.lock);
    makeBuiltins(g);
    LookupContext ctx(host);
    ScriptType* type = structureNamed(*ctx, typeName);
    const ScriptMember* m = type ? type->member(memberName) : nullptr;
    if (!m) return nullptr;
    unsigned char* data = static_cast<unsigned char*>(value);
    if (type->isLarge()) std::memcpy(&data, value, sizeof data);
    return data ? data + m->offset : nullptr;
}

void* scriptPointerMember(ZRScriptHost* host, uint64_t pointer, const char* typeName,
                          const char* memberName) {
    if (!typeName || !memberName) return nullptr;
    ScriptGlobalState& g = scriptGlobal();
    std::lock_guard lock(g.lock);
    makeBuiltins(g);
    LookupContext ctx(host);
    ScriptType* type = structureNamed(*ctx, typeName);
    const ScriptMember* m = type ? type->member(memberName) : nullptr;
    ScriptStorage* storage = nullptr;
    uint32_t offset = 0;
    if (!m || scriptLocate(pointer, type, type->size, storage, offset) != ScriptPointerFault::None)
        return nullptr;
    return storage->base + offset + m->offset;
}

void* scriptVariableMember(ZRScriptHost* host, const char* variableName, const char* memberName) {
    if (!variableName || !memberName) return nullptr;
    ScriptGlobalState& g = scriptGlobal();
    std::lock_guard lock(g.lock);
    makeBuiltins(g);
    LookupContext ctx(host);
    const std::string_view name(variableName);
    ScriptVariable* v = ctx->findVariable(name, scriptNameHash(name));
    if (!v || !v->type->isStruct()) return nullptr;
    const ScriptMember* m = v->type->member(memberName);
    unsigned char* data = m ? v->data() : nullptr;
    return data ? data + m->offset : nullptr;
}

int scriptDestroyPersistent(int32_t id) {
    ScriptGlobalState& g = scriptGlobal();
    std::lock_guard lock(g.lock);
    const auto it = std::find_if(g.persistents.begin(), g.persistents.end(),
                                 [id](const auto& p) { return p->id == id; });
    if (it == g.persistents.end() || (*it)->users > 0) return 0;
    std::unique_ptr<ZRScriptPersistent> gone = std::move(*it);
    g.persistents.erase(it);
    {
        // Values are destroyed as a run destroys them (DeleteValue hooks included).
        ZRScriptContext ctx(nullptr);
        ctx.destroyVariables(gone->variables);
    }
    return 1; // the types and the name go with the context
}

void scriptShutdown() {
    ScriptGlobalState& g = scriptGlobal();
    std::lock_guard lock(g.lock);
    if (g.nesting != 0) return; // a run is in progress: nothing may go now
    // Hooks are not called for what goes now; memory from the Malloc hook still goes back to
    // Free before the hooks are forgotten.
    g.deleteHooks = g.conversionHooks = nullptr;
    if (g.builtinsMade) {
        ZRScriptContext ctx(nullptr);
        for (auto& p : g.persistents)
            ctx.destroyVariables(p->variables);
        ctx.destroyVariables(g.variables);
    }
    g.persistents.clear();
    g.retiredHooks.clear();
    scriptClearHooks(g);
    g.variables = ScriptVarList{};
    g.types.clear();
    g.builtin = ScriptBuiltinTypes{};
    g.builtinsMade = false;
    scriptClearNatives();
    scriptResetPointerTable();
    scriptBumpNameEpoch();
    scriptBumpVariableEpoch();
}

void scriptSetRunLimits(uint64_t steps, uint32_t milliseconds) {
    ScriptGlobalState& g = scriptGlobal();
    std::lock_guard lock(g.lock);
    g.stepLimit = steps;
    g.timeLimitMs = milliseconds;
}

void scriptSetIntegerForms(bool on) {
    ScriptGlobalState& g = scriptGlobal();
    std::lock_guard lock(g.lock);
    g.integerForms = on;
}

int scriptExecuteLimited(ZRScriptHost* host, std::string_view text, uint64_t steps,
                         uint32_t milliseconds) {
    // The limits are set under the lock the run takes, on the run stack like the run itself: a
    // lock held across the switch to the run stack would be held by another stack than the one
    // that takes it again.
    int ok = 0;
    scriptOnRunStack([&] {
        ScriptGlobalState& g = scriptGlobal();
        std::lock_guard lock(g.lock);
        const uint64_t savedSteps = g.stepLimit;
        const uint32_t savedMs = g.timeLimitMs;
        g.stepLimit = steps;
        g.timeLimitMs = milliseconds;
        ok = executeRun(host, text);
        g.stepLimit = savedSteps;
        g.timeLimitMs = savedMs;
    });
    return ok;
}

int scriptRemoveGlobalFunctions(std::string_view name, std::string_view signature) {
    ScriptGlobalState& g = scriptGlobal();
    std::lock_guard lock(g.lock);
    if (g.nesting != 0) return 0; // an expression in progress may refer to a record
    int removed = 0;
    for (ScriptVariable* v = g.variables.find(name, scriptNameHash(name)); v;) {
        ScriptVariable* older = v->older;
        if (v->type->isFunction() && scriptSignature(v->type) == signature) {
            std::unique_ptr<ScriptVariable> gone = g.variables.take(v);
            scriptForgetStorage(gone->storage);
            ++removed;
        }
        v = older;
    }
    if (removed) {
        g.deleteHooks = g.variables.find("DeleteValue", scriptNameHash("DeleteValue"));
        g.conversionHooks = g.variables.find("Conversion", scriptNameHash("Conversion"));
    }
    return removed;
}
