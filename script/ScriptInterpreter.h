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
};

/// Runs a script text. Returns 1 on success and 0 on failure; the messages of the run are left
/// in `host->errorText` (also after a success, for messages that did not end the run).
int scriptExecute(ZRScriptHost* host, std::string_view text);
/// Formats printf-style (no length limit) and runs the result with scriptExecute.
int scriptExecuteFormatted(ZRScriptHost* host, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

/// The address of member `memberName` inside the structure value area `value` of the structure
/// type named `typeName` (inline below 17 bytes, else in the block the area's first word points
/// to); null when the type is not a structure or has no such member. Call from inside a native.
void* scriptStructMember(ZRScriptHost* host, void* value, const char* typeName,
                         const char* memberName);

/// Test hook: a run ends with "step limit reached" after `steps` statements and expression
/// evaluations or after `milliseconds` of time (0: no limit), so that a fuzzer's endless loops end.
void scriptSetRunLimits(uint64_t steps, uint32_t milliseconds);
