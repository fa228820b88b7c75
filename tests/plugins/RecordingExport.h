#pragma once

#include "engine/api/zrplugin.h"

// What the recording export module (recording_export.cpp) saw of one export; the tests read it
// through the module's `recordedExport` entry.
struct RecordedExport {
    int starts = 0;
    int ends = 0;
    int frames = 0;
    int nativeFrames = 0;
    int totalFrames = 0;
    int width = 0;
    int height = 0;
    double rate = 0;
    int audioRate = 0;
    int audioBits = 0;
    int audioChannels = 0;
    long long audioBytes = 0;
    int firstAudioBytes = -1;
    int refuseAt = 0; ///< set by the test: the frame number (from 1) the module refuses
    char fileName[ZR_EXPORT_FILE_BYTES] = {};
};
