#include "ZRModuleExportSession.h"

#include "base/ZREngineServices.h"
#include "export/ZRExportPalette.h"
#include "export/ZRTimelineExportState.h"
#include "modules/ZRImageRecord.h"
#include "modules/ZRModuleLocale.h"
#include "timeline/ZRHostCallbacks.h"
#include "util/ZREngineString.h"

#include "api/IZRImage.h"

#include <cstring>

ZRModuleExportSession::ZRModuleExportSession(ZREngineServices& owner, int32_t totalFrames)
    : m_owner(owner), m_record(std::make_unique<ZRExportRecord>()), m_totalFrames(totalFrames) {}

ZRModuleExportSession::~ZRModuleExportSession() {
    endExportSession();
    m_owner.exportState().removeSession(this);
}

bool ZRModuleExportSession::startExportSession(const char* moduleName, int width, int height,
                                               double rate, const char* fileName) {
    *m_record = ZRExportRecord{};
    const size_t nameLength = fileName ? std::strlen(fileName) : 0;
    if (nameLength >= sizeof m_record->fileName) return false;
    if (fileName) std::memcpy(m_record->fileName, fileName, nameLength + 1);
    m_record->frameRate = rate;
    m_record->width = width;
    m_record->height = height;
    m_record->hasAudio = 0;
    m_record->reserved = nullptr;

    const ZREngineString path = m_owner.moduleFilePath("Export", moduleName, nullptr);
    if (path.isEmpty()) return false;
    m_counter = 0;
    auto module = std::make_unique<ZRExportModule>();
    module->setHost(&m_owner.host());
    if (!module->bind(QString::fromUtf8(path.c_str()))) return false;
    module->info(0, moduleLocaleString);
    if (!module->start(m_record.get(), m_totalFrames)) return false;
    if (m_record->paletteRequest) zrFillExportPalette(*m_record);
    m_module = std::move(module);
    m_running = true;
    return true;
}

bool ZRModuleExportSession::encodeExportFrame(IZRImage* frame) {
    if (!m_running || !frame || !frame->pixels()) return false;
    ++m_counter;
    ZRImageRecord record = zrImageRecord(frame);
    if (m_module->encode(&record, nullptr, 0)) return true;
    m_running = false;
    m_module->end();
    return false;
}

void ZRModuleExportSession::endExportSession() {
    if (m_running) m_module->end();
    m_running = false;
    m_module.reset();
}
