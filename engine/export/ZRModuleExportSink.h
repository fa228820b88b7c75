#pragma once

#include "engine/export/ZRExportModuleRun.h"
#include "engine/export/ZRExportSink.h"

#include <QString>

#include <string>

class ZRHostCallbacks;

/// Any format but "AVI": frames and sound handed to the export module that serves the format.
class ZRModuleExportSink final : public ZRExportSink {
public:
    /// `modulePath`: the module file serving the format.
    ZRModuleExportSink(QString modulePath, const char* fileName, const ZRExportAudioFormat& audio,
                       const ZRHostCallbacks& host);

    int leadFrames() const override { return 5; }
    bool scalesFields() const override { return false; }
    /// 1 when the name does not fit the export record, the module does not bind or it refuses
    /// to start.
    int open(const ZRExportClock& clock, int width, int height) override;
    bool push(ZRImageRecord& frame, const void* audio, int32_t bytes) override;
    /// Ends the module; 1 after a refused frame.
    int close(ZRExportLoopEnd end) override;
    /// As the module left it in the record.
    std::optional<std::string> fileName() override { return m_run.fileName(); }

private:
    QString m_modulePath;
    std::string m_fileName;
    ZRExportAudioFormat m_audio;
    const ZRHostCallbacks& m_host;
    ZRExportModuleRun m_run;
};
