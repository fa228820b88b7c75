#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

struct ZRScriptHost;
struct ScriptType;

/// The call record handed to every native function.
struct ScriptCall {
    void* result = nullptr;               ///< the 16-byte result area the function fills
    uint64_t resultLocation = 0;          ///< a script pointer to the storage the result lives in
                                          ///< (makes a computed member assignable); 0 = none
    const char* resultTypeName = nullptr; ///< for an open result type: the name of its type
    uint32_t reserved = 0;
    ScriptType* const* argTypes = nullptr; ///< the type of each argument slot
    void* hostData = nullptr;              ///< not used by this system's natives
};

/// The one signature of every native function: the host record, the call record, one pointer
/// per 16-byte argument slot (each holding its argument converted to the declared parameter
/// type, or its own type for further arguments of a `...` function) and their count. Returns 1
/// on success. A string slot holds a `const char*` (owned by the interpreter, may be null); a
/// pointer slot holds a script pointer (see scriptNativeBytes); a string result must come from
/// scriptNewString and passes to the interpreter.
using ScriptNative = int (*)(ZRScriptHost* host, ScriptCall* call, void* const* args, int count);

/// An entry of the process-wide native registry.
struct ScriptNativeEntry {
    std::string name;
    std::string signature; ///< canonical, as scriptSignature spells it: "integer(string,...)"
    ScriptNative function;
    uint32_t token;
};

/// Registers a native and returns the token that `#global` declarations carry as its address
/// ("= 0x%X"); registering the same triple again returns the same token. Thread-safe.
uint32_t scriptRegisterNative(std::string_view name, std::string_view signature,
                              ScriptNative function);
/// The entry a token stands for, or null. Thread-safe; entries live to the end of the process.
const ScriptNativeEntry* scriptFindNative(uint32_t token);

/// Reading argument slots and writing results.
template <class T> T scriptSlot(const void* slot) {
    T value;
    std::memcpy(&value, slot, sizeof value);
    return value;
}
template <class T> void scriptSetSlot(void* slot, T value) {
    std::memcpy(slot, &value, sizeof value);
}

/// The bytes a script pointer designates, checked: `size` bytes inside one live region holding
/// no strings. Null when the pointer is null, dangling, out of range or covers strings.
/// Call only during a run (under the interpreter lock).
void* scriptNativeBytes(uint64_t pointer, uint32_t size);
