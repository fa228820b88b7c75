// The "MPEG" export module: MPEG-1 and MPEG-2 program streams in the VCD, SVCD and DVD profiles,
// chosen by the settings the produce page writes into group "Export::MPEG" of
// "tmp_modules.ini". Frames are copied into a short queue and encoded on a thread of the
// module's own while the engine composes the next ones.
#include "zrplugin.h"

#include "common/ExportPipeline.h"
#include "common/ModuleSettings.h"
#include "mpeg/MpegProfile.h"
#include "mpeg/MpegWriter.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <memory>
#include <thread>

namespace {

using namespace exportmodule;

ZRModuleInfo info = {1, "MPEG", 0, "MPEG-1 and MPEG-2 program streams for VCD, SVCD and DVD"};

// The frames in flight between the engine and the encoder.
constexpr size_t kQueueDepth = 4;

struct MpegExport {
    std::unique_ptr<MpegWriter> writer;
    std::unique_ptr<ExportPipeline> pipeline;
    int32_t total = 0;
    int32_t received = 0;
    bool finished = false;
    bool completed = false;

    // Drains the queue and completes the files; the answer of the export's last frame.
    bool finish() {
        if (finished) return completed;
        finished = true;
        const bool drained = pipeline->finish();
        completed = writer->finish() && drained;
        return completed;
    }
};

std::unique_ptr<MpegExport> current;

int threadCount() {
    return int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
}

bool copyFrame(const ZRImageRecord& frame, ExportJob& job) {
    if (!frame.pixels || frame.width < 1 || frame.height < 1 || frame.stride < frame.width * 4)
        return false;
    const size_t row = size_t(frame.width) * 4;
    job.pixels.resize(row * size_t(frame.height));
    for (int y = 0; y < frame.height; ++y)
        std::memcpy(job.pixels.data() + row * size_t(y),
                    frame.pixels + size_t(frame.stride) * size_t(y), row);
    job.width = frame.width;
    job.height = frame.height;
    job.stride = int(row);
    job.interlaced = frame.interlaced != 0;
    return true;
}

int32_t start(ZRExportRecord* record, int32_t totalFrames) {
    current.reset();
    if (!record) return 0;
    record->fileName[sizeof record->fileName - 1] = 0;
    const auto profile =
        mpegProfile(ModuleSettings::readDefault("Export::MPEG"), record->frameRate);
    if (!profile) return 0;
    auto state = std::make_unique<MpegExport>();
    state->writer = std::make_unique<MpegWriter>();
    const bool audio = record->hasAudio != 0;
    if (!state->writer->open(*profile, record->fileName, audio ? record->audioRate : 0,
                             record->audioBits, record->audioChannels, threadCount())) {
        for (const std::string& file : state->writer->files())
            QFile::remove(QString::fromUtf8(file.c_str()));
        return 0;
    }
    MpegWriter* writer = state->writer.get();
    state->pipeline = std::make_unique<ExportPipeline>(
        kQueueDepth, [writer](ExportJob& job) { return writer->write(job); });
    state->total = totalFrames;
    current = std::move(state);
    return 1;
}

int32_t encode(ZRImageRecord* frame, const void* audio, int32_t audioBytes) {
    if (!current || current->finished || !frame) return 0;
    ExportJob* job = current->pipeline->acquire();
    if (!job) return 0;
    if (!copyFrame(*frame, *job)) {
        current->pipeline->release(job);
        return 0;
    }
    const auto* bytes = static_cast<const uint8_t*>(audio);
    job->audio.assign(bytes, bytes && audioBytes > 0 ? bytes + audioBytes : bytes);
    if (!current->pipeline->submit(job)) return 0;
    // The last frame waits for the files to be complete, so that a failure to write them is
    // still reported to the engine.
    if (++current->received == current->total) return current->finish() ? 1 : 0;
    return 1;
}

} // namespace

ZR_PLUGIN_ENTRY ZRModuleInfo* moduleInfo20(int32_t, ZRStringLookup) {
    return &info;
}

// The settings come from the produce page; there is nothing to configure here.
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
