// The "MPEG" export module: MPEG-1 and MPEG-2 program streams in the VCD, SVCD and DVD profiles,
// chosen by the settings the produce page writes into group "Export::MPEG" of
// "tmp_modules.ini". Frames are copied into a short queue and encoded on a thread of the
// module's own while the engine composes the next ones.
#include "engine/api/zrplugin.h"

#include "plugins/export/common/ExportSession.h"
#include "plugins/export/common/ModuleSettings.h"
#include "plugins/export/mpeg/MpegProfile.h"
#include "plugins/export/mpeg/MpegWriter.h"

#include <memory>

namespace {

using namespace exportmodule;

ZRModuleInfo info = {1, "MPEG", 0, "MPEG-1 and MPEG-2 program streams for VCD, SVCD and DVD"};

using MpegExport = ExportSession<MpegWriter>;

CurrentExport<MpegExport> current;

std::unique_ptr<MpegExport> makeExport(const ZRExportRecord& record, int32_t totalFrames) {
    const auto settings = ModuleSettings::readDefault("Export::MPEG");
    if (!settings) return nullptr;
    const auto profile = mpegProfile(*settings, record.frameRate);
    if (!profile) return nullptr;
    auto writer = std::make_unique<MpegWriter>();
    const bool audio = record.hasAudio != 0;
    if (!writer->open(*profile, record.fileName, audio ? record.audioRate : 0, record.audioBits,
                      record.audioChannels, encoderThreads()))
        return nullptr;
    return std::make_unique<MpegExport>(std::move(writer), totalFrames);
}

} // namespace

ZR_PLUGIN_ENTRY ZRModuleInfo* moduleInfo20(int32_t, ZRStringLookup) {
    return &info;
}

// The settings come from the produce page; there is nothing to configure here.
ZR_PLUGIN_ENTRY void exportConfig(int32_t, ZRExportRecord*) {}

ZR_PLUGIN_ENTRY int32_t exportStart(ZRExportRecord* record, int32_t totalFrames) {
    return current.start(record, totalFrames, makeExport);
}

ZR_PLUGIN_ENTRY int32_t exportEncode(ZRImageRecord* frame, const void* audio, int32_t audioBytes) {
    return current.encode(frame, audio, audioBytes);
}

ZR_PLUGIN_ENTRY void exportEnd(void) {
    current.end();
}
