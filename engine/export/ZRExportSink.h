#pragma once

#include "engine/api/zrplugin.h"
#include "engine/export/ZRExportAudioFormat.h"
#include "engine/export/ZRExportLoop.h"

#include <cstdint>
#include <optional>
#include <string>

class ZRExportClock;

/// Where `exportProject` writes frames: the engine's own AVI writer or an export module.
/// Opened once, fed the frames of one run of the export loop, then closed.
/// Thread-safety: one thread at a time (the exporting thread).
class ZRExportSink {
public:
    virtual ~ZRExportSink() = default;

    /// How many frames' worth of audio the first frame carries.
    virtual int leadFrames() const = 0;
    /// True when frames are always scaled field by field.
    virtual bool scalesFields() const = 0;
    /// Opens the output for `width` x `height` frames at the clock's output rate: 0, or the
    /// result the export answers (1 to 3, as `exportProject`).
    virtual int open(const ZRExportClock& clock, int width, int height) = 0;
    /// Writes one frame with its audio (null and 0 without); false refuses it.
    virtual bool push(ZRImageRecord& frame, const void* audio, int32_t bytes) = 0;
    /// Closes the output after the loop ended as `end`: the result the export answers.
    virtual int close(ZRExportLoopEnd end) = 0;
    /// The name of the file written, for the setting "Export Filename"; nothing when no file
    /// name was taken.
    virtual std::optional<std::string> fileName() = 0;
};
