#pragma once

#include "capture/ZRCardPathBase.h"
#include "capture/ZRFilterPathBase.h"

#include <QStringList>

/// The playback paths of the MPEG encoder devices: an MPEG file or an "OVMP" list (the input
/// file) is sent unchanged to the output device of the card named by the device name, while
/// it is shown locally. Without the multi-file reader the trace "PROB: no Orvand MVL Source
/// filter found" is kept and the build goes on. Neither has a stream operation or properties.
/// Thread-safety: GUI thread only.

/// Kestrel 250 (0x252, "dshow Kestrel250 playback path"): reader -> "Orvand Async Puller" ->
/// video tee; "Output1" -> the device's output; "Output2" -> demultiplexer -> MPEG video
/// decoder -> live preview -> video renderer, -> MPEG audio decoder -> audio renderer.
class ZRKestrel250PBPath final : public ZRFilterPathBase {
    Q_OBJECT
public:
    static constexpr int kKind = 0x252;
    explicit ZRKestrel250PBPath(ZRGraphBase* graph);
    ~ZRKestrel250PBPath() override;
    ZRGraphResult connectInternal() override;
    ZRGraphResult teardown() override;
    const QStringList& traces() const { return m_traces; }
    Filter output() const { return m_captureDevice; }

private:
    Filter m_puller = 0;
    Filter m_live = 0;
    QStringList m_traces;
};

/// Kestrel 200 (0x202, "dshow Kestrel200 playback path"): the file is remultiplexed for the
/// device, its video unchanged and its sound as LPCM: reader -> engine MPEG splitter; "Video"
/// (video infinite tee) "Output1" -> MPEG video decoder -> video renderer, "Output2" ->
/// "Marrack XFormDeadCafe" input 1; "Audio" (or, without one, "LPCM", traced "PROB: ZRSplit has
/// no 'Audio' pin, trying 'LPCM' instead") -> audio infinite tee "Output1" -> MPEG audio decoder
/// -> "ACM Wrapper" (libswresample) -> XFormDeadCafe input 0; XFormDeadCafe output 1 and 0 ->
/// "Marrack Muxer" inputs 0 and 1 -> the device's output. Its settings are the Kestrel 200
/// capture path's; its stream operation switches the tees' stream controls where there are any.
class ZRKestrel200PBPath final : public ZRCardPathBase {
    Q_OBJECT
public:
    static constexpr int kKind = 0x202;
    explicit ZRKestrel200PBPath(ZRGraphBase* graph);
    ~ZRKestrel200PBPath() override;
    ZRGraphResult connectInternal() override;
    ZRGraphResult teardown() override;
    void setCaptureSettings(const long* values, int count) override;
    ZRGraphResult stream(int capture, int preview) override;
    const QStringList& traces() const { return m_traces; }
    Filter output() const { return m_captureDevice; }
    Filter muxer() const { return m_muxer; }

protected:
    bool setProperty(long, long, const QString&) override { return false; }

private:
    Filter m_acm = 0;
    Filter m_xform = 0;
    Filter m_muxer = 0;
    QStringList m_traces;
};

/// Cirrus DVR (0x022, "dshow CLDVR playback path"): the board gets its method 54, "CLDVR Sink"
/// (the card's output) its methods 9 (1) and 7 (0), and reads the reader's file itself.
class ZRCirrusDVRPBPath final : public ZRFilterPathBase {
    Q_OBJECT
public:
    static constexpr int kKind = 0x022;
    explicit ZRCirrusDVRPBPath(ZRGraphBase* graph);
    ~ZRCirrusDVRPBPath() override;
    ZRGraphResult connectInternal() override;
    ZRGraphResult teardown() override;
    const QStringList& traces() const { return m_traces; }
    Filter sink() const { return m_sink; }

private:
    Filter m_sink = 0;
    QStringList m_traces;
};
