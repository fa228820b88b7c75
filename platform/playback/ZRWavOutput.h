#pragma once

#include "platform/playback/ZRNullOutput.h"

#include <QFile>

/// A sound output that writes a WAV file (RIFF, PCM), paced like a device or free-running.
/// The file is complete once the output is closed or destroyed. Thread-safety: as
/// `ZRSoundOutput`.
class ZRWavOutput final : public ZRNullOutput {
public:
    /// Paced by the system's monotonic clock.
    explicit ZRWavOutput(const QString& path);
    /// Paced by `pace` (not owned); null: free-running.
    ZRWavOutput(const QString& path, const ZRPlaybackClock* pace);
    ~ZRWavOutput() override;

protected:
    bool consume(const void* data, int64_t frames) override;
    bool start(QString* error) override;
    void finish() override;

private:
    QString m_path;
    QFile m_file;
    int64_t m_dataBytes = 0;
};
