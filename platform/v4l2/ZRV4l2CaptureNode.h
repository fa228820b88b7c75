#pragma once

#include "platform/graph/ZRGraphInterfaces.h"
#include "platform/graph/ZRGraphNode.h"
#include "platform/v4l2/ZRV4l2Interfaces.h"
#include "platform/v4l2/ZRV4l2Io.h"
#include "platform/v4l2/ZRV4l2Query.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

/// A V4L2 capture device as a graph node. Its output "Capture" delivers, from a thread of its
/// own while the graph runs, each YUYV frame (streaming I/O, "vids"/"yuyv", the sequence number
/// the driver gives, the time counted from the first frame) or, for an MPEG encoder, each run of
/// the program stream as it is read ("strm"/"mpeg2ps").
///
/// It is also the card's crossbar (its inputs, when it has more than one), analog video decoder
/// (its standards), stream configuration (the sizes it offers), picture controls, tuner, MPEG
/// encoder property set and board control. A frame number skipped by the driver or a buffer
/// marked as an error counts as dropped. A device that vanishes (ENODEV) posts event 0x1F with
/// this node; another read error posts error abort (3); either ends its stream.
/// Thread-safety: the device is used under the node's mutex; control calls come from the GUI
/// thread, the capture thread runs between the start and the stop.
class ZRV4l2CaptureNode final : public ZRGraphNode,
                                public IZRCrossbar,
                                public IZRAnalogVideoDecoder,
                                public IZRStreamConfig,
                                public IZRVideoProcAmp,
                                public IZRDroppedFrames,
                                public IZRTVTuner,
                                public IZRMpegEncoder,
                                public IZRBoardControl {
public:
    /// `io` is the opened node; `name` its card name, for traces.
    ZRV4l2CaptureNode(std::unique_ptr<zrv4l2::IZRV4l2Io> io, const std::string& name);
    ~ZRV4l2CaptureNode() override;

    bool isMpeg() const { return m_mpeg; }
    const std::vector<zrv4l2::Input>& inputs() const { return m_inputs; }
    const std::vector<zrv4l2::Standard>& standards() const { return m_standards; }
    /// The format the driver agreed to at the last `setFormat` (or its current one).
    zrv4l2::PixFormat pixFormat() const;
    /// Board methods that have no V4L2 request, in the order they came: (method, argument).
    std::vector<std::pair<int, int32_t>> passedBoardMethods() const;

    // IZRCrossbar: input pins are the card's inputs (none for a card with one), one output.
    void pinCounts(int* outputs, int* inputs) const override;
    bool pinInfo(bool input, int index, int* related, int* physicalType) const override;
    bool canRoute(int output, int input) const override;
    ZRGraphResult route(int output, int input) override;
    /// The input routed to the output; -1 when unknown.
    int routedInput();

    // IZRAnalogVideoDecoder
    ZRGraphResult setTVFormat(uint32_t standard) override;
    uint32_t tvFormat() const override;
    /// The analog standard bits of every standard offered.
    uint32_t availableTVFormats() const;

    // IZRStreamConfig: one video capability per size range of the capture format.
    int capabilityCount() const override;
    bool videoCaps(int index, ZRVideoStreamCaps* caps) const override;
    bool audioCaps(int, ZRAudioStreamCaps*) const override { return false; }
    /// Sets the capture size (and for YUYV the frame duration); the driver's answer is kept
    /// (a zero size or an image size short of its lines fails).
    ZRGraphResult setFormat(const ZRMediaType& type) override;

    // IZRVideoProcAmp
    bool range(int property, int32_t* minimum, int32_t* maximum, int32_t* step,
               int32_t* defaultValue) override;
    bool value(int property, int32_t* value) override;
    ZRGraphResult setValue(int property, int32_t value) override;

    // IZRDroppedFrames
    int64_t framesNotDropped() const override { return m_captured.load(); }
    int64_t framesDropped() const override { return m_dropped.load(); }

    // IZRTVTuner
    bool hasTuner() const override { return m_tuner; }
    uint32_t frequency() override;
    ZRGraphResult setFrequency(uint32_t frequency) override;
    uint32_t audioMode() override;
    ZRGraphResult setAudioMode(uint32_t mode) override;

    // IZRMpegEncoder
    ZRGraphResult setStreamType(zrv4l2::DiscFormat format, int mpegVersion) override;
    ZRGraphResult setGop(int gopLength, int anchorDistance) override;
    ZRGraphResult videoRange(zrv4l2::EncoderVideoRange* range) override;
    ZRGraphResult videoSettings(zrv4l2::EncoderVideoSettings* settings) override;
    ZRGraphResult setVideoSettings(const zrv4l2::EncoderVideoSettings& settings) override;
    ZRGraphResult setAudioSampleRate(int hz) override;
    ZRGraphResult setAudioBitRate(int bitsPerSecond) override;

    // IZRBoardControl
    ZRGraphResult boardMethod(int method, int32_t argument, int32_t* out) override;

    ZRGraphResult queryState() const override;
    /// An MPEG encoder that is being read gets the encoder's stop command, and what it gives up
    /// is read to the end of its stream and delivered (for at most two seconds).
    void finishStream() override;
    void beginStop() override;

protected:
    ZRGraphResult onPause(ZRGraphState from) override;
    ZRGraphResult onStop() override;

private:
    void captureLoop();
    void readLoop();
    void streamLoop();
    void lost(int error);
    ZRGraphResult setControls(const zrv4l2::ControlList& list);
    void releaseBuffers();

    mutable std::mutex m_mutex;
    std::unique_ptr<zrv4l2::IZRV4l2Io> m_io;
    bool m_mpeg = false;
    bool m_tuner = false;
    std::vector<zrv4l2::Input> m_inputs;
    std::vector<zrv4l2::Standard> m_standards;
    std::vector<zrv4l2::SizeRange> m_sizes;
    zrv4l2::PixFormat m_format;
    ZRMediaTime m_frameDuration = 400000;
    std::vector<std::pair<int, int32_t>> m_boardCalls;
    struct Mapped {
        void* address = nullptr;
        size_t length = 0;
    };
    std::vector<Mapped> m_buffers;

    std::atomic<int64_t> m_captured{0};
    std::atomic<int64_t> m_dropped{0};
    std::atomic<bool> m_quit{false};
    std::atomic<bool> m_finishing{false}; ///< the encoder's stop command was sent
    std::atomic<bool> m_finished{false};  ///< the read loop met the end of the stream
    std::thread m_thread;
};
