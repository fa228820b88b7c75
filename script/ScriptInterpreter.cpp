#include "script/ScriptInterpreter.h"

#include "script/ScriptBuiltins.h"
#include "script/ScriptContext.h"

#include <cstdarg>
#include <cstdio>

namespace {

ZRScriptPersistent* persistentContext(ScriptGlobalState& g, int32_t id) {
    for (const auto& p : g.persistents)
        if (p->id == id) return p.get();
    auto made = std::make_unique<ZRScriptPersistent>();
    made->id = id;
    g.persistents.insert(g.persistents.begin(), std::move(made));
    return g.persistents.front().get();
}

} // namespace

int scriptExecute(ZRScriptHost* host, std::string_view text) {
    ScriptGlobalState& g = scriptGlobal();
    std::lock_guard lock(g.lock);
    ++g.nesting;
    if (!g.builtinsMade) {
        g.builtin = scriptMakeBuiltinTypes(g.types);
        g.builtinsMade = true;
        scriptDeclareBuiltins();
    }
    ZRScriptHost local;
    if (!host) host = &local;
    ZRScriptContext* previous = host->runningContext;
    int ok = 0;
    std::string errors;
    {
        ZRScriptContext ctx(host);
        if (host->persistentId != 0) {
            ctx.persistent = persistentContext(g, host->persistentId);
            ctx.localTypes = &ctx.persistent->types;
        }
        host->runningContext = &ctx;
        ok = ctx.runText(std::make_shared<const ScriptSource>(text, std::string()), true) ? 1 : 0;
        ctx.finish();
        errors = std::move(ctx.errorText);
    }
    host->runningContext = previous;
    host->errorText = std::move(errors);
    if (!ok) host->failed = 1;
    --g.nesting;
    return ok;
}

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
    const std::string_view name(typeName);
    const uint64_t hash = scriptNameHash(name);
    ScriptType* type = nullptr;
    if (host && host->runningContext) type = host->runningContext->findType(name, hash);
    if (!type && host && host->persistentId)
        for (const auto& p : g.persistents)
            if (p->id == host->persistentId) type = p->types.find(name, hash);
    if (!type) type = g.types.find(name, hash);
    if (!type || !type->isStruct()) return nullptr;
    const ScriptMember* m = type->member(memberName);
    if (!m) return nullptr;
    unsigned char* data = static_cast<unsigned char*>(value);
    if (type->isLarge()) std::memcpy(&data, value, sizeof data);
    return data ? data + m->offset : nullptr;
}

void scriptSetRunLimits(uint64_t steps, uint32_t milliseconds) {
    ScriptGlobalState& g = scriptGlobal();
    std::lock_guard lock(g.lock);
    g.stepLimit = steps;
    g.timeLimitMs = milliseconds;
}
