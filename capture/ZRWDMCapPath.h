#pragma once

#include "capture/ZRCardPathBase.h"
#include "capture/ZRDeviceInfo.h"

/// The WDM capture-card path (kind 0x011, "dshow WDMCap capture path"): a card delivering
/// uncompressed video (a V4L2 node) and PCM sound (an ALSA device), with inputs, TV tuner and
/// TV sound. The build previews: device -> smart tee -> preview converter -> video renderer,
/// sound -> tee -> audio renderer, the renderer's sound the clock. Starting a capture rebuilds
/// the graph from a new one, keeping the tuner's input, channel and sound mode, with the AVI
/// writer on the tees' capture outputs: "<output>.avi" through the chosen compressor (stored
/// as captured when it is not found), the sound the master stream.
///
/// Settings words used: 2 standard (1 NTSC, else PAL), 5 and 6 size, 13-15 sound format.
/// A step that fails leaves the others to run with what exists (no sound device: video only).
/// Routes and property dialogs are refused while capturing.
/// Thread-safety: GUI thread only.
class ZRWDMCapPath : public ZRCardPathBase {
    Q_OBJECT
public:
    static constexpr int kKind = 0x011;

    explicit ZRWDMCapPath(ZRGraphBase* graph);
    ~ZRWDMCapPath() override;

    ZRGraphResult connectInternal() override;
    ZRGraphResult teardown() override;
    /// Stores the block, then: word 1 = 0; 352 x 240 (NTSC) or 288 where the size is 0;
    /// word 11 = 1; 44100 Hz (the Wren80 path: 16000), 2 channels, 16 bits; word 16 = 2.
    void setCaptureSettings(const long* values, int count) override;

    /// Stores both flags; a capture flag of 1 starts capturing and answers its result.
    ZRGraphResult stream(int capture, int preview) override;
    bool getAVProp(long code, ZRAVProp* out) override;

    bool videoSize(int width, int height) override;
    bool audioFormat(int rate, int channels, int bits) override;
    const ZRVideoResolutions& videoSizes() const { return m_sizes; }
    const ZRAudioResolutions& audioFormats() const { return m_formats; }
    /// The lists of the full card (the Wren80 has none).
    std::optional<ZRVideoResolutions> videoSizeList() override;
    std::optional<ZRAudioResolutions> audioFormatList() override;
    /// The device's frames taken; lost: the device's and the writer's.
    bool frameCounts(long* captured, long* dropped) const override;
    /// From the AVI writer's failed write.
    int writerStopReason() const override;

    /// The frames a second of the standard: 29.97 for NTSC, 25 otherwise.
    double frameRate() const { return tvStandard() == 1 ? 29.97 : 25.0; }
    /// The frame duration written into a video format for `rate` (100-ns units).
    static int64_t frameDuration(double rate);

    Filter audioCaptureFilter() const { return m_secondDevice; }
    Filter aviWriter() const { return m_avi; }
    /// The file the capture writes.
    QString captureFileName() const;

    /// The tuner's state as it is read before a capture and written back after the rebuild.
    struct TunerState {
        int input = -1;
        uint32_t frequency = 0;
        uint32_t audioMode = 0;
        uint32_t tvFormat = 0;
    };

Q_SIGNALS:
    /// The page opens the device's tuner (8) or TV sound (12) dialog.
    void propertyDialogRequested(int code);

protected:
    ZRWDMCapPath(ZRGraphBase* graph, const char* name, bool wren80);
    /// Code 9 finds `name` (the format's name) in the list when one is given.
    bool setProperty(long code, long value, const QString& name) override;
    /// Steps 1 and 2 of the build: the devices, their interfaces and the lists.
    ZRGraphResult setUpCaptureFilters();
    /// The size at the standard's rate and the sound format.
    void applyFormats();
    ZRGraphResult renderPreview(bool capture);
    ZRGraphResult startCapture();
    void removeOwnFilters();

    bool m_wren80;
    Filter m_previewConverter = 0;
    Filter m_avi = 0;
    ZRVideoResolutions m_sizes;
    ZRAudioResolutions m_formats;
    TunerState m_tuner;
};

/// The Wren80 path (kind 0x081, "dshow WDMCap Wren80 capture path"): no tuner, a fixed format
/// (352 x 240 at 29.97 or 352 x 288 at 25, 16000 Hz stereo 16-bit), its sound device chosen by
/// the family word in the card's name ("Wren 80" -> "Wren 80 16", "Wren 90" -> "Wren 90 16",
/// "Norvale" -> "Norvale 16", with case, in that order; none: no sound).
class ZRWren80CapPath final : public ZRWDMCapPath {
    Q_OBJECT
public:
    static constexpr int kKind = 0x081;
    explicit ZRWren80CapPath(ZRGraphBase* graph);
    /// The sound device name part for a card's friendly name; empty for none.
    static QString audioDeviceFor(const QString& friendlyName);
};
