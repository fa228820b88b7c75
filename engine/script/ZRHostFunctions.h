#pragma once

#include "script/ScriptNatives.h"

#include <span>

/// One declaration line of the engine's host functions: the `#global` line (with its "0x%X"
/// placeholder for the registry token), the native's name, its canonical signature and the
/// function. A line without a function (the `ZRScriptInfo` typedef) is run as it stands.
struct ZRHostFunction {
    const char* line;
    const char* name;
    const char* signature;
    ScriptNative function;
};

/// The host functions in declaration order; the last entry is `zrSetEffectMarkOut`. They act on
/// the timeline of zrscript::engine(); handles that name nothing there make them do nothing
/// (with one debug line), and every one reports success to the interpreter.
std::span<const ZRHostFunction> hostFunctions();
