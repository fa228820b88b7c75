#pragma once

#include "engine/export/ZRExportSink.h"
#include "platform/aviwriter/AviWriter.h"

#include <string>

class ZRAviExportSettings;
class ZRHostCallbacks;

/// The format "AVI": frames and sound written by the engine's AVI writer with the compressors
/// chosen in the timeline's AVI settings. A file name without any "." gets ".avi".
class ZRAviExportSink final : public ZRExportSink {
public:
    ZRAviExportSink(const char* fileName, const ZRAviExportSettings& settings,
                    const ZRExportAudioFormat& audio, const ZRHostCallbacks& host);

    int leadFrames() const override { return 1; }
    bool scalesFields() const override { return true; }
    /// 2 when the writer refuses the video format, 3 the audio format, 1 for other failures.
    int open(const ZRExportClock& clock, int width, int height) override;
    /// Refuses a frame of another size than the file's.
    bool push(ZRImageRecord& frame, const void* audio, int32_t bytes) override;
    /// 1 after a refused frame or when the file cannot be completed. A stopped export answers 0
    /// and leaves no file under the name.
    int close(ZRExportLoopEnd end) override;
    std::optional<std::string> fileName() override { return m_fileName; }

private:
    std::string m_fileName;
    const ZRAviExportSettings& m_settings;
    ZRExportAudioFormat m_audio;
    const ZRHostCallbacks& m_host;
    platform::AviWriter m_writer;
    int m_width = 0;
    int m_height = 0;
};
