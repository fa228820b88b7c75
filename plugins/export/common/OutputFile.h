#pragma once

#include "platform/ffmpeg/FFmpegHandles.h"

#include <string>
#include <vector>

namespace exportmodule {

/// Keeps the first failure of a writer in `error` as "<what>: <FFmpeg's text for code>"; later
/// ones are dropped. Always false, so that a writer can answer with it.
bool keepFailure(std::string& error, const std::string& what, int code);

/// Writes the trailer of `output`, flushes and closes its file and frees it (`output` becomes
/// null). `files` are the files written so far, the open one last: a failure is kept in `error`
/// under its name. True when there was nothing to complete or all of it succeeded. An output
/// that is only released (not completed) is closed without its trailer.
bool completeOutput(platform::ffmpeg::OutputHandle& output, const std::vector<std::string>& files,
                    std::string& error);

/// A new output context for `muxer` (by name) writing to `path`, in `output`; false (kept in
/// `error` as "muxer") when none can be made.
bool makeOutput(platform::ffmpeg::OutputHandle& output, const char* muxer, const std::string& path,
                std::string& error);

} // namespace exportmodule
