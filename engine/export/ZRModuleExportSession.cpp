#include "engine/export/ZRModuleExportSession.h"

#include "engine/base/ZREngineServices.h"
#include "engine/base/ZRHostCallbacks.h"
#include "engine/export/ZRExportPalette.h"
#include "engine/export/ZRTimelineExportState.h"
#include "engine/modules/ZRImageRecord.h"
#include "engine/modules/ZRModuleLocale.h"

#include "engine/api/IZRImage.h"

ZRModuleExportSession::ZRModuleExportSession(ZREngineServices& owner, int32_t totalFrames)
    : m_owner(owner), m_totalFrames(totalFrames) {}

ZRModuleExportSession::~ZRModuleExportSession() {
    endExportSession();
    m_owner.exportState().removeSession(this);
}

bool ZRModuleExportSession::startExportSession(const char* moduleName, int width, int height,
                                               double rate, const char* fileName) {
    const std::string path = m_owner.moduleFilePath("Export", moduleName, nullptr);
    if (path.empty()) return false;
    m_counter = 0;
    ZRExportRecordFormat format;
    format.width = width;
    format.height = height;
    format.frameRate = rate;
    auto run = std::make_unique<ZRExportModuleRun>();
    if (run->open(QString::fromUtf8(path.c_str()), &m_owner.host(), fileName, format) !=
            ZRExportModuleRun::Opened::Ok ||
        !run->start(m_totalFrames))
        return false;
    m_run = std::move(run);
    return true;
}

bool ZRModuleExportSession::encodeExportFrame(IZRImage* frame) {
    if (!m_run || !m_run->running() || !frame || !frame->pixels()) return false;
    ++m_counter;
    ZRImageRecord record = zrImageRecord(frame);
    return m_run->encode(record, nullptr, 0);
}

void ZRModuleExportSession::endExportSession() {
    m_run.reset();
}
