#pragma once

#include "platform/ffmpeg/FFmpegHandles.h"
#include "platform/v4l2/ZRV4l2Maps.h"

#include <cstdint>
#include <deque>
#include <vector>

/// The encoder of the simulated MPEG device: numbered pictures and a tone, encoded live by
/// libavcodec (MPEG-1 or MPEG-2 video, MPEG audio layer II) and multiplexed by libavformat's
/// "vcd", "svcd" or "dvd" muxer, so that its packs have the size a disc format fixes.
/// Thread-safety: one thread at a time.
namespace zrv4l2 {

struct SimMpegSettings {
    DiscFormat format = DiscFormat::Dvd;
    int width = 720, height = 576;
    bool ntsc = false;
    int64_t bitRate = 6000000;
    int64_t peakBitRate = 8000000;
    bool variable = true;
    int gop = 12;
    int bFrames = 2;
    int sampleRate = 48000;
    int audioBitRate = 224000;
};

class SimMpegEncoder {
public:
    SimMpegEncoder();
    ~SimMpegEncoder();
    SimMpegEncoder(const SimMpegEncoder&) = delete;
    SimMpegEncoder& operator=(const SimMpegEncoder&) = delete;

    /// Starts a new stream; false when a codec or the muxer refuses the settings.
    [[nodiscard]] bool open(const SimMpegSettings& settings);
    void close();
    bool isOpen() const { return m_muxer != nullptr; }
    /// Encodes the next picture (and the sound that goes with it); its bytes join the output.
    [[nodiscard]] bool encodeFrame();
    /// Up to `size` bytes of output; encodes as needed. 0 only when encoding fails.
    size_t take(uint8_t* data, size_t size);
    /// Up to `size` bytes of the output made so far, encoding nothing.
    size_t takeMade(uint8_t* data, size_t size);
    /// Bytes of output made and not yet taken.
    size_t made() const { return m_out.size(); }
    /// Ends the stream after the pictures encoded so far: the encoders give up what they hold
    /// and the muxer writes its last packs and the end code, all joining the output. Nothing is
    /// encoded afterwards. False when flushing fails (the output made stays).
    bool finish();
    bool isFinished() const { return m_finished; }
    int64_t frames() const { return m_frames; }
    /// Packs the muxer wrote so far (bytes written / pack size).
    int64_t packs() const { return m_written / packSize(); }
    int packSize() const { return m_settings.format == DiscFormat::Dvd ? 2048 : 2324; }

private:
    static int writePacket(void* opaque, uint8_t* data, int size);
    bool encode(AVCodecContext* codec, AVStream* stream, const AVFrame* frame);

    SimMpegSettings m_settings;
    platform::ffmpeg::OutputHandle m_muxer;
    AVIOContext* m_io = nullptr;
    platform::ffmpeg::CodecContextHandle m_video, m_audio;
    platform::ffmpeg::FrameHandle m_picture, m_sound;
    platform::ffmpeg::PacketHandle m_packet;
    AVStream* m_videoStream = nullptr;
    AVStream* m_audioStream = nullptr;
    std::deque<uint8_t> m_out;
    int64_t m_written = 0;
    int64_t m_frames = 0;
    int64_t m_samples = 0;
    bool m_finished = false;
};

} // namespace zrv4l2
