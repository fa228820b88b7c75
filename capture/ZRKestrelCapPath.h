#pragma once

#include "capture/ZRCardPathBase.h"
#include "platform/v4l2/ZRV4l2Maps.h"

#include <QStringList>

/// The Kestrel capture paths for hardware MPEG encoders: they configure the device's encoder
/// for the disc format of the settings block (stream type, GOP, bit rates, sound), write the
/// encoded stream to multi-file MPEG segments ("<output>01.mpg", ... and "<output>.mvl", see
/// ZRMpegSegmentWriter.h) and preview it decoded.
///
/// Kestrel250 (0x251, "dshow Kestrel250 capture path"): device -> tee; "Output1" -> the
/// Intelli-Writer (else the multi-file writer); "Output2" -> demultiplexer -> MPEG video decoder
/// -> video renderer and -> MPEG audio decoder -> audio renderer, the clock. With the writer's
/// Intelli interface prepared the tee is an infinite tee and a capture start restarts the graph
/// with a new recording; otherwise a smart tee whose capture output is switched. A device that
/// offers no program stream of the disc format fails the build.
/// Kestrel200 (0x201, "dshow Kestrel200 capture path"): a smart tee to the multi-file writer
/// and, for the preview, the MPEG-2 demultiplexer's "Video" pin to the decoder and renderer.
///
/// Settings words: see the Kestrel and Cirrus settings table (word 0 disc format, 1 MPEG
/// version, 2 standard, 3 GOP, 4 anchor distance, 5 and 6 size, 7-10 rates and mode, 11-15
/// sound). Without the encoder's property set the device's own settings apply.
/// Thread-safety: GUI thread only.
class ZRKestrelCapPath : public ZRCardPathBase {
    Q_OBJECT
public:
    enum class Model { Kestrel200, Kestrel250 };

    ZRKestrelCapPath(ZRGraphBase* graph, Model model);
    ~ZRKestrelCapPath() override;

    Model model() const { return m_model; }
    ZRGraphResult connectInternal() override;
    ZRGraphResult teardown() override;
    /// The split limit in kilobytes: 0 gives 4000000, others are brought into [150, 4000000];
    /// passed on to the writer when it exists.
    void setSplitLimit(long limit) override;
    void setCaptureSettings(const long* values, int count) override;

    ZRGraphResult stream(int capture, int preview) override;
    bool getAVProp(long code, ZRAVProp* out) override;
    /// From the multi-file writer's failed write.
    int writerStopReason() const override;

    bool intelliActive() const { return m_intelli; }
    Filter writer() const { return m_writer; }
    /// The file name the writer is given ("<output>.mpg").
    QString mpegFileName() const;
    /// The traces of the encoder configuration ("connectInternal: VideoRange.ulMinimumBitrate="
    /// and the number, ...), in order.
    const QStringList& traces() const { return m_traces; }

    /// The average bit rate of variable mode for a peak: 4200000 for 6000000, 2376000 for
    /// 2420000, else three quarters of the peak.
    static uint32_t averageForPeak(uint32_t peak);
    /// The settings operation's rules on the 17 words `w` (stored as given): format, size,
    /// GOP, rates and sound by model and disc format.
    static void completeSettings(Model model, long* w);
    /// The settings the encoder is given for a block and a range (step 2 of the build).
    static zrv4l2::EncoderVideoSettings encoderSettings(const long* words, Model model,
                                                        int32_t modelMask,
                                                        const zrv4l2::EncoderVideoRange& range,
                                                        zrv4l2::EncoderVideoSettings current);

protected:
    bool setProperty(long code, long value, const QString& name) override;

private:
    ZRGraphResult configureEncoder();
    void trace(const QString& line);

    Model m_model;
    Filter m_writer = 0;
    Filter m_live = 0;
    bool m_intelli = false;
    QStringList m_traces;
};

class ZRKestrel200CapPath final : public ZRKestrelCapPath {
    Q_OBJECT
public:
    static constexpr int kKind = 0x201;
    explicit ZRKestrel200CapPath(ZRGraphBase* graph);
};

class ZRKestrel250CapPath final : public ZRKestrelCapPath {
    Q_OBJECT
public:
    static constexpr int kKind = 0x251;
    explicit ZRKestrel250CapPath(ZRGraphBase* graph);
};
