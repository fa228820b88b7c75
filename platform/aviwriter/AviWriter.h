#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>

/// Writes an AVI file from 32-bit BGRA frames and interleaved PCM audio, compressed by the
/// compressors chosen by friendly name (see AviCompressors.h) and multiplexed by the codec
/// library's AVI muxer.
namespace platform {

/// `AviWriter::openDShow` answers: 0 opened; a refused video or audio format; any other value is
/// the (negative) error of the library call that failed, and the writer is closed again.
inline constexpr int kAviOk = 0;
inline constexpr int kAviAudioRefused = 0x20;
inline constexpr int kAviVideoRefused = 0x30;

/// The bytes of audio handed to the audio compressor at once, at most.
inline constexpr int kAviAudioPiece = 10240;

/// The length of one frame in 100 ns units: the integer part of 10,000,000 / `rate` (400000 at
/// 25, 333667 at 29.97); 0 for a rate that is not positive and finite or that gives less than
/// one unit.
int64_t aviFrameDuration(double rate);

/// One AVI file being written: closed -> open (`openDShow` answered 0) -> frames and audio
/// pushed in order -> closed (`closeDShow` or the destructor).
/// Thread-safety: one writer is used by one thread at a time; writers are independent.
class AviWriter {
public:
    AviWriter();
    ~AviWriter();
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    /// Where the writer's debug lines go (one line per call, without a line end); none when
    /// unset.
    void setDebug(std::function<void(const char*)> sink);

    /// Opens `fileName` (UTF-8) for `width` x `height` frames at `rate` per second and
    /// interleaved PCM audio of `sampleRate`, `channels` and `bits` (8 unsigned, 16, 24 or 32
    /// signed little-endian). The formats are tested before anything is created: a
    /// `videoCodec` that is null writes no video, an `audioCodec` that is null no audio (sound
    /// handed over is then dropped; both null answer kAviAudioRefused); an unknown, absent or
    /// refusing video compressor answers kAviVideoRefused, an audio one kAviAudioRefused;
    /// kAviUncompressedVideo stores the frames as YUV 4:2:2. With `configure` 0 the video
    /// compressor takes `bitRate` (in 100 bit/s), `quality` (0..100) and `keyFrames` (the key-frame
    /// interval in frames) unless they are -1. An open writer is closed first.
    [[nodiscard]] int openDShow(const char* videoCodec, const char* audioCodec,
                                const char* fileName, int width, int height, double rate,
                                int sampleRate, int channels, int bits, int configure, int bitRate,
                                int quality, int keyFrames);
    /// Writes one frame of the open size (rows `stride` bytes apart, top-down). 0 on success;
    /// an error once anything failed before (nothing more is written then).
    [[nodiscard]] int genVideoSample(const unsigned char* pixels, int stride);
    /// Writes `bytes` of interleaved audio, in pieces of at most kAviAudioPiece bytes of whole
    /// sample frames (a partial sample frame waits for the next call). 0 on success, as above.
    [[nodiscard]] int genAudioSample(const void* data, int bytes);
    /// Finishes the file and releases everything. Answers `code`, or the error of finishing the
    /// file when `code` is 0 and the file could not be completed. The file is written under a
    /// temporary name beside its own and takes its name here only when it is complete and
    /// `code` is 0; otherwise it is removed (a non-zero `code` says the export failed).
    int closeDShow(int code);
    /// Finishes the file as far as it can and keeps it under its name even when writing failed
    /// (a capture keeps what reached the disk). Answers the first error, 0 when none.
    int closeKeepingWritten();

    bool isOpen() const;

    /// Whether the files opened from now on are recordings: one that the process leaves unfinished
    /// (killed, crashed) stays under its pending name for the user to rescue and is never replaced
    /// by a later file of its name, as an export's leftover is (an export can be made again).
    void setRecording(bool recording) { m_recording = recording; }

    /// How many contexts encode DV frames at once for files opened from now on: 0 (the
    /// default) one a core, up to 8; 1 one context after the other. The file's bytes are the
    /// same either way.
    void setEncoderWorkers(int workers) { m_encoderWorkers = std::clamp(workers, 0, 64); }

private:
    struct State;
    void debug(const char* format, ...) const;
    int close(int code, bool keep);

    std::unique_ptr<State> m_state;
    std::function<void(const char*)> m_debug;
    int m_encoderWorkers = 0;
    bool m_recording = false;
};

} // namespace platform
