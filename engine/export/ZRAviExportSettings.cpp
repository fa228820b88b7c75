#include "engine/export/ZRAviExportSettings.h"

#include "platform/aviwriter/AviCompressors.h"

ZRAviExportSettings::ZRAviExportSettings()
    : m_videoCodec(platform::kAviDefaultVideoCompressor),
      m_audioCodec(platform::kAviDefaultAudioCompressor) {
    fill(m_video, true);
    fill(m_audio, false);
}

void ZRAviExportSettings::fill(List& list, bool video) {
    list.names = platform::aviCompressorNames(video);
    if (list.names.size() > kMaxCompressors) list.names.resize(kMaxCompressors);
    for (const std::string& name : list.names)
        list.table.push_back(name.c_str());
    list.table.push_back(nullptr);
}

const char* const* ZRAviExportSettings::compressors(bool video) const {
    return (video ? m_video : m_audio).table.data();
}

const char* ZRAviExportSettings::codecName(bool video) const {
    return (video ? m_videoCodec : m_audioCodec).c_str();
}

void ZRAviExportSettings::setCodecName(bool video, const char* name) {
    if (name) (video ? m_videoCodec : m_audioCodec) = name;
}
