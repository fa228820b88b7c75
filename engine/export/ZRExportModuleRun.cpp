#include "engine/export/ZRExportModuleRun.h"

#include "engine/export/ZRExportPalette.h"
#include "engine/modules/ZRModuleLocale.h"

#include <cstring>

ZRExportModuleRun::ZRExportModuleRun() : m_record(std::make_unique<ZRExportRecord>()) {}

ZRExportModuleRun::~ZRExportModuleRun() {
    end();
}

ZRExportModuleRun::Opened ZRExportModuleRun::open(const QString& path, const ZRHostCallbacks* host,
                                                  const char* fileName,
                                                  const ZRExportRecordFormat& format) {
    end();
    *m_record = ZRExportRecord{};
    m_named = false;
    if (fileName) {
        const size_t length = std::strlen(fileName);
        if (length >= sizeof m_record->fileName) return Opened::NameTooLong;
        std::memcpy(m_record->fileName, fileName, length + 1);
        m_named = true;
    }
    m_record->frameRate = format.frameRate;
    m_record->width = format.width;
    m_record->height = format.height;
    if (format.audio) {
        m_record->hasAudio = 1;
        m_record->audioRate = format.audio->rate;
        m_record->audioBits = format.audio->bits;
        m_record->audioChannels = format.audio->channels;
    }
    m_record->reserved = nullptr;

    m_module.setHost(host);
    if (!m_module.bind(path)) return Opened::NotBound;
    m_module.info(0, moduleLocaleString);
    return Opened::Ok;
}

void ZRExportModuleRun::configure() {
    m_module.config(m_record.get());
}

bool ZRExportModuleRun::start(int32_t totalFrames) {
    end();
    if (!m_module.start(m_record.get(), totalFrames)) return false;
    if (m_record->paletteRequest) zrFillExportPalette(*m_record);
    m_running = true;
    return true;
}

bool ZRExportModuleRun::encode(ZRImageRecord& frame, const void* audio, int32_t audioBytes) {
    if (!m_running) return false;
    if (m_module.encode(&frame, audio, audioBytes)) return true;
    end();
    return false;
}

void ZRExportModuleRun::end() {
    if (!m_running) return;
    m_running = false;
    m_module.end();
}

std::optional<std::string> ZRExportModuleRun::fileName() {
    if (!m_named) return std::nullopt;
    m_record->fileName[sizeof m_record->fileName - 1] = 0;
    return std::string(m_record->fileName);
}
