#pragma once

#include "capture/ZRDeviceInfo.h"
#include "capture/ZRFilterBase.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <initializer_list>
#include <memory>

/// The graph-building steps the device-family capture and playback paths combine: sources and
/// the capture device, tees and their stream controls, the MPEG-2 demultiplexer and its pins,
/// MPEG splitters and decoders, renderers and the video window, and the setters a path is
/// filled through before it builds. A step keeps its result as the graph's last result and
/// returns it; a path stops building at the first failure.
///
/// The path's filters belong to the graph; the path keeps their handles. `teardown` takes
/// every filter the path added out of the graph (stopping the graph first when it runs), may
/// be called any number of times, and runs when the path is destroyed.
/// Thread-safety: GUI thread only.
class ZRFilterPathBase : public ZRFilterBase {
    Q_OBJECT
public:
    using Filter = ZRGraphBase::Filter;

    ZRFilterPathBase(ZRGraphBase* graph, const char* name);
    ~ZRFilterPathBase() override;

    ZRGraphResult teardown() override;

    // 1-3: the multi-file reader's file source
    ZRGraphResult queryReaderSource();
    /// Loads the fifth text, the source file (the whole path, folder separators made native).
    ZRGraphResult loadReaderSource();
    ZRGraphResult releaseReaderSource();
    // 4-6: the maker's MPEG multi-file reader
    ZRGraphResult removeMvlReader();
    ZRGraphResult releaseMvlReader();
    ZRGraphResult addMvlReader();
    // 7: the capture device, by display name part (the first text)
    ZRGraphResult addCaptureDevice();
    // 8, 12: the device record of the first text
    ZRGraphResult copyDeviceRecord();
    ZRGraphResult releaseDeviceRecord();
    // 9: the analog video decoder's TV format for the TV standard
    ZRGraphResult setTVFormat();
    // 10, 11: crossbar routing
    ZRGraphResult routeCrossbar(long physicalType);
    ZRGraphResult routeCrossbarRelated(long physicalType);
    // 13-16
    ZRGraphResult removeCaptureDevice();
    ZRGraphResult releaseCaptureDevice();
    ZRGraphResult removeSecondDevice();
    ZRGraphResult releaseSecondDevice();
    // 17-24: tees
    ZRGraphResult addVideoInfTee();
    ZRGraphResult addVideoSmartTee();
    ZRGraphResult removeVideoTee();
    ZRGraphResult releaseVideoTee();
    ZRGraphResult addAudioInfTee();
    ZRGraphResult addAudioSmartTee();
    ZRGraphResult removeAudioTee();
    ZRGraphResult releaseAudioTee();
    // 25-31: stream controls (0, 1 video; 2, 3 audio)
    ZRGraphResult queryStreamControl(int index, ZRGraphPin* pin);
    /// Starts (`on`) or stops both video stream controls at the next frame.
    ZRGraphResult controlVideoStreams(bool on);
    ZRGraphResult controlAudioStreams(bool on);
    ZRGraphResult releaseStreamControls();
    // 32-38: the MPEG-2 demultiplexer
    ZRGraphResult addDemultiplexer();
    ZRGraphResult queryDemultiplexer();
    /// "Video": MPEG-2 video of the stored size and rate, stream 0xE0.
    ZRGraphResult createDemuxVideoPin();
    /// "Audio": DVD LPCM, 2 channels, 48000 Hz, 16 bits; stream 0xBD, sub-stream 0xA0, offset 7.
    ZRGraphResult createDemuxAudioPin();
    ZRGraphResult deleteDemuxVideoPin();
    ZRGraphResult deleteDemuxAudioPin();
    ZRGraphResult releaseDemultiplexer();
    // 39-45: MPEG splitters
    ZRGraphResult removeMpegSplitter();
    ZRGraphResult releaseMpegSplitter();
    ZRGraphResult addEngineMpegSplitter();
    ZRGraphResult unloadEngineMpegSplitter();
    ZRGraphResult addMakerMpegSplitter();
    // 46-52: MPEG decoders
    ZRGraphResult addMpegVideoDecoder();
    ZRGraphResult queryDecoderSettings();
    /// Writes the settings record with the PAL field set when the standard is not NTSC.
    ZRGraphResult writeDecoderSettings();
    ZRGraphResult clearDecoderSettings();
    ZRGraphResult unloadMpegVideoDecoder();
    ZRGraphResult addMpegAudioDecoder();
    ZRGraphResult unloadMpegAudioDecoder();
    // 53-62: the video renderer and its window
    ZRGraphResult addVideoRenderer();
    ZRGraphResult queryVideoWindow();
    ZRGraphResult queryBasicVideo();
    /// Shows the renderer's window as a child of the video widget, one pixel larger each way.
    ZRGraphResult attachVideoWindow();
    ZRGraphResult resizeToWidget();
    ZRGraphResult resizeToFrame();
    ZRGraphResult setVideoRects(int x, int y, int width, int height);
    ZRGraphResult detachVideoWindow();
    ZRGraphResult removeVideoRenderer();
    ZRGraphResult releaseVideoRenderer();
    // 63-68: the audio renderer, the graph's clock
    ZRGraphResult addAudioRenderer();
    ZRGraphResult noOperation();
    ZRGraphResult useAudioClock();
    ZRGraphResult releaseClock();
    ZRGraphResult removeAudioRenderer();
    ZRGraphResult releaseAudioRenderer();
    // 69-78: setters
    void setVideoWidget(QWidget* widget) { m_videoWidget = widget; }
    void setDeviceName(const QString& name) { m_texts[0] = name; }
    void setAudioDeviceName(const QString& name) { m_texts[1] = name; }
    void setVideoEncoderName(const QString& name) { m_texts[2] = name; }
    void setFourthName(const QString& name) { m_texts[3] = name; }
    void setInputFile(const QString& path) { m_texts[4] = path; }
    void setOutputFile(const QString& path) { m_texts[5] = path; }
    virtual void setSplitLimit(long limit) { m_splitLimit = limit; }
    void setSecondPathFlag(bool on) { m_secondPath = on; }
    /// The seventeen capture parameters, in order (fewer leave the rest).
    virtual void setCaptureSettings(const long* values, int count);

