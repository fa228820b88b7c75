#pragma once

#include "platform/media/FFmpegHandles.h"
#include "platform/media/MediaInput.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mediaimport {

/// The audio stream of one file, read as signed 16-bit interleaved samples at the stream's own
/// rate and channel count (more than 8 channels are mixed down to stereo). Sample s is the one
/// played at s / rate seconds after the media's origin; a seek lands on that very sample, with
/// silence where the stream starts later. Reading on after a seek to the next sample continues
/// without touching the demuxer.
/// Thread-safety: used by one thread at a time.
class AudioReader {
public:
    AudioReader() = default;
    ~AudioReader();
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    /// Takes `input` (whose stream `streamIndex` is audio) and opens its decoder; `origin` is
    /// the media's time 0 in seconds. False when no decoder opens or the format is unusable.
    bool open(std::unique_ptr<MediaInput> input, int streamIndex, double origin);

    int sampleRate() const { return m_rate; }
    int channels() const { return m_channels; }

    /// The next read starts at `seconds` after the origin (negative counts as 0).
    void seek(double seconds);
    /// Up to `frames` sample frames into `out` (`channels` samples each); fewer only at the end
    /// of the stream. The number delivered.
    int read(int16_t* out, int frames);

    /// The usable stream format: rate 1..768000 and 1 channel or more.
    static bool usable(const AVCodecParameters* parameters);

private:
    void reposition();
    void seekDemuxer(int64_t sample);
    bool seekStart();
    bool decodeNext(int64_t* start);
    bool decodeMore();
    bool convert(const AVFrame* frame);
    void clearQueue();
    size_t queued() const;

    std::unique_ptr<MediaInput> m_input;
    CodecContextHandle m_decoder;
    AVStream* m_stream = nullptr;
    int m_streamIndex = -1;
    double m_origin = 0.0;
    int m_rate = 0;
    int m_channels = 0;
    int64_t m_streamStart = 0; ///< the sample frame the stream's first sample plays at

    PacketHandle m_packet;
    FrameHandle m_frame;
    SwrHandle m_resampler;
    int m_resamplerRate = 0;
    int m_resamplerFormat = -1;
    AVChannelLayout m_resamplerLayout{};
    std::vector<int16_t> m_converted; ///< the last decoded frame, converted

    std::vector<int16_t>
        m_queue;            ///< decoded samples; the first unread is sample frame `m_position`
    size_t m_queueRead = 0; ///< samples of `m_queue` already handed out
    int64_t m_position = 0; ///< the sample frame the next read delivers
    int64_t m_wanted = 0;   ///< the sample frame the reader must deliver next
    bool m_aligned = false; ///< the queue's start is known (after a seek it is not)
    bool m_ended = false;
    bool m_draining = false;
    int m_budget = 0;
};

} // namespace mediaimport
