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

/// Hooks: a process-wide native named `OnStart`, `OnFinish`, `Malloc` or `Free` (declared with
/// `#global` and a registry token) is taken out of the process-wide list after the declaration
/// statement that made it and installed; a later one replaces it. Each must have its one
/// signature: `integer OnStart( )`, `integer OnFinish( integer failed, string text )`,
/// `unsigned Malloc( unsigned size )`, `integer Free( unsigned memory )`; a native of such a name
/// with another signature is reported, taken out and not installed, and the run fails. Script
/// functions of these names stay ordinary functions. The interpreter calls them as
///   OnStart:  (host, call, no slots) at the start of every outermost run;
///   OnFinish: (host, call, {int32_t failed (1 or 0), const char* error text or null}) at the
///             end of every outermost run;
///   Malloc:   (null, call, {uint64_t size}) for every block of script memory (strings, value
///             blocks); it writes the address of `size` bytes aligned to 16, or null, into the
///             first 8 bytes of the result area;
///   Free:     (null, call, {void* memory}) for every release of memory that Malloc made.
/// `call->argTypes` is null for these calls; their results other than Malloc's are ignored.

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
/// The entry a token stands for, or null. Thread-safe; entries live until scriptShutdown.
const ScriptNativeEntry* scriptFindNative(uint32_t token);
/// Forgets every registered native (at shutdown); tokens issued later start again.
void scriptClearNatives();

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
/// The characters a script pointer to char designates: from the pointer up to the first NUL or
/// to the end of its region. False (and `text` empty) when the pointer is null or dangling, or
/// when the bytes overlap strings. Call only during a run.
bool scriptNativeText(uint64_t pointer, std::string_view& text);
