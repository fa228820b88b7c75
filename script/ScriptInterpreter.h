#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct ZRScriptContext;

/// The host record: owned by a host and passed to every run. A run executes under the
/// interpreter's one process-wide recursive lock, so a record may be shared by threads only
/// if they do not touch it while a run on it is in progress.
struct ZRScriptHost {
    int32_t allowGlobal = 0;  ///< nonzero: `#global` may define into the process-wide lists
    int32_t failed = 0;       ///< set to 1 by a failing run, never cleared by the interpreter
    void* reserved = nullptr; ///< the host's own; not used by the interpreter
    ZRScriptContext* runningContext = nullptr; ///< the run in progress, or null
    std::string errorText; ///< the last run's messages joined by the separator; empty: none
    const char* separator = nullptr; ///< text between two messages of a run; null means "\n"
    int32_t persistentId = 0;        ///< persistent context of the runs, 0 for none
    std::string includeFolder;       ///< folder that relative `#include` names resolve against;
                                     ///< empty: the current directory
    /// The host's debug output: receives the messages of a run that succeeded although it
    /// reported something (an included text that failed, an ignored `#include`, a conversion
    /// warning), once per run, joined by the separator. Null: they stay in `errorText` only.
    void (*debug)(ZRScriptHost* host, const char* text) = nullptr;
};

/// Runs a script text. Returns 1 on success and 0 on failure; the messages of the run are left
/// in `host->errorText` (also after a success, for messages that did not end the run). One run
/// executes at a time in the process; a native may start a nested run on the same thread.
/// A null host runs with a record of its own that allows no process-wide definitions.
int scriptExecute(ZRScriptHost* host, std::string_view text);
/// Formats printf-style (no length limit) and runs the result with scriptExecute.
int scriptExecuteFormatted(ZRScriptHost* host, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

/// The address of member `memberName` inside the structure value area `value` of the structure
/// type named `typeName` (inline below 17 bytes, else in the block the area's first word points
/// to); null when the type is not a structure or has no such member. The type is looked up in
/// the running context of `host`, else in its persistent context, else process-wide. Call from
/// inside a native (under the interpreter lock).
void* scriptStructMember(ZRScriptHost* host, void* value, const char* typeName,
                         const char* memberName);
/// The same for the structure that a script pointer (a `T *` argument slot) points to: the
/// address of the member inside the object, checked against the memory the pointer designates;
/// null when the type is unknown or not a structure, has no such member, or the pointer does
/// not designate a whole object of that type. Call from inside a native.
void* scriptPointerMember(ZRScriptHost* host, uint64_t pointer, const char* typeName,
                          const char* memberName);
/// The address of member `memberName` of the structure variable named `variableName` (looked up
/// as a script looks up names: the running function's locals, the run's variables, the
/// persistent context's, the process-wide ones); null when there is no such variable, it is not
/// a structure, or it has no such member. Call from inside a native.
void* scriptVariableMember(ZRScriptHost* host, const char* variableName, const char* memberName);

/// Removes the persistent context with id `id`: destroys its variables' values, its types and
/// its name. Returns 1 if it existed, 0 if not or while a run is using it.
int scriptDestroyPersistent(int32_t id);

/// Frees every process-wide list of the interpreter (types, process-wide functions and
/// variables, persistent contexts, hooks, the native registry, the pointer table), so that a
/// leak checker sees nothing at the end of the process. Call when no run is in progress; the
/// next run starts afresh (built-ins declared again; hosts declare their natives again).
void scriptShutdown();

/// Test hook: a run ends with "step limit reached" after `steps` statements and expression
/// evaluations or after `milliseconds` of time (0: no limit), so that a fuzzer's endless loops end.
void scriptSetRunLimits(uint64_t steps, uint32_t milliseconds);
/// Test hook: with `on` false, no function, loop or expression runs from its integer form: each
/// is read the general way, so that tests can compare the two.
void scriptSetIntegerForms(bool on);
/// Runs `text` as scriptExecute does, under the limits of scriptSetRunLimits for this run only
/// (the limits in force before are restored afterwards).
int scriptExecuteLimited(ZRScriptHost* host, std::string_view text, uint64_t steps,
                         uint32_t milliseconds);

/// Takes every process-wide function named `name` whose canonical signature is `signature`
/// out of the process-wide list, so that a host can declare its native of that name and
/// signature again without the list growing and without a script's definition hiding it.
/// Returns how many went; 0 while a run is in progress (nothing is taken then).
int scriptRemoveGlobalFunctions(std::string_view name, std::string_view signature);
