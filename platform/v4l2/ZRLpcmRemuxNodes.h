#pragma once

#include "platform/ffmpeg/FFmpegHandles.h"
#include "platform/graph/ZRGraphNode.h"

#include <deque>
#include <memory>
#include <mutex>
#include <vector>

/// The nodes of the Kestrel 200's playback remux: the MPEG file's video goes to the device
/// unchanged, its sound decoded and carried as DVD LPCM in a new program stream.

/// "ACM Wrapper": 16-bit interleaved PCM in ("XForm In"), at the rate and channels of its
/// connection (48000 Hz stereo when it names none), out as 48000 Hz stereo 16-bit ("XForm Out")
/// through libswresample; sound already in that format passes unchanged.
/// Thread-safety: `receive` on one upstream thread; the converter is guarded by a mutex.
class ZRAcmWrapperNode final : public ZRGraphNode {
public:
    ZRAcmWrapperNode();
    ~ZRAcmWrapperNode() override;
    void receive(ZRGraphPin* input, const ZRMediaSample& sample) override;

protected:
    ZRGraphResult onStop() override;

private:
    std::mutex m_mutex;
    platform::ffmpeg::SwrHandle m_resample;
    int m_rate = 0, m_channels = 0;
};

/// "Marrack XFormDeadCafe": sound at input 0 ("Audio In", 16-bit little-endian PCM) leaves at
/// output 0 ("Audio Out") as LPCM (the same samples big-endian, as DVD LPCM carries them);
/// video at input 1 ("Video In", compressed frames) leaves unchanged at output 1 ("Video Out").
/// Thread-safety: stateless; each input on its own upstream thread.
class ZRXFormDeadCafeNode final : public ZRGraphNode {
public:
    ZRXFormDeadCafeNode();
    void receive(ZRGraphPin* input, const ZRMediaSample& sample) override;
    /// The end of each input ends only its own output.
    void endOfStream(ZRGraphPin* input) override;
};

/// "Marrack Muxer": MPEG video frames at input 0 ("Video") and 48000 Hz stereo LPCM at input 1
/// ("Audio", when connected) multiplexed by libavformat's DVD program stream muxer; the stream
/// leaves at "Output" as it is made. The video may come in runs of any length: its pictures are
/// found by libavcodec's parser and keep their bytes and order, timed by the frame rate from the
/// first; the sound is timed by its samples. The stream is completed at the
/// end of both inputs or at the stop.
/// Thread-safety: the two inputs come on two threads; the muxer is guarded by a mutex.
class ZRMarrackMuxerNode final : public ZRGraphNode {
public:
    ZRMarrackMuxerNode();
    ~ZRMarrackMuxerNode() override;
    void receive(ZRGraphPin* input, const ZRMediaSample& sample) override;
    void endOfStream(ZRGraphPin* input) override;
    /// Pictures and sound bytes multiplexed since the last start.
    int64_t videoFrames() const;
    int64_t audioBytes() const;

protected:
    ZRGraphResult onPause(ZRGraphState from) override;
    ZRGraphResult onStop() override;

private:
    struct Muxer;
    bool openLocked();
    void writeAudioLocked();
    void parseVideoLocked(const uint8_t* data, size_t size);
    void finishLocked();
    void flushLocked();

    mutable std::mutex m_mutex;
    std::unique_ptr<Muxer> m_muxer;
    std::vector<uint8_t> m_pendingAudio;
    bool m_failed = false;
    bool m_videoEnded = false, m_audioEnded = false, m_finished = false;
    int64_t m_videoFrames = 0, m_audioBytes = 0;
    int64_t m_videoTime = 0; ///< 90 kHz
    int64_t m_audioSamples = 0;
};
