#pragma once

#include "platform/ffmpeg/FFmpegHandles.h"
#include "platform/graph/ZRGraphNode.h"

#include <map>
#include <mutex>

/// The MPEG video decoder's settings record, kept as plain data: a replacement decoder may
/// ignore what it does not use.
struct ZRMpegVideoDecoderSettings {
    uint32_t size = 28;
    uint32_t fields[6] = {};
    /// The field telling the decoder its pictures are PAL.
    uint32_t& pal() { return fields[0]; }
    /// The preview switch (the record's fifth 32-bit field).
    uint32_t& preview() { return fields[3]; }
};
static_assert(sizeof(ZRMpegVideoDecoderSettings) == 28);

/// A decoder over libavcodec: compressed samples in ("XForm In"), each one a whole frame or
/// any run of bytes of an elementary stream; pictures as 32-bit RGB or sound as 16-bit
/// interleaved PCM out ("XForm Out"), on the upstream thread. Decoding errors skip the sample.
/// It also keeps the numbered settings and the settings record its callers read and write.
/// Thread-safety: `receive` on one upstream thread; the settings have a mutex.
class ZRDecoderNode final : public ZRGraphNode {
public:
    /// `codec` is an FFmpeg decoder id; `inputType` what the input takes.
    ZRDecoderNode(std::string kind, AVCodecID codec, ZRMediaType inputType);
    ~ZRDecoderNode() override;

    AVCodecID codec() const { return m_codecId; }
    bool isVideo() const;
    int64_t decoded() const { return m_decoded.load(); }

    /// Numbered settings (0 for one never written).
    int32_t setting(int index) const;
    void setSetting(int index, int32_t value);
    ZRMpegVideoDecoderSettings settingsRecord() const;
    void setSettingsRecord(const ZRMpegVideoDecoderSettings& record);

    void receive(ZRGraphPin* input, const ZRMediaSample& sample) override;
    void endOfStream(ZRGraphPin* input) override;

protected:
    ZRGraphResult onPause(ZRGraphState from) override;
    ZRGraphResult onStop() override;

private:
    void drain(ZRMediaTime time);
    void emitPicture(const AVFrame* frame, ZRMediaTime time);
    void emitSound(const AVFrame* frame, ZRMediaTime time);

    AVCodecID m_codecId;
    platform::ffmpeg::CodecContextHandle m_context;
    platform::ffmpeg::PacketHandle m_packet;
    platform::ffmpeg::FrameHandle m_frame;
    platform::ffmpeg::SwsConversion m_scale;
    platform::ffmpeg::SwrHandle m_resample;
    int m_resampleRate = 0, m_resampleChannels = 0, m_resampleFormat = -1;
    std::atomic<int64_t> m_decoded{0};

    mutable std::mutex m_settingsMutex;
    std::map<int, int32_t> m_settings;
    ZRMpegVideoDecoderSettings m_record;
};
