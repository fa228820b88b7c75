#pragma once

#include "script/ScriptInterpreter.h"

#include <span>
#include <string>
#include <string_view>

/// A host for interpreter tests: `out(...)` natives append their argument to `output`
/// (numbers in the language's text forms, separated by blanks), `count()` counts its calls.
struct ScriptRun {
    bool ok = false;
    std::string output;
    std::string errors;
};

/// Runs `text` with a fresh host record. `allowGlobal` lets `#global` define process-wide.
ScriptRun runScript(std::string_view text, bool allowGlobal = false, int persistentId = 0,
                    const std::string& includeFolder = {});
/// Number of calls of the native `count()` so far.
int countCalls();
/// Shuts the interpreter down (scriptShutdown); the next runScript declares the natives again.
void shutdownInterpreter();

/// A script and what its `out(...)` calls write.
struct ScriptCase {
    const char* script;
    const char* output;
};
/// Runs each case (traced by its script) and expects it to succeed, report nothing and write
/// its output.
void expectOutputs(std::span<const ScriptCase> cases);
