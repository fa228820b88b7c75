#include "engine/export/ZRAviExportSink.h"

#include "engine/base/ZRHostCallbacks.h"
#include "engine/export/ZRAviExportSettings.h"
#include "engine/export/ZRExportClock.h"

ZRAviExportSink::ZRAviExportSink(const char* fileName, const ZRAviExportSettings& settings,
                                 const ZRExportAudioFormat& audio, const ZRHostCallbacks& host)
    : m_fileName(fileName), m_settings(settings), m_audio(audio), m_host(host) {
    if (m_fileName.find('.') == std::string::npos) m_fileName += ".avi";
}

int ZRAviExportSink::open(const ZRExportClock& clock, int width, int height) {
    m_width = width;
    m_height = height;
    m_writer.setDebug(
        [this](const char* line) { m_host.debug((std::string(line) + "\n").c_str()); });
    const int opened = m_writer.openDShow(
        m_settings.codecName(true), m_settings.codecName(false), m_fileName.c_str(), width, height,
        clock.outputRate(), m_audio.rate, m_audio.channels, m_audio.bits, 0, -1, -1, -1);
    if (opened == platform::kAviVideoRefused) return 2;
    if (opened == platform::kAviAudioRefused) return 3;
    return opened == platform::kAviOk ? 0 : 1;
}

bool ZRAviExportSink::push(ZRImageRecord& frame, const void* audio, int32_t bytes) {
    if (frame.width != m_width || frame.height != m_height) return false;
    if (audio && m_writer.genAudioSample(audio, bytes) != 0) return false;
    return m_writer.genVideoSample(frame.pixels, frame.stride) == 0;
}

// A stopped export answers 0 like a finished one, but its file is not complete: it is removed
// rather than left under the name, where it would pass for the whole range.
int ZRAviExportSink::close(ZRExportLoopEnd end) {
    if (end == ZRExportLoopEnd::Stopped) {
        (void)m_writer.closeDShow(1);
        return 0;
    }
    const bool refused = end == ZRExportLoopEnd::Refused;
    const int closed = m_writer.closeDShow(refused ? 1 : 0);
    return refused || closed != 0 ? 1 : 0;
}
