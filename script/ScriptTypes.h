#pragma once

#include "script/ScriptNames.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

/// Kinds of type objects; the numbers are those the language's messages print.
enum class ScriptTypeKind : uint8_t {
    Basic = 0,
    Alias = 1,
    Pointer = 2,
    Array = 3,
    Struct = 4,
    Function = 5
};

/// The built-in basic types.
enum class ScriptBasic : uint8_t { None, Integer, Float, String, Char, Word, Unsigned, Double };

inline constexpr uint32_t kScriptTypeGlobal = 4;  ///< the type lives in the process-wide list
inline constexpr uint32_t kScriptTypeVarArgs = 8; ///< a function type that takes further arguments

/// Largest value block (arrays, large structures) a script may make, in bytes.
inline constexpr uint64_t kScriptMaxBlock = 64ull << 20;

struct ScriptType;

/// A structure field or a function parameter.
struct ScriptMember {
    std::string name;    ///< empty for an unnamed parameter
    ScriptType* type;    ///< null for a parameter of open type (`anytype`)
    uint32_t offset = 0; ///< structure fields: byte offset, fields packed in order
};

/// One type object; identity of the object is identity of the type. Owned by a ScriptTypeList.
/// Values: integer, unsigned, float 4 bytes; char 1; word 2; double 8; string, pointer and
/// function values 8 (pointer-sized); arrays count x element size; structures the sum of their
/// fields. A structure of 17 bytes or more and every array live in a block outside the value area.
struct ScriptType {
    uint32_t flags = 0;
    std::string name; ///< set when `named`
    bool named = false;
    uint64_t hash = 0; ///< scriptNameHash(name) when named
    ScriptTypeKind kind = ScriptTypeKind::Basic;
    ScriptBasic basic = ScriptBasic::None;
    ScriptType* base =
        nullptr;        ///< alias or pointer target, array element, function result (null: open)
    uint32_t count = 0; ///< array elements, function parameters or structure fields
    std::vector<ScriptMember> members;
    uint32_t size = 0;
    bool hasStrings = false; ///< values of this type own strings somewhere inside
    bool incomplete = false; ///< a structure named before its definition: no values, no arrays
    std::string signature;   ///< function types: canonical signature, see scriptSignature

    bool isGlobal() const { return flags & kScriptTypeGlobal; }
    bool varArgs() const { return flags & kScriptTypeVarArgs; }
    bool is(ScriptBasic b) const { return kind == ScriptTypeKind::Basic && basic == b; }
    bool isPointer() const { return kind == ScriptTypeKind::Pointer; }
    bool isStruct() const { return kind == ScriptTypeKind::Struct; }
    bool isArray() const { return kind == ScriptTypeKind::Array; }
    bool isFunction() const { return kind == ScriptTypeKind::Function; }
    bool isReal() const { return is(ScriptBasic::Float) || is(ScriptBasic::Double); }
    /// A basic type other than string: its values take part in arithmetic and comparisons.
    bool isNumeric() const { return kind == ScriptTypeKind::Basic && basic != ScriptBasic::String; }
    /// Values lie in a separate block whose data address is the value area's first word.
    bool isLarge() const { return isArray() || size >= 17; }
    const ScriptMember* member(std::string_view memberName) const;
};

/// A real as the language turns it into an integer: moved 0.000001 away from zero when
/// `correct`, truncated toward zero and held in -2^31 .. 2^32 - 1 (not-a-number gives 0).
inline int64_t scriptRealToInteger(double x, bool correct) {
    if (std::isnan(x)) return 0;
    if (correct) x += x >= 0 ? 0.000001 : -0.000001;
    x = std::trunc(x);
    if (x <= -2147483648.0) return INT32_MIN;
    if (x >= 4294967295.0) return UINT32_MAX;
    return int64_t(x);
}

/// `v` held in the range of a 32-bit signed integer.
inline int32_t scriptSaturateInt(int64_t v) {
    return v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : int32_t(v);
}

/// The name a message uses for a type: its own name, or a spelling built from its parts.
std::string scriptTypeName(const ScriptType* type);

/// Canonical signature of a function type, as the native registry spells it: the result and
/// parameter types by name, aliases resolved, pointers as `T*`, e.g. "integer(string,...)".
const std::string& scriptSignature(ScriptType* functionType);

/// Makes a pointer type to `target` (unnamed, or named "<target> ptr" when `named` and the
/// target has a name). Global when its target is.
std::unique_ptr<ScriptType> scriptMakePointerType(ScriptType* target, bool named);
/// Makes an array type; null when its size would exceed kScriptMaxBlock.
std::unique_ptr<ScriptType> scriptMakeArrayType(ScriptType* element, uint32_t count);
/// Makes a function type; `result` null means an open result type.
std::unique_ptr<ScriptType> scriptMakeFunctionType(ScriptType* result,
                                                   std::vector<ScriptMember> params, bool varArgs);
/// Sets a structure's fields, offsets, count, size and string flag.
void scriptSetStructFields(ScriptType* type, std::vector<ScriptMember> fields);

/// A counter that changes whenever a type or a process-wide name appears or goes, or a run
/// begins or ends: caches of name lookups are valid while it stands. Used under the interpreter
/// lock.
inline uint64_t gScriptNameEpoch = 1;
inline uint64_t scriptNameEpoch() {
    return gScriptNameEpoch;
}
inline void scriptBumpNameEpoch() {
    ++gScriptNameEpoch;
}

/// A list of type objects; lookups find the newest match first. Confined to one run, except the
/// process-wide list (guarded by the interpreter lock).
class ScriptTypeList {
public:
    ScriptTypeList() = default;
    ScriptTypeList(const ScriptTypeList&) = delete;
    ScriptTypeList& operator=(const ScriptTypeList&) = delete;
    ~ScriptTypeList() { scriptBumpNameEpoch(); }
    ScriptType* find(std::string_view name, uint64_t hash) const;
    ScriptType* add(std::unique_ptr<ScriptType> type);
    /// Gives an unnamed type of this list a name.
    void name(ScriptType* type, std::string_view newName);
    ScriptType* findPointer(const ScriptType* target, bool unnamedOnly) const;
    ScriptType* findArray(const ScriptType* element, uint32_t count) const;
    ScriptType* findFunction(const ScriptType* result, const std::vector<ScriptMember>& params,
                             bool varArgs) const;
    bool contains(const ScriptType* type) const;
    size_t size() const { return m_types.size(); }
    /// Destroys every type of the list (at shutdown, when no value of them is left).
    void clear() {
        scriptBumpNameEpoch();
        std::vector<std::unique_ptr<ScriptType>>().swap(m_types);
        std::unordered_map<ScriptNameKey, ScriptType*, ScriptNameKeyHash>().swap(m_byName);
    }

private:
    std::vector<std::unique_ptr<ScriptType>> m_types;
    std::unordered_map<ScriptNameKey, ScriptType*, ScriptNameKeyHash> m_byName;
};

/// The built-in types, made once per process in the process-wide list.
struct ScriptBuiltinTypes {
    ScriptType* integer = nullptr;
    ScriptType* floating = nullptr;
    ScriptType* string = nullptr;
    ScriptType* character = nullptr;
    ScriptType* word = nullptr;
    ScriptType* unsignedInt = nullptr;
    ScriptType* doubleReal = nullptr;
    ScriptType* charPtr = nullptr;
    ScriptType* wordPtr = nullptr;
};

ScriptBuiltinTypes scriptMakeBuiltinTypes(ScriptTypeList& global);
