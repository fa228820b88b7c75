#pragma once

#include "platform/media/FFmpegHandles.h"
#include "platform/media/MediaInput.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mediaimport {

/// The video stream of one file: finds the exact frame asked for (not the nearest key frame),
/// decodes it and converts it to 32-bit BGRA. Frame n is the picture shown at n / rate seconds
/// after the media's origin: the last frame whose time stamp is not later than that. Forward
/// requests decode on from the current frame unless a key frame lies between; other requests
/// seek to the key frame before the target (further back when the demuxer lands late) and
/// decode up to it. A still picture is decoded once and kept.
/// DV frames (144000 or 120000 bytes) are kept as they were read, for pass-through.
/// Thread-safety: used by one thread at a time.
class VideoReader {
public:
    /// Takes `input` (whose stream `streamIndex` is video) and opens its decoder. `origin` is
    /// the media's time 0 in seconds, `rate` its frame rate. False when no decoder opens.
    bool open(std::unique_ptr<MediaInput> input, int streamIndex, double origin, double rate,
              bool still);

    /// Makes frame `index` (clamped to 0 and up) the current one; false when no frame at all
    /// could be decoded near it.
    bool seek(int64_t index);
    /// The current frame, or null.
    const AVFrame* frame() const { return m_current.frame.get(); }
    /// Converts the current frame into `pixels` (width x height of the frame, BGRA, `stride`
    /// bytes per row); false when there is no frame or it cannot be converted.
    bool convert(uint8_t* pixels, int stride);
    /// The DV frame of the current picture, empty when the source is not DV.
    const std::vector<uint8_t>& native() const { return m_current.native; }
    /// Reads DV frame `index` (clamped to 0 and up) from the file as it is stored, without
    /// decoding it: what a pass-through writes out. Consecutive frames read on without a seek.
    /// False when the source is not DV or the frame cannot be read as a whole DV frame (the
    /// caller then decodes it with `seek`).
    bool readNative(int64_t index);
    /// The frame `readNative` read last.
    const std::vector<uint8_t>& nativeRead() const { return m_native; }
    bool interlaced() const;
    bool isDV() const { return m_dv; }

private:
    struct Decoded {
        FrameHandle frame;
        int64_t slot = -1; ///< the frame index its time stamp falls on
        std::vector<uint8_t> native;
        void clear() {
            frame.reset();
            slot = -1;
            native.clear();
        }
    };
    enum class Step { Found, Overshot, Nothing };

    Step decodeUntil(int64_t index);
    bool nextFrame(Decoded& out);
    bool seekAndDecode(int64_t index);
    bool keyFrameBetween(int64_t index) const;
    int64_t slotOf(const AVFrame* frame);
    int64_t packetSlot(const AVPacket* packet) const;
    int64_t timestampOf(double seconds) const;
    void resetDecoder();
    bool seekToStart();

    std::unique_ptr<MediaInput> m_input;
    CodecContextHandle m_decoder;
    AVStream* m_stream = nullptr;
    int m_streamIndex = -1;
    double m_origin = 0.0;
    double m_rate = 25.0;
    bool m_still = false;
    bool m_dv = false;
    bool m_draining = false; ///< the end of the file was reached; the decoder empties
    int m_budget = 0;        ///< packets the current request may still read

    PacketHandle m_packet;
    Decoded m_current;
    Decoded m_pending;                 ///< decoded past the last request, handed out next
    std::vector<uint8_t> m_lastPacket; ///< the DV frame last sent to the decoder
    int64_t m_lastSlot = -1;
    std::vector<uint8_t> m_native; ///< the frame `readNative` read
    int64_t m_nativeNext = -1;     ///< the frame the demuxer reads next after `readNative`; -1
                                   ///< when the decoder, not `readNative`, used it last

    SwsConversion m_scaler;
};

} // namespace mediaimport
