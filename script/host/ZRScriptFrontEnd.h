#pragma once

#include <string_view>

class ZRTimeline;
struct ZRScriptHost;

/// The script information a script hands over with `zrScriptInit`: the texts point into the
/// script's own value and are valid only during the host's `scriptInfo` call.
struct ZRScriptInfo {
    const char* name = nullptr;
    const char* type = nullptr;
    const char* description = nullptr;
    const char* author = nullptr;
    float version = 0.0f;
};

/// The engine's side of running scripts: the one host record of the process and the timeline
/// that host functions act on (the one that declared them last).
/// Thread-safety: the declaration step takes a mutex of its own; runs are serialised by the
/// interpreter's lock; the engine pointer is atomic.
namespace zrscript {

/// The engine's host record, shared by every run of every timeline.
ZRScriptHost& engineHost();

/// The timeline host functions act on, or null when none has declared them or it was destroyed.
ZRTimeline* engine();

/// True while the host functions are known to the interpreter of this process.
bool hostFunctionsAvailable();

/// The declaration step: points the engine at `timeline` and, the first time in the process
/// (or after the interpreter was shut down), declares the host functions, reporting each
/// failed declaration through the timeline's `debug`. Returns whether they are available.
bool declareHostFunctions(ZRTimeline* timeline);

/// Runs `text` on the engine's host record; a failed run hands its error text to the
/// timeline's `scriptOutput`. True when the run succeeded.
bool runText(ZRTimeline* timeline, std::string_view text);

/// Called by a timeline's destructor: the engine pointer no longer names it.
void forgetTimeline(ZRTimeline* timeline);

} // namespace zrscript
