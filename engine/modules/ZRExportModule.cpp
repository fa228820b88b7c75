#include "engine/modules/ZRExportModule.h"

bool ZRExportModule::bind(const QString& path) {
    if (!load(path)) return false;
    m_info = resolve<ZRModuleInfoFunction>("moduleInfo20");
    if (!m_info) {
        unload();
        return false;
    }
    m_config = resolve<ZRExportConfigFunction>("exportConfig");
    m_start = resolve<ZRExportStartFunction>("exportStart");
    m_encode = resolve<ZRExportEncodeFunction>("exportEncode");
    m_end = resolve<ZRExportEndFunction>("exportEnd");
    return true;
}

std::optional<ZRModuleInfo> ZRExportModule::info(int32_t language, ZRStringLookup lookup) {
    if (!m_info) return std::nullopt;
    const ZRModuleInfo* answer = nullptr;
    guarded(__LINE__, "moduleInfo20", [&] { answer = m_info(language, lookup); });
    if (!answer) return std::nullopt;
    ZRModuleInfo copy = *answer;
    copy.name[sizeof copy.name - 1] = 0;
    copy.description[sizeof copy.description - 1] = 0;
    return copy;
}

void ZRExportModule::config(ZRExportRecord* record) {
    if (m_config) guarded(__LINE__, "exportConfig", [&] { m_config(0, record); });
}

bool ZRExportModule::start(ZRExportRecord* record, int32_t totalFrames) {
    int32_t started = 0;
    if (m_start) guarded(__LINE__, "exportStart", [&] { started = m_start(record, totalFrames); });
    return started != 0;
}

// A module that throws on a frame refuses it: the export ends rather than writing on blindly.
bool ZRExportModule::encode(ZRImageRecord* frame, const void* audio, int32_t audioBytes) {
    int32_t accepted = 0;
    if (m_encode)
        guarded(__LINE__, "exportEncode", [&] { accepted = m_encode(frame, audio, audioBytes); });
    return accepted != 0;
}

void ZRExportModule::end() {
    if (m_end) guarded(__LINE__, "exportEnd", [&] { m_end(); });
}
