// The "AVI-DV Multifile" export module: DV AVI segments beside an "OVDV" list file at the name
// the engine gives ("<name>.ovl"), split at the size of group "Export::AVI Multifile", key
// "Splitsize" (kilobytes, at most 2096000) of "tmp_modules.ini". Native DV frames pass through
// unchanged; other frames are encoded on a thread of the module's own behind a short queue.
#include "zrplugin.h"

#include "common/ExportPipeline.h"
#include "common/ModuleSettings.h"
#include "dv/DvSegmentWriter.h"
#include "dv/SegmentList.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <thread>

namespace {

using namespace exportmodule;

ZRModuleInfo info = {1, "AVI-DV Multifile", 0, "DV AVI files in segments with a segment list"};

constexpr size_t kQueueDepth = 4;
constexpr long long kMaxSplitKilobytes = 2096000;

struct DvExport {
    std::unique_ptr<DvSegmentWriter> writer;
    std::unique_ptr<ExportPipeline> pipeline;
    std::string listPath;
    int32_t total = 0;
    int32_t received = 0;
    bool pal = true;
    bool finished = false;
    bool completed = false;

    // Drains the queue, completes the last segment and writes the list (also after a failure,
    // so that what was written can be found).
    bool finish() {
        if (finished) return completed;
        finished = true;
        const bool drained = pipeline->finish();
        const bool closed = writer->finish();
        const bool listed = writeSegmentList(listPath, "OVDV", writer->segments());
        completed = drained && closed && listed;
        return completed;
    }
};

std::unique_ptr<DvExport> current;

// "dir/name.ovl" -> "dir/name": the segments are "dir/name01.avi" and on.
std::string segmentStem(const std::string& listPath) {
    const size_t slash = listPath.find_last_of('/');
    const size_t dot = listPath.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        return listPath.substr(0, dot);
    return listPath;
}

// The DSF bit of the first DIF block's header: set for the 625-line system.
bool nativeMatches(const ZRImageRecord& frame, bool pal) {
    if (frame.nativeKind != ZR_NATIVE_DV || !frame.nativeData) return false;
    const size_t expected = pal ? 144000 : 120000;
    if (frame.nativeLength < 0 || size_t(frame.nativeLength) != expected) return false;
    const auto* data = static_cast<const uint8_t*>(frame.nativeData);
    return ((data[3] & 0x80) != 0) == pal;
}

int32_t start(ZRExportRecord* record, int32_t totalFrames) {
    current.reset();
    if (!record) return 0;
    record->fileName[sizeof record->fileName - 1] = 0;
    bool pal;
    if (std::fabs(record->frameRate - 25.0) < 0.5)
        pal = true;
    else if (std::fabs(record->frameRate - 30000.0 / 1001.0) < 0.1 ||
             std::fabs(record->frameRate - 30.0) < 0.1)
        pal = false;
    else
        return 0;
    const ModuleSettings settings = ModuleSettings::readDefault("Export::AVI Multifile");
    long long split = settings.integer("Splitsize").value_or(kMaxSplitKilobytes);
    if (split <= 0 || split > kMaxSplitKilobytes) split = kMaxSplitKilobytes;

    auto state = std::make_unique<DvExport>();
    state->listPath = record->fileName;
    state->writer = std::make_unique<DvSegmentWriter>();
    const bool audio = record->hasAudio != 0;
    const int threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    if (!state->writer->open(segmentStem(state->listPath), pal, split * 1024,
                             audio ? record->audioRate : 0, record->audioBits,
                             record->audioChannels, threads)) {
        for (const std::string& file : state->writer->segments())
            QFile::remove(QString::fromUtf8(file.c_str()));
        return 0;
    }
    DvSegmentWriter* writer = state->writer.get();
    state->pipeline = std::make_unique<ExportPipeline>(
        kQueueDepth, [writer](ExportJob& job) { return writer->write(job); });
    state->total = totalFrames;
    state->pal = pal;
    current = std::move(state);
    return 1;
}

int32_t encode(ZRImageRecord* frame, const void* audio, int32_t audioBytes) {
    if (!current || current->finished || !frame) return 0;
    ExportJob* job = current->pipeline->acquire();
    if (!job) return 0;
    job->native.clear();
    if (nativeMatches(*frame, current->pal)) {
        const auto* data = static_cast<const uint8_t*>(frame->nativeData);
        job->native.assign(data, data + frame->nativeLength);
        // Tells the engine the frame went out unchanged: it keeps handing native frames on.
        frame->nativeKind = ZR_NATIVE_PASSED;
    } else if (frame->pixels && frame->width > 0 && frame->height > 0 &&
               frame->stride >= frame->width * 4) {
        const size_t row = size_t(frame->width) * 4;
        job->pixels.resize(row * size_t(frame->height));
        for (int y = 0; y < frame->height; ++y)
            std::memcpy(job->pixels.data() + row * size_t(y),
                        frame->pixels + size_t(frame->stride) * size_t(y), row);
        job->width = frame->width;
        job->height = frame->height;
        job->stride = int(row);
    } else {
        current->pipeline->release(job);
        return 0;
    }
    const auto* bytes = static_cast<const uint8_t*>(audio);
    job->audio.assign(bytes, bytes && audioBytes > 0 ? bytes + audioBytes : bytes);
    if (!current->pipeline->submit(job)) return 0;
    if (++current->received == current->total) return current->finish() ? 1 : 0;
    return 1;
}

} // namespace

ZR_PLUGIN_ENTRY ZRModuleInfo* moduleInfo20(int32_t, ZRStringLookup) {
    return &info;
}

ZR_PLUGIN_ENTRY void exportConfig(int32_t, ZRExportRecord*) {}

ZR_PLUGIN_ENTRY int32_t exportStart(ZRExportRecord* record, int32_t totalFrames) {
    try {
        return start(record, totalFrames);
    } catch (...) {
        current.reset();
        return 0;
    }
}

ZR_PLUGIN_ENTRY int32_t exportEncode(ZRImageRecord* frame, const void* audio, int32_t audioBytes) {
    try {
        return encode(frame, audio, audioBytes);
    } catch (...) {
        return 0;
    }
}

ZR_PLUGIN_ENTRY void exportEnd(void) {
    try {
        if (current) current->finish();
    } catch (...) {
    }
    current.reset();
}
