#include "engine/export/ZRModuleExportSink.h"

#include "engine/base/ZRHostCallbacks.h"
#include "engine/export/ZRExportClock.h"

#include <algorithm>
#include <cstdint>

ZRModuleExportSink::ZRModuleExportSink(QString modulePath, const char* fileName,
                                       const ZRExportAudioFormat& audio,
                                       const ZRHostCallbacks& host)
    : m_modulePath(std::move(modulePath)), m_fileName(fileName), m_audio(audio), m_host(host) {}

int ZRModuleExportSink::open(const ZRExportClock& clock, int width, int height) {
    const ZRExportRecordFormat format{width, height, clock.outputRate(), m_audio};
    switch (m_run.open(m_modulePath, &m_host, m_fileName.c_str(), format)) {
    case ZRExportModuleRun::Opened::Ok:
        break;
    case ZRExportModuleRun::Opened::NameTooLong:
        m_host.debug("exportProject: the file name is too long for an export module\n");
        return 1;
    case ZRExportModuleRun::Opened::NotBound:
        return 1;
    }
    const int32_t total = int32_t(std::min<int64_t>(clock.outputFrames(), INT32_MAX));
    return m_run.start(total) ? 0 : 1;
}

bool ZRModuleExportSink::push(ZRImageRecord& frame, const void* audio, int32_t bytes) {
    return m_run.encode(frame, audio, bytes);
}

int ZRModuleExportSink::close(ZRExportLoopEnd end) {
    m_run.end();
    return end == ZRExportLoopEnd::Refused ? 1 : 0;
}
