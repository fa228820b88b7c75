#pragma once

#include <cstdint>
#include <string_view>

class ZRTimeline;

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

/// The timeline host functions act on, or null when none has declared them or it was destroyed.
ZRTimeline* engine();

/// True while the host functions are known to the interpreter of this process.
bool hostFunctionsAvailable();

/// Runs through `ZRTimeline::runScriptFile` end with "step limit reached" after
/// kFileRunBaseSteps plus kFileRunStepsPerByte for each byte of the file (statements and
/// expression evaluations). A project the engine writes executes each line once and takes at
/// most one step for every 12 bytes (about 2.4 million for 100,000 objects), some fifty times
/// below the limit; a file that never finishes (an endless loop) ends with the message, within a
/// fraction of a second for a small file, instead of hanging the editor. Runs of texts
/// (`runScript`, `runScriptLine`) have no limit.
inline constexpr uint64_t kFileRunBaseSteps = 1'000'000;
inline constexpr uint64_t kFileRunStepsPerByte = 4;

/// The largest project file: `ZRTimeline::saveProject` refuses to write a larger one and
/// `ZRTimeline::runScriptFile` to read one, each with a message saying so. Room for well over
/// 100,000 objects with their editor data.
inline constexpr int64_t kMaxProjectBytes = int64_t(256) << 20;

/// The declaration step: points the engine at `timeline` and, the first time in the process
/// (or after the interpreter was shut down) or when `redeclare` is true, declares the host
/// functions, reporting each failed declaration through the timeline's `debug`. Declaring
/// again replaces the process-wide records of the host functions' names and signatures (a
/// script's `#global` definition that hid one included), so the list does not grow. Returns
/// whether the last declaration succeeded.
bool declareHostFunctions(ZRTimeline* timeline, bool redeclare = false);

/// Runs `text` on the engine's host record, ending it after `stepLimit` steps (0: no limit);
/// a failed run hands its error text to the timeline's `scriptOutput`. True when the run
/// succeeded.
bool runText(ZRTimeline* timeline, std::string_view text, uint64_t stepLimit = 0);

/// The step limit of a run through `ZRTimeline::runScriptFile` of a file of `bytes` bytes.
uint64_t fileRunStepLimit(uint64_t bytes);
/// The size limit of project files (kMaxProjectBytes).
int64_t maxProjectBytes();
/// Test hook: sets that limit (0: back to kMaxProjectBytes); answers the one before.
int64_t setMaxProjectBytes(int64_t bytes);

/// Called by a timeline's destructor: the engine pointer no longer names it.
void forgetTimeline(ZRTimeline* timeline);

} // namespace zrscript
