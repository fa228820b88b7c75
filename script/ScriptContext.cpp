#include "script/ScriptContext.h"

#include "script/ScriptMessages.h"
#include "script/ScriptRunStack.h"

#include <cstdarg>
#include <cstdio>

namespace {

std::string vformat(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n <= 0) return {};
    std::string out(size_t(n), '\0');
    std::vsnprintf(out.data(), out.size() + 1, format, args);
    return out;
}

} // namespace

ScriptGlobalState& scriptGlobal() {
    static ScriptGlobalState* state = new ScriptGlobalState; // lives to the end of the process
    return *state;
}

ZRScriptContext::ZRScriptContext(ZRScriptHost* h)
    : host(h), global(scriptGlobal()), bt(global.builtin), stackLimit(scriptStackFloor()) {
    scriptBumpNameEpoch();
    scriptBumpVariableEpoch();
    if (host) {
        allowGlobal = host->allowGlobal != 0;
        if (host->separator) separator = host->separator;
    }
}

ZRScriptContext::~ZRScriptContext() {
    finish();
}

void ZRScriptContext::finish() {
    scriptBumpNameEpoch();
    popEntries(0);
    destroyValue(returnValue.type, returnValue.area);
    returnValue = ScriptValue{};
    hasReturnValue = false;
    if (locals) destroyVariables(*locals);
    destroyVariables(scriptVariables);
}

const ScriptTok& ZRScriptContext::stopToken(uint32_t i) const {
    // The end of an #include line reads as `;`.
    static thread_local ScriptTok semicolon;
    semicolon = src->at(i);
    semicolon.kind = ScriptTokenKind::Semicolon;
    return semicolon;
}

bool ZRScriptContext::checkLimits(uint32_t pos) {
    // The line is looked up only for the message.
    return !limitReached() || checkLimitsAt(line(pos));
}

bool ZRScriptContext::checkLimitsAt(int ln) {
    if (!limitReached()) return true;
    report(ScriptForm::SentenceAtLine, scriptmsg::kStepLimit, ln);
    return false;
}

bool ZRScriptContext::syntaxTooDeep(uint32_t pos) {
    --syntaxDepth;
    report(ScriptForm::SentenceAtLine, scriptmsg::kSyntaxNesting, line(pos));
    return false;
}

ScriptVariable* ZRScriptContext::variableAt(uint32_t i) {
    ScriptSource::NameCache& c = src->cache(i);
    if (c.variableEpoch != gScriptVariableEpoch) {
        const ScriptTok& t = src->at(i);
        c.variable = findVariable(src->name(t), t.hash);
        c.variableEpoch = gScriptVariableEpoch;
    }
    return static_cast<ScriptVariable*>(c.variable);
}

void ZRScriptContext::report(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string message = vformat(format, args);
    va_end(args);
    if (!errorText.empty()) errorText += separator;
    errorText += message;
}

void ZRScriptContext::report(ScriptForm form, std::string_view message, int ln,
                             std::string_view name, std::string_view extra) {
    const std::string m(message), n(name), x(extra);
    const char* p = scriptmsg::kPrefix;
    const char* l = scriptmsg::kLine;
    switch (form) {
    case ScriptForm::Sentence:
        report("%s%s.", p, m.c_str());
        break;
    case ScriptForm::Plain:
        report("%s%s", p, m.c_str());
        break;
    case ScriptForm::AtLine:
        report("%s%s (%s %d)", p, m.c_str(), l, ln);
        break;
    case ScriptForm::AtLineSentence:
        report("%s%s (%s %d).", p, m.c_str(), l, ln);
        break;
    case ScriptForm::SentenceAtLine:
        report("%s%s. (%s %d)", p, m.c_str(), l, ln);
        break;
    case ScriptForm::Named:
        report("%s%s '%s'", p, m.c_str(), n.c_str());
        break;
    case ScriptForm::NamedSentence:
        report("%s%s '%s'.", p, m.c_str(), n.c_str());
        break;
    case ScriptForm::ColonNamedAtLine:
        report("%s%s: '%s' (%s %d)", p, m.c_str(), n.c_str(), l, ln);
        break;
    case ScriptForm::ColonNamedAtLineDetail:
        report("%s%s: '%s' (%s %d): %s", p, m.c_str(), n.c_str(), l, ln, x.c_str());
        break;
    case ScriptForm::FileAtLine:
        report("%s%s: file '%s' (%s %d)", p, m.c_str(), n.c_str(), l, ln);
        break;
    case ScriptForm::NamedAtLine:
        report("%s%s '%s' (%s %d)", p, m.c_str(), n.c_str(), l, ln);
        break;
    case ScriptForm::Ellipsis:
        report("%s%s...", p, m.c_str());
        break;
    case ScriptForm::SpacedSentence:
        report("%s %s.", p, m.c_str());
        break;
    case ScriptForm::Spaced:
        report("%s %s", p, m.c_str());
        break;
    }
}