    QWidget* videoWidget() const { return m_videoWidget; }
    const QString& text(int index) const { return m_texts[size_t(index)]; }
    long splitLimit() const { return m_splitLimit; }
    bool secondPathFlag() const { return m_secondPath; }
    long captureSetting(int index) const { return m_settings[size_t(index)]; }
    /// 1 NTSC, 2 PAL.
    long tvStandard() const { return m_settings[2]; }
    const VidCapDevInfo* deviceRecord() const { return m_record.get(); }

    Filter captureDevice() const { return m_captureDevice; }
    Filter videoTee() const { return m_videoTee; }
    Filter audioTee() const { return m_audioTee; }
    Filter demultiplexer() const { return m_demux; }
    Filter mpegSplitter() const { return m_splitter; }
    Filter videoDecoder() const { return m_videoDecoder; }
    Filter audioDecoder() const { return m_audioDecoder; }
    Filter videoRenderer() const { return m_videoRenderer; }
    Filter audioRenderer() const { return m_audioRenderer; }
    Filter mvlReader() const { return m_reader; }
    ZRGraphPin* streamControl(int index) const { return m_streamControls[size_t(index)]; }

protected:
    /// Adds a standard or registry filter of class `clsid` under `name` into `*slot`.
    ZRGraphResult addByClsid(Filter* slot, const char* clsid, const char* name);
    ZRGraphResult addFromFile(Filter* slot, const char* file, const char* clsid, const char* name);
    /// Takes the filter out of the graph and clears the handle.
    ZRGraphResult removeFilter(Filter* slot);
    ZRGraphResult result(ZRGraphResult r);
    /// A subclass's teardown: the graph stopped, the subclass's own filters killed, then the
    /// base's teardown. Fails without a graph wrapper.
    ZRGraphResult teardownWith(std::initializer_list<Filter*> own);

    Filter m_reader = 0;
    Filter m_captureDevice = 0;
    Filter m_secondDevice = 0;
    Filter m_videoTee = 0;
    Filter m_audioTee = 0;
    Filter m_demux = 0;
    Filter m_splitter = 0;
    Filter m_videoDecoder = 0;
    Filter m_audioDecoder = 0;
    Filter m_videoRenderer = 0;
    Filter m_audioRenderer = 0;
    /// The interface `T` of a filter of this path's graph, null for a stale handle.
    template <class T> T* interfaceOf(Filter filter) const {
        ZRGraphNode* n = graphBase() ? graphBase()->node(filter) : nullptr;
        return n ? n->as<T>() : nullptr;
    }

    bool m_haveReaderSource = false;
    bool m_haveDemuxInterface = false;
    bool m_haveDecoderSettings = false;
    bool m_haveVideoWindow = false;
    bool m_clockSet = false;
    std::array<ZRGraphPin*, 4> m_streamControls{};
    std::unique_ptr<VidCapDevInfo> m_record;
    QPointer<QWidget> m_videoWidget;
    std::array<QString, 6> m_texts;
    long m_splitLimit = 0;
    bool m_secondPath = false;
    std::array<long, 17> m_settings{};
};
