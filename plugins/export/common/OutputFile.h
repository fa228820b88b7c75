#pragma once

#include <string>
#include <vector>

struct AVFormatContext;

namespace exportmodule {

/// Keeps the first failure of a writer in `error` as "<what>: <FFmpeg's text for code>"; later
/// ones are dropped. Always false, so that a writer can answer with it.
bool keepFailure(std::string& error, const std::string& what, int code);

/// Writes the trailer of `output`, flushes and closes its file and frees it (`output` becomes
/// null). `files` are the files written so far, the open one last: a failure is kept in `error`
/// under its name. True when there was nothing to complete or all of it succeeded.
bool completeOutput(AVFormatContext*& output, const std::vector<std::string>& files,
                    std::string& error);

/// Closes and frees `output` without completing it (a writer destroyed before it finished).
void discardOutput(AVFormatContext*& output);

} // namespace exportmodule