void ZRScriptContext::reportPointerFault(ScriptPointerFault fault, int ln) {
    const char* m = scriptmsg::kPointerRange;
    switch (fault) {
    case ScriptPointerFault::Null:
        m = scriptmsg::kNullPointer;
        break;
    case ScriptPointerFault::Dangling:
        m = scriptmsg::kDanglingPointer;
        break;
    case ScriptPointerFault::Type:
        m = scriptmsg::kPointerType;
        break;
    case ScriptPointerFault::Full:
        m = scriptmsg::kMemory;
        break;
    default:
        break;
    }
    report(ScriptForm::AtLineSentence, m, ln);
}

ScriptType* ZRScriptContext::findType(std::string_view name, uint64_t hash) const {
    if (ScriptType* t = localTypes->find(name, hash)) return t;
    if (persistent && localTypes != &persistent->types)
        if (ScriptType* t = persistent->types.find(name, hash)) return t;
    return global.types.find(name, hash);
}

ScriptType* ZRScriptContext::typeNamed(uint32_t i) const {
    const ScriptTok& t = tok(i);
    if (t.kind != ScriptTokenKind::Identifier) return nullptr;
    const std::string_view name = src->name(t);
    if (name == "int") return bt.integer;
    return findType(name, t.hash);
}

ZRScriptContext::NameClass ZRScriptContext::classifyAgain(uint32_t i) {
    ScriptSource::NameCache& c = src->cache(i);
    const ScriptTok& t = src->at(i);
    ScriptType* type = typeNamed(i);
    c.type = type;
    c.immediate = type ? nullptr : globalFunction(src->name(t), t.hash, 0, nullptr);
    c.epoch = scriptNameEpoch();
    return NameClass{type, static_cast<ScriptVariable*>(c.immediate)};
}

ScriptVariable* ZRScriptContext::findVariable(std::string_view name, uint64_t hash) const {
    if (locals)
        if (ScriptVariable* v = locals->find(name, hash)) return v;
    if (ScriptVariable* v = scriptVariables.find(name, hash)) return v;
    if (persistent)
        if (ScriptVariable* v = persistent->variables.find(name, hash)) return v;
    return global.variables.find(name, hash);
}

ScriptTypeList& ZRScriptContext::typeListFor(bool isGlobal) {
    return isGlobal ? global.types : *localTypes;
}

ScriptType* ZRScriptContext::internPointer(ScriptType* target, bool fromDeclarator) {
    if (fromDeclarator) {
        ScriptTypeList& list = typeListFor(target->isGlobal());
        if (ScriptType* t = list.findPointer(target, true)) return t;
        return list.add(scriptMakePointerType(target, false));
    }
    if (ScriptType* t = localTypes->findPointer(target, false)) return t;
    if (ScriptType* t = global.types.findPointer(target, false)) return t;
    return typeListFor(target->isGlobal()).add(scriptMakePointerType(target, true));
}

