#include "script/ScriptTypes.h"

#include "script/ScriptLexer.h"

namespace {

void setName(ScriptType& type, std::string_view name) {
    type.name.assign(name);
    type.named = true;
    type.hash = scriptNameHash(type.name);
}

bool sameParams(const std::vector<ScriptMember>& a, const std::vector<ScriptMember>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].type != b[i].type || a[i].name != b[i].name) return false;
    return true;
}

std::string canonical(const ScriptType* type) {
    if (!type) return "anytype";
    switch (type->kind) {
    case ScriptTypeKind::Alias:
        return canonical(type->base);
    case ScriptTypeKind::Pointer:
        return canonical(type->base) + "*";
    case ScriptTypeKind::Array:
        return canonical(type->base) + "[" + std::to_string(type->count) + "]";
    case ScriptTypeKind::Function: {
        std::string s = canonical(type->base) + "(";
        for (size_t i = 0; i < type->members.size(); ++i) {
            if (i) s += ",";
            s += canonical(type->members[i].type);
        }
        if (type->varArgs()) s += type->members.empty() ? "..." : ",...";
        return s + ")";
    }
    default:
        return type->name;
    }
}

} // namespace

const ScriptMember* ScriptType::member(std::string_view memberName) const {
    for (const ScriptMember& m : members)
        if (m.name == memberName) return &m;
    return nullptr;
}

std::string scriptTypeName(const ScriptType* type) {
    if (!type) return "anytype";
    if (type->named) return type->name;
    switch (type->kind) {
    case ScriptTypeKind::Pointer:
        return scriptTypeName(type->base) + " ptr";
    case ScriptTypeKind::Array:
        return scriptTypeName(type->base) + "[" + std::to_string(type->count) + "]";
    case ScriptTypeKind::Function: {
        std::string s = scriptTypeName(type->base) + " (";
        for (size_t i = 0; i < type->members.size(); ++i) {
            if (i) s += ", ";
            s += scriptTypeName(type->members[i].type);
        }
        if (type->varArgs()) s += type->members.empty() ? "..." : ", ...";
        return s + ")";
    }
    default:
        return "struct";
    }
}

const std::string& scriptSignature(ScriptType* functionType) {
    if (functionType->signature.empty()) functionType->signature = canonical(functionType);
    return functionType->signature;
}

std::unique_ptr<ScriptType> scriptMakePointerType(ScriptType* target, bool named) {
    auto type = std::make_unique<ScriptType>();
    type->kind = ScriptTypeKind::Pointer;
    type->base = target;
    type->size = 8;
    if (target->isGlobal()) type->flags |= kScriptTypeGlobal;
    if (named && target->named) setName(*type, target->name + " ptr");
    return type;
}

std::unique_ptr<ScriptType> scriptMakeArrayType(ScriptType* element, uint32_t count) {
    const uint64_t bytes = uint64_t(element->size) * count;
    if (bytes > kScriptMaxBlock || element->incomplete) return nullptr;
    auto type = std::make_unique<ScriptType>();
    type->kind = ScriptTypeKind::Array;
    type->base = element;
    type->count = count;
    type->size = uint32_t(bytes);
    type->hasStrings = element->hasStrings;
    if (element->isGlobal()) type->flags |= kScriptTypeGlobal;
    return type;
}

std::unique_ptr<ScriptType> scriptMakeFunctionType(ScriptType* result,
                                                   std::vector<ScriptMember> params, bool varArgs) {
    auto type = std::make_unique<ScriptType>();
    type->kind = ScriptTypeKind::Function;
    type->base = result;
    type->size = 8;
    type->count = uint32_t(params.size());
    bool global = !result || result->isGlobal();
    for (const ScriptMember& p : params)
        if (p.type && !p.type->isGlobal()) global = false;
    type->members = std::move(params);
    if (global) type->flags |= kScriptTypeGlobal;
    if (varArgs) type->flags |= kScriptTypeVarArgs;
    return type;
}

void scriptSetStructFields(ScriptType* type, std::vector<ScriptMember> fields) {
    uint64_t offset = 0;
    bool strings = false;
    for (ScriptMember& f : fields) {
        f.offset = uint32_t(offset);
        offset += f.type->size;
        strings = strings || f.type->hasStrings;
    }
    type->kind = ScriptTypeKind::Struct;
    type->incomplete = false;
    type->members = std::move(fields);
    type->count = uint32_t(type->members.size());
    type->size = uint32_t(offset);
    type->hasStrings = strings;
}

ScriptType* ScriptTypeList::find(std::string_view name, uint64_t hash) const {
    const auto it = m_byName.find(ScriptNameKey{name, hash});
    return it == m_byName.end() ? nullptr : it->second;
}

ScriptType* ScriptTypeList::add(std::unique_ptr<ScriptType> type) {
    ScriptType* raw = type.get();
    scriptBumpNameEpoch();
    m_types.push_back(std::move(type));
    if (raw->named) m_byName[ScriptNameKey{raw->name, raw->hash}] = raw;
    return raw;
}

void ScriptTypeList::name(ScriptType* type, std::string_view newName) {
    scriptBumpNameEpoch();
    setName(*type, newName);
    m_byName[ScriptNameKey{type->name, type->hash}] = type;
}

ScriptType* ScriptTypeList::findPointer(const ScriptType* target, bool unnamedOnly) const {
    for (auto it = m_types.rbegin(); it != m_types.rend(); ++it)
        if ((*it)->kind == ScriptTypeKind::Pointer && (*it)->base == target &&
            (!unnamedOnly || !(*it)->named))
            return it->get();
    return nullptr;
}

ScriptType* ScriptTypeList::findArray(const ScriptType* element, uint32_t count) const {
    for (auto it = m_types.rbegin(); it != m_types.rend(); ++it)
        if ((*it)->kind == ScriptTypeKind::Array && (*it)->base == element && (*it)->count == count)
            return it->get();
    return nullptr;
}

ScriptType* ScriptTypeList::findFunction(const ScriptType* result,
                                         const std::vector<ScriptMember>& params,
                                         bool varArgs) const {
    for (auto it = m_types.rbegin(); it != m_types.rend(); ++it)
        if ((*it)->kind == ScriptTypeKind::Function && (*it)->base == result &&
            (*it)->varArgs() == varArgs && sameParams((*it)->members, params))
            return it->get();
    return nullptr;
}

bool ScriptTypeList::contains(const ScriptType* type) const {
    for (const auto& t : m_types)
        if (t.get() == type) return true;
    return false;
}

ScriptBuiltinTypes scriptMakeBuiltinTypes(ScriptTypeList& global) {
    auto basic = [&](std::string_view name, ScriptBasic b, uint32_t size) {
        auto type = std::make_unique<ScriptType>();
        type->flags = kScriptTypeGlobal;
        setName(*type, name);
        type->basic = b;
        type->size = size;
        type->hasStrings = b == ScriptBasic::String;
        return global.add(std::move(type));
    };
    ScriptBuiltinTypes t;
    t.integer = basic("integer", ScriptBasic::Integer, 4);
    t.floating = basic("float", ScriptBasic::Float, 4);
    t.string = basic("string", ScriptBasic::String, 8);
    t.character = basic("char", ScriptBasic::Char, 1);
    t.word = basic("word", ScriptBasic::Word, 2);
    t.unsignedInt = basic("unsigned", ScriptBasic::Unsigned, 4);
    t.doubleReal = basic("double", ScriptBasic::Double, 8);
    t.charPtr = global.add(scriptMakePointerType(t.character, true));
    t.wordPtr = global.add(scriptMakePointerType(t.word, true));
    return t;
}
