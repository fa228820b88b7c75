// An export module for the export tests: records what the engine hands it without encoding
// anything. It claims every native frame (native kind set to -1, as a module does that writes
// native data out unchanged) and refuses frame number `refuseAt` when that is set.
#include "engine/api/zrplugin.h"
#include "tests/plugins/RecordingExport.h"

#include <cstdio>
#include <cstring>

namespace {

ZRModuleInfo info = {1, "Test Recording Export", 0, "Records what it is given"};

RecordedExport recorded;

} // namespace

ZR_PLUGIN_ENTRY ZRModuleInfo* moduleInfo20(int32_t, ZRStringLookup) {
    return &info;
}

ZR_PLUGIN_ENTRY void exportConfig(int32_t, ZRExportRecord*) {}

ZR_PLUGIN_ENTRY int32_t exportStart(ZRExportRecord* record, int32_t totalFrames) {
    const int refuseAt = recorded.refuseAt;
    recorded = RecordedExport{};
    recorded.refuseAt = refuseAt;
    recorded.starts = 1;
    recorded.totalFrames = totalFrames;
    recorded.width = record->width;
    recorded.height = record->height;
    recorded.rate = record->frameRate;
    recorded.audioRate = record->audioRate;
    recorded.audioBits = record->audioBits;
    recorded.audioChannels = record->audioChannels;
    std::snprintf(recorded.fileName, sizeof recorded.fileName, "%s", record->fileName);
    return 1;
}

ZR_PLUGIN_ENTRY int32_t exportEncode(ZRImageRecord* frame, const void*, int32_t audioBytes) {
    ++recorded.frames;
    if (recorded.firstAudioBytes < 0) recorded.firstAudioBytes = audioBytes;
    recorded.audioBytes += audioBytes;
    if (frame->nativeKind == ZR_NATIVE_DV) {
        ++recorded.nativeFrames;
        frame->nativeKind = ZR_NATIVE_PASSED;
    }
    return recorded.frames != recorded.refuseAt;
}

ZR_PLUGIN_ENTRY void exportEnd(void) {
    ++recorded.ends;
}

// The test's view of what was recorded.
ZR_PLUGIN_ENTRY void* recordedExport(void) {
    return &recorded;
}