ScriptType* ZRScriptContext::internArray(ScriptType* element, uint32_t count) {
    ScriptTypeList& list = typeListFor(element->isGlobal());
    if (ScriptType* t = list.findArray(element, count)) return t;
    auto made = scriptMakeArrayType(element, count);
    return made ? list.add(std::move(made)) : nullptr;
}

ScriptType* ZRScriptContext::internFunction(ScriptType* result, std::vector<ScriptMember> params,
                                            bool varArgs) {
    auto made = scriptMakeFunctionType(result, std::move(params), varArgs);
    ScriptTypeList& list = typeListFor(made->isGlobal());
    if (ScriptType* t = list.findFunction(result, made->members, varArgs)) return t;
    return list.add(std::move(made));
}

ScriptVariable* ZRScriptContext::newVariable(std::string_view name, ScriptType* type) {
    ScriptVarList* list = &scriptVariables;
    // A process-wide variable must not outlive its type: one of a run's own types stays in the run.
    if (defineGlobal && type->isGlobal())
        list = &global.variables;
    else if (locals)
        list = locals;
    else if (persistent && (type->isGlobal() || persistent->types.contains(type)))
        list = &persistent->variables;

    const uint64_t hash = scriptNameHash(name);
    if ((list == locals || list == &scriptVariables) && stack.size() == frameBase &&
        !type->isFunction()) {
        // A declaration that hides a variable of its own list (a declaration in a loop body)
        // reuses the hidden record, so that loops do not pile up variables. No expression of
        // this frame is in progress, so no place on the stack refers to the record.
        ScriptVariable* hidden = list->find(name, hash);
        if (hidden && !hidden->type->isFunction()) {
            scriptBumpVariableEpoch();
            unsigned char* block = nullptr;
            if (type->isLarge() && !(block = scriptNewBlock(type->size, type))) return nullptr;
            destroyValue(hidden->type, hidden->area);
            scriptForgetStorage(hidden->storage);
            hidden->type = type;
            std::memset(hidden->area, 0, sizeof hidden->area);
            hidden->storage =
                ScriptStorage{hidden->area, type->isLarge() ? 8u : type->size, 0, type};
            if (block) std::memcpy(hidden->area, &block, sizeof block);
            return hidden;
        }
    }
    std::unique_ptr<ScriptVariable> v;
    if (!spareVariables.empty() && list != &global.variables && !persistent) {
        // Records of finished calls are reused: calls in loops and recursion make no garbage.
        v = std::move(spareVariables.back());
        spareVariables.pop_back();
        v->older = nullptr;
        v->hasBody = false;
        v->body.reset();
        v->bodyStart = 0;
        std::memset(v->area, 0, sizeof v->area);
    } else {
        v = std::make_unique<ScriptVariable>();
    }
    v->name.assign(name);
    v->hash = hash;
    v->type = type;
    v->storage = ScriptStorage{v->area, type->isLarge() ? 8u : type->size, 0, type};
    if (type->isLarge()) {
        unsigned char* block = scriptNewBlock(type->size, type);
        if (!block) return nullptr;
        std::memcpy(v->area, &block, sizeof block);
    }
    ScriptVariable* raw = list->add(std::move(v));
    if (list == &global.variables) {
        scriptBumpNameEpoch();
        if (type->isFunction()) {
            refreshHooks();
            global.hookScanPending = true;
        }
    }
    return raw;
}

void ZRScriptContext::destroyVariables(ScriptVarList& list, bool keepRecords) {
    auto& records = list.records();
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        ScriptVariable& v = **it;
        if (!v.type->isFunction()) destroyValue(v.type, v.area);
        scriptForgetStorage(v.storage);
    }
    if (keepRecords && spareVariables.size() < 256)
        list.release(spareVariables);
    else
        list.clear();
}

void ZRScriptContext::refreshHooks() {
    global.deleteHooks = global.variables.find("DeleteValue", scriptNameHash("DeleteValue"));
    global.conversionHooks = global.variables.find("Conversion", scriptNameHash("Conversion"));
}
