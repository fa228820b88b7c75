#pragma once

#include "engine/api/zrplugin.h"
#include "engine/export/ZRExportClock.h"

#include <atomic>
#include <cstdint>
#include <functional>

class IZRImage;
class IZRTimeline;
class ZRExportComposers;
class ZRHostCallbacks;

/// One run of the export frame loop: for every output frame of `clock`, the timeline frame it
/// shows is composed (`videoAt`), scaled to the export size when `scaled` is set, given its
/// audio (`renderAudio`, started once at the range start) and pushed; then the host's progress
/// entry hears of it and may stop the export after that frame, as may the process-wide stop
/// flag.
struct ZRExportLoopRun {
    IZRTimeline* timeline = nullptr;
    const ZRHostCallbacks* host = nullptr;
    /// The timeline frame the range starts at, in the timeline's rate.
    int64_t startFrame = 0;
    const ZRExportClock* clock = nullptr;
    /// The export-size image frames are scaled into, or null to push frames as composed.
    IZRImage* scaled = nullptr;
    /// Scale each field separately always (else as zrExportScalesFields decides).
    bool alwaysFields = false;
    /// Pushed in place of a frame the compositor could not give (cleared to the background).
    IZRImage* blank = nullptr;
    /// Set after each frame: the push wrote the frame's native data unchanged (native kind -1).
    std::atomic<bool>* passThrough = nullptr;
    /// Writes one frame with its audio (null and 0 without); false refuses it.
    std::function<bool(ZRImageRecord& frame, const void* audio, int32_t bytes)> push;
    /// Composes the frames ahead on several threads, in place of `videoAt`; null composes each
    /// frame when it is due.
    ZRExportComposers* composers = nullptr;
    /// With composers: puts the frame composed for the output into the frame buffer the host
    /// is shown (`imageBuffer`), called on the first frame of each second of output that is
    /// recompressed, before the host's progress entry for it.
    std::function<void(IZRImage* composed)> show;
};

enum class ZRExportLoopEnd {
    Finished, ///< every frame was pushed
    Stopped,  ///< the host or the stop flag ended it after a frame
    Refused,  ///< a push refused a frame
};

/// Runs the loop on the caller's thread. The composed frames arrive locked and are unlocked
/// after their push.
ZRExportLoopEnd zrRunExportLoop(const ZRExportLoopRun& run);
