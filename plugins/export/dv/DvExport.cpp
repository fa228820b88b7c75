// The "AVI-DV Multifile" export module: DV AVI segments beside an "OVDV" list file at the name
// the engine gives ("<name>.ovl"), split at the size of group "Export::AVI Multifile", key
// "Splitsize" (kilobytes, at most 2096000) of "tmp_modules.ini". Native DV frames pass through
// unchanged; other frames are encoded on a thread of the module's own behind a short queue.
#include "engine/api/zrplugin.h"

#include "platform/segments/ZRSegmentList.h"
#include "plugins/export/common/ExportSession.h"
#include "plugins/export/common/ModuleSettings.h"
#include "plugins/export/dv/DvSegmentWriter.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace exportmodule;

ZRModuleInfo info = {1, "AVI-DV Multifile", 0, "DV AVI files in segments with a segment list"};

constexpr long long kMaxSplitKilobytes = 2096000;

// The DSF bit of the first DIF block's header: set for the 625-line system.
bool nativeMatches(const ZRImageRecord& frame, bool pal) {
    if (frame.nativeKind != ZR_NATIVE_DV || !frame.nativeData) return false;
    const size_t expected = pal ? 144000 : 120000;
    if (frame.nativeLength < 0 || size_t(frame.nativeLength) != expected) return false;
    const auto* data = static_cast<const uint8_t*>(frame.nativeData);
    return ((data[3] & 0x80) != 0) == pal;
}

class DvExport : public ExportSession<DvSegmentWriter> {
public:
    DvExport(std::unique_ptr<DvSegmentWriter> writer, int32_t total, std::string listPath, bool pal)
        : ExportSession(std::move(writer), total), m_listPath(std::move(listPath)), m_pal(pal) {}

private:
    // Native DV frames of the chosen system pass through unchanged.
    bool fill(ZRImageRecord& frame, ExportJob& job) override {
        job.native.clear();
        if (!nativeMatches(frame, m_pal)) return ExportSession::fill(frame, job);
        const auto* data = static_cast<const uint8_t*>(frame.nativeData);
        job.native.assign(data, data + frame.nativeLength);
        // Tells the engine the frame went out unchanged: it keeps handing native frames on.
        frame.nativeKind = ZR_NATIVE_PASSED;
        return true;
    }

    // The segments take their names first, then the list that names them is written; a list
    // that cannot be written takes the segments with it.
    bool publish() override {
        if (!writer().publish()) return false;
        platform::PendingFiles list;
        const std::string pending = list.add(m_listPath);
        if (!pending.empty() &&
            segments::ZRSegmentList::writeFile(pending, segments::ZRSegmentList::Kind::DV,
                                               writer().segments()) &&
            list.publish())
            return true;
        for (const std::string& segment : writer().segments())
            std::remove(segment.c_str());
        return false;
    }

    std::string m_listPath;
    bool m_pal = true;
};

CurrentExport<DvExport> current;

// "dir/name.ovl" -> "dir/name": the segments are "dir/name01.avi" and on.
std::string segmentStem(const std::string& listPath) {
    const size_t slash = listPath.find_last_of('/');
    const size_t dot = listPath.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        return listPath.substr(0, dot);
    return listPath;
}

// The bare names of the segments of the DV list at `listPath`, which the export replaces.
std::vector<std::string> replacedSegments(const std::string& listPath) {
    std::string error;
    const auto list = segments::ZRSegmentList::read(listPath, &error);
    std::vector<std::string> names;
    if (!list || list->kind() != segments::ZRSegmentList::Kind::DV) return names;
    for (const segments::ZRSegmentList::Entry& entry : list->entries())
        names.push_back(entry.name);
    return names;
}

std::unique_ptr<DvExport> makeExport(const ZRExportRecord& record, int32_t totalFrames) {
    bool pal;
    if (std::fabs(record.frameRate - 25.0) < 0.5)
        pal = true;
    else if (std::fabs(record.frameRate - 30000.0 / 1001.0) < 0.1 ||
             std::fabs(record.frameRate - 30.0) < 0.1)
        pal = false;
    else
        return nullptr;
    const auto settings = ModuleSettings::readDefault("Export::AVI Multifile");
    if (!settings) return nullptr;
    long long split = settings->integer("Splitsize").value_or(kMaxSplitKilobytes);
    if (split <= 0 || split > kMaxSplitKilobytes) split = kMaxSplitKilobytes;

    const std::string listPath = record.fileName;
    auto writer = std::make_unique<DvSegmentWriter>();
    const bool audio = record.hasAudio != 0;
    if (!writer->open(segmentStem(listPath), pal, split * 1024, audio ? record.audioRate : 0,
                      record.audioBits, record.audioChannels, encoderThreads(),
                      replacedSegments(listPath)))
        return nullptr;
    return std::make_unique<DvExport>(std::move(writer), totalFrames, listPath, pal);
}

} // namespace

ZR_PLUGIN_ENTRY ZRModuleInfo* moduleInfo20(int32_t, ZRStringLookup) {
    return &info;
}

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
