#include "capture/ZRFilterPathBase.h"

#include "capture/ZROutsideFilters.h"
#include "platform/graph/ZRDecoderNode.h"
#include "platform/graph/ZRMpeg2DemuxNode.h"

#include <QDir>

#include <algorithm>

using namespace zroutsidefilters;

ZRFilterPathBase::ZRFilterPathBase(ZRGraphBase* graph, const char* name)
    : ZRFilterBase(graph, name) {
    m_settings[3] = 15;
    m_settings[4] = 3;
}

ZRFilterPathBase::~ZRFilterPathBase() {
    // A path destroyed while its graph streams must not leave its filters running.
    ZRFilterPathBase::teardown();
}

ZRGraphResult ZRFilterPathBase::result(ZRGraphResult r) {
    setLastResult(r);
    return r;
}

ZRGraphResult ZRFilterPathBase::teardown() {
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    if (g->graph() && g->graph()->state() != ZRGraphState::Stopped) (void)g->setGraphState(0);
    (void)detachVideoWindow();
    (void)releaseStreamControls();
    (void)releaseClock();
    m_haveReaderSource = m_haveDemuxInterface = m_haveDecoderSettings = false;
    for (Filter* slot :
         {&m_videoRenderer, &m_audioRenderer, &m_videoDecoder, &m_audioDecoder, &m_splitter,
          &m_demux, &m_videoTee, &m_audioTee, &m_secondDevice, &m_captureDevice, &m_reader})
        (void)removeFilter(slot);
    m_record.reset();
    return result(kZRGraphOk);
}

ZRGraphResult ZRFilterPathBase::teardownWith(std::initializer_list<Filter*> own) {
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    if (g->graph() && g->graph()->state() != ZRGraphState::Stopped) (void)g->setGraphState(0);
    for (Filter* slot : own)
        (void)g->kill(slot);
    return ZRFilterPathBase::teardown();
}

ZRGraphResult ZRFilterPathBase::addByClsid(Filter* slot, const char* clsid, const char* name) {
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    return g->addFilterByClsid(slot, QString::fromLatin1(clsid), QString::fromLatin1(name));
}

ZRGraphResult ZRFilterPathBase::addFromFile(Filter* slot, const char* file, const char* clsid,
                                            const char* name) {
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    return g->addFilterFromFile(slot, QString::fromLatin1(file), QString::fromLatin1(clsid),
                                QString::fromLatin1(name));
}

ZRGraphResult ZRFilterPathBase::removeFilter(Filter* slot) {
    ZRGraphBase* g = graphBase();
    if (!g) {
        *slot = 0;
        return kZRGraphFail;
    }
    return g->kill(slot);
}

// 1-3

ZRGraphResult ZRFilterPathBase::queryReaderSource() {
    m_haveReaderSource = interfaceOf<IZRFileSource>(m_reader) != nullptr;
    return result(m_haveReaderSource ? kZRGraphOk : kZRGraphNoInterface);
}

ZRGraphResult ZRFilterPathBase::loadReaderSource() {
    auto* source = m_haveReaderSource ? interfaceOf<IZRFileSource>(m_reader) : nullptr;
    if (!source) return result(kZRGraphInvalidArg);
    // The whole path: a shortened one would name another file.
    return result(source->load(QDir::toNativeSeparators(m_texts[4]).toStdString()));
}

ZRGraphResult ZRFilterPathBase::releaseReaderSource() {
    m_haveReaderSource = false;
    return result(kZRGraphOk);
}

// 4-6

ZRGraphResult ZRFilterPathBase::removeMvlReader() {
    return removeFilter(&m_reader);
}

ZRGraphResult ZRFilterPathBase::releaseMvlReader() {
    m_reader = 0;
    return result(kZRGraphOk);
}

ZRGraphResult ZRFilterPathBase::addMvlReader() {
    return addByClsid(&m_reader, kClsidMakerMvlReader, "Orvand MVL MultiFile Reader");
}

// 7, 8, 12

ZRGraphResult ZRFilterPathBase::addCaptureDevice() {
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    return g->makeFilterEnumByDisplayName(&m_captureDevice, ZRDeviceCategory::VideoInput,
                                          m_texts[0], QStringLiteral("Capture Device"));
}

ZRGraphResult ZRFilterPathBase::copyDeviceRecord() {
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    m_record = g->copyDeviceRecord(m_texts[0]);
    return lastResult();
}

ZRGraphResult ZRFilterPathBase::releaseDeviceRecord() {
    m_record.reset();
    return result(kZRGraphOk);
}

// 9-11

ZRGraphResult ZRFilterPathBase::setTVFormat() {
    auto* decoder = interfaceOf<IZRAnalogVideoDecoder>(m_captureDevice);
    if (!decoder) return result(kZRGraphNoInterface);
    // NTSC M for standard 1, PAL B for any other.
    return result(decoder->setTVFormat(tvStandard() == 1 ? 0x1 : 0x10));
}

ZRGraphResult ZRFilterPathBase::routeCrossbar(long physicalType) {
    auto* crossbar = interfaceOf<IZRCrossbar>(m_captureDevice);
    if (!crossbar) return result(kZRGraphNoInterface);
    const int input = graphBase()->findCrossbarInput(crossbar, physicalType);
    if (input < 0) return result(kZRGraphNotFound);
    int outputs = 0, inputs = 0;
    crossbar->pinCounts(&outputs, &inputs);
    for (int out = 0; out < outputs; ++out)
        if (crossbar->canRoute(out, input)) return result(crossbar->route(out, input));
    return result(kZRGraphNotFound);
}

ZRGraphResult ZRFilterPathBase::routeCrossbarRelated(long physicalType) {
    const ZRGraphResult r = routeCrossbar(physicalType);
    if (!zrGraphSucceeded(r)) return r;
    auto* crossbar = interfaceOf<IZRCrossbar>(m_captureDevice);
    const int input = graphBase()->findCrossbarInput(crossbar, physicalType);
    int related = -1, type = 0;
    if (!crossbar->pinInfo(true, input, &related, &type) || related < 0) return result(r);
    int outputs = 0, inputs = 0;
    crossbar->pinCounts(&outputs, &inputs);
    for (int out = 0; out < outputs; ++out)
        if (crossbar->canRoute(out, related)) return result(crossbar->route(out, related));
    return result(kZRGraphNotFound);
}

// 13-16

ZRGraphResult ZRFilterPathBase::removeCaptureDevice() {
    return removeFilter(&m_captureDevice);
}

ZRGraphResult ZRFilterPathBase::releaseCaptureDevice() {
    m_captureDevice = 0;
    return result(kZRGraphOk);
}

ZRGraphResult ZRFilterPathBase::removeSecondDevice() {
    return removeFilter(&m_secondDevice);
}

ZRGraphResult ZRFilterPathBase::releaseSecondDevice() {
    m_secondDevice = 0;
    return result(kZRGraphOk);
}

// 17-24

ZRGraphResult ZRFilterPathBase::addVideoInfTee() {
    return addByClsid(&m_videoTee, kClsidInfTee, "Video InfTee");
}

ZRGraphResult ZRFilterPathBase::addVideoSmartTee() {
    return addByClsid(&m_videoTee, kClsidSmartTee, "Video SmartTee");
}

ZRGraphResult ZRFilterPathBase::removeVideoTee() {
    return removeFilter(&m_videoTee);
}

ZRGraphResult ZRFilterPathBase::releaseVideoTee() {
    m_videoTee = 0;
    return result(kZRGraphOk);
}

ZRGraphResult ZRFilterPathBase::addAudioInfTee() {
    return addByClsid(&m_audioTee, kClsidInfTee, "Audio InfTee");
}

ZRGraphResult ZRFilterPathBase::addAudioSmartTee() {
    return addByClsid(&m_audioTee, kClsidSmartTee, "Audio SmartTee");
}

ZRGraphResult ZRFilterPathBase::removeAudioTee() {
    return removeFilter(&m_audioTee);
}

ZRGraphResult ZRFilterPathBase::releaseAudioTee() {
    m_audioTee = 0;
    return result(kZRGraphOk);
}

// 25-31

ZRGraphResult ZRFilterPathBase::queryStreamControl(int index, ZRGraphPin* pin) {
    if (index < 0 || index > 3 || !graphBase() || !graphBase()->holdsPin(pin) || pin->isInput())
        return result(kZRGraphInvalidArg);
    m_streamControls[size_t(index)] = pin;
    return result(kZRGraphOk);
}

ZRGraphResult ZRFilterPathBase::controlVideoStreams(bool on) {
    for (int i : {0, 1}) {
        ZRGraphPin* pin = m_streamControls[size_t(i)];
        if (!pin || !graphBase()->holdsPin(pin)) continue;
        on ? pin->startStream() : pin->stopStream();
    }
    return result(kZRGraphOk);
}

ZRGraphResult ZRFilterPathBase::controlAudioStreams(bool on) {
    for (int i : {2, 3}) {
        ZRGraphPin* pin = m_streamControls[size_t(i)];
        if (!pin || !graphBase()->holdsPin(pin)) continue;
        on ? pin->startStream() : pin->stopStream();
    }
    return result(kZRGraphOk);
}

ZRGraphResult ZRFilterPathBase::releaseStreamControls() {
    m_streamControls.fill(nullptr);
    return result(kZRGraphOk);
}

// 32-38

ZRGraphResult ZRFilterPathBase::addDemultiplexer() {
    return addByClsid(&m_demux, kClsidMpeg2Demultiplexer, "MPEG2 Demultiplexer");
}

ZRGraphResult ZRFilterPathBase::queryDemultiplexer() {
    m_haveDemuxInterface = interfaceOf<ZRMpeg2DemuxNode>(m_demux) != nullptr;
    return result(m_haveDemuxInterface ? kZRGraphOk : kZRGraphNoInterface);
}

ZRGraphResult ZRFilterPathBase::createDemuxVideoPin() {
    auto* demux = m_haveDemuxInterface ? interfaceOf<ZRMpeg2DemuxNode>(m_demux) : nullptr;
    if (!demux) return result(kZRGraphInvalidArg);
    ZRMediaType type{kZRStreamVideo, "mpeg2video"};
    type.frameDuration = tvStandard() == 1 ? 333667 : 400000;
    type.width = int(m_settings[5]);
    type.height = int(m_settings[6]);
    type.bitRate = m_settings[10] ? m_settings[8] : m_settings[7];
    ZRGraphResult r = demux->createOutputPin("Video", type);
    if (zrGraphSucceeded(r)) r = demux->mapStreamId("Video", 0xE0, -1, 0);
    return result(r);
}

ZRGraphResult ZRFilterPathBase::createDemuxAudioPin() {
    auto* demux = m_haveDemuxInterface ? interfaceOf<ZRMpeg2DemuxNode>(m_demux) : nullptr;
    if (!demux) return result(kZRGraphInvalidArg);
    ZRMediaType type{kZRStreamAudio, "lpcm"};
    type.channels = 2;
    type.sampleRate = 48000;
    type.bitsPerSample = 16;
    type.bitRate = 192000 * 8;
    ZRGraphResult r = demux->createOutputPin("Audio", type);
    if (zrGraphSucceeded(r)) r = demux->mapStreamId("Audio", 0xBD, 0xA0, 7);
    return result(r);
}

ZRGraphResult ZRFilterPathBase::deleteDemuxVideoPin() {
    auto* demux = m_haveDemuxInterface ? interfaceOf<ZRMpeg2DemuxNode>(m_demux) : nullptr;
    return result(demux ? demux->deleteOutputPin("Video") : kZRGraphInvalidArg);
}

ZRGraphResult ZRFilterPathBase::deleteDemuxAudioPin() {
    auto* demux = m_haveDemuxInterface ? interfaceOf<ZRMpeg2DemuxNode>(m_demux) : nullptr;
    return result(demux ? demux->deleteOutputPin("Audio") : kZRGraphInvalidArg);
}

ZRGraphResult ZRFilterPathBase::releaseDemultiplexer() {
    m_haveDemuxInterface = false;
    return result(kZRGraphOk);
}

// 39-45

ZRGraphResult ZRFilterPathBase::removeMpegSplitter() {
    return removeFilter(&m_splitter);
}

ZRGraphResult ZRFilterPathBase::releaseMpegSplitter() {
    m_splitter = 0;
    return result(kZRGraphOk);
}

ZRGraphResult ZRFilterPathBase::addEngineMpegSplitter() {
    return addFromFile(&m_splitter, kFileEngineMpegSplitter, kClsidEngineMpegSplitter,
                       "ZR MPEG Splitter");
}

ZRGraphResult ZRFilterPathBase::unloadEngineMpegSplitter() {
    ZRGraphBase* g = graphBase();
    return g ? g->unloadFilter(&m_splitter) : kZRGraphFail;
}

ZRGraphResult ZRFilterPathBase::addMakerMpegSplitter() {
    return addByClsid(&m_splitter, kClsidMakerMpegSplitter, "Orvand MPEG Splitter");
}

// 46-52

ZRGraphResult ZRFilterPathBase::addMpegVideoDecoder() {
    return addFromFile(&m_videoDecoder, kFileEngineMpegDecoders, kClsidEngineMpegVideoDecoder,
                       "ZR MPEG Video Decoder");
}

ZRGraphResult ZRFilterPathBase::queryDecoderSettings() {
    m_haveDecoderSettings = interfaceOf<ZRDecoderNode>(m_videoDecoder) != nullptr;
    return result(m_haveDecoderSettings ? kZRGraphOk : kZRGraphNoInterface);
}

ZRGraphResult ZRFilterPathBase::writeDecoderSettings() {
    auto* decoder = m_haveDecoderSettings ? interfaceOf<ZRDecoderNode>(m_videoDecoder) : nullptr;
    if (!decoder) return result(kZRGraphInvalidArg);
    ZRMpegVideoDecoderSettings record = decoder->settingsRecord();
    record.pal() = tvStandard() != 1 ? 1 : 0;
    decoder->setSettingsRecord(record);
    return result(kZRGraphOk);
}

ZRGraphResult ZRFilterPathBase::clearDecoderSettings() {
    if (auto* decoder =
            m_haveDecoderSettings ? interfaceOf<ZRDecoderNode>(m_videoDecoder) : nullptr) {
        ZRMpegVideoDecoderSettings record = decoder->settingsRecord();
        record.pal() = 0;
        decoder->setSettingsRecord(record);
    }
    m_haveDecoderSettings = false;
    return result(kZRGraphOk);
}

ZRGraphResult ZRFilterPathBase::unloadMpegVideoDecoder() {
    ZRGraphBase* g = graphBase();
    return g ? g->unloadFilter(&m_videoDecoder) : kZRGraphFail;
}

ZRGraphResult ZRFilterPathBase::addMpegAudioDecoder() {
    return addFromFile(&m_audioDecoder, kFileEngineMpegDecoders, kClsidEngineMpegAudioDecoder,
                       "ZR MPEG Audio Decoder");
}

ZRGraphResult ZRFilterPathBase::unloadMpegAudioDecoder() {
    ZRGraphBase* g = graphBase();
    return g ? g->unloadFilter(&m_audioDecoder) : kZRGraphFail;
}

// 53-62

ZRGraphResult ZRFilterPathBase::addVideoRenderer() {
    return addByClsid(&m_videoRenderer, kClsidVideoRenderer, "Video Renderer");
}

ZRGraphResult ZRFilterPathBase::queryVideoWindow() {
    m_haveVideoWindow = interfaceOf<IZRVideoWindow>(m_videoRenderer) != nullptr;
    return result(m_haveVideoWindow ? kZRGraphOk : kZRGraphNoInterface);
}

ZRGraphResult ZRFilterPathBase::queryBasicVideo() {
    // The window and the picture size are one interface of the renderer here.
    return queryVideoWindow();
}

ZRGraphResult ZRFilterPathBase::attachVideoWindow() {
    auto* window = m_haveVideoWindow ? interfaceOf<IZRVideoWindow>(m_videoRenderer) : nullptr;
    if (!window || !m_videoWidget) return result(kZRGraphInvalidArg);
    window->setOwner(m_videoWidget);
    window->setWindowPosition(0, 0, m_videoWidget->width() + 1, m_videoWidget->height() + 1);
    window->setVisible(true);
    return result(kZRGraphOk);
}

ZRGraphResult ZRFilterPathBase::resizeToWidget() {
    auto* window = m_haveVideoWindow ? interfaceOf<IZRVideoWindow>(m_videoRenderer) : nullptr;
    if (!window || !m_videoWidget) return result(kZRGraphInvalidArg);
    return setVideoRects(0, 0, m_videoWidget->width(), m_videoWidget->height());
}

ZRGraphResult ZRFilterPathBase::resizeToFrame() {
    return setVideoRects(0, 0, int(m_settings[5]), int(m_settings[6]));
}

ZRGraphResult ZRFilterPathBase::setVideoRects(int x, int y, int width, int height) {
    auto* window = m_haveVideoWindow ? interfaceOf<IZRVideoWindow>(m_videoRenderer) : nullptr;
    if (!window || width <= 0 || height <= 0) return result(kZRGraphInvalidArg);
    window->setWindowPosition(x, y, width, height);
    return result(kZRGraphOk);
}

ZRGraphResult ZRFilterPathBase::detachVideoWindow() {
    if (auto* window = m_haveVideoWindow ? interfaceOf<IZRVideoWindow>(m_videoRenderer) : nullptr) {
        window->setVisible(false);
        window->setOwner(nullptr);
    }
    m_haveVideoWindow = false;
    return result(kZRGraphOk);
}

ZRGraphResult ZRFilterPathBase::removeVideoRenderer() {
    return removeFilter(&m_videoRenderer);
}

ZRGraphResult ZRFilterPathBase::releaseVideoRenderer() {
    m_videoRenderer = 0;
    return result(kZRGraphOk);
}

// 63-68

ZRGraphResult ZRFilterPathBase::addAudioRenderer() {
    return addByClsid(&m_audioRenderer, kClsidAudioRenderer, "Audio Renderer");
}

ZRGraphResult ZRFilterPathBase::noOperation() {
    return kZRGraphOk;
}

ZRGraphResult ZRFilterPathBase::useAudioClock() {
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    const ZRGraphResult r = g->setReferenceClock(m_audioRenderer);
    m_clockSet = zrGraphSucceeded(r);
    return r;
}

ZRGraphResult ZRFilterPathBase::releaseClock() {
    ZRGraphBase* g = graphBase();
    if (m_clockSet && g && g->graph() && g->node(m_audioRenderer) &&
        g->graph()->syncSource() == g->node(m_audioRenderer))
        (void)g->setReferenceClock(0);
    m_clockSet = false;
    return result(kZRGraphOk);
}

ZRGraphResult ZRFilterPathBase::removeAudioRenderer() {
    return removeFilter(&m_audioRenderer);
}

ZRGraphResult ZRFilterPathBase::releaseAudioRenderer() {
    m_audioRenderer = 0;
    return result(kZRGraphOk);
}

void ZRFilterPathBase::setCaptureSettings(const long* values, int count) {
    if (!values) return;
    std::copy_n(values, std::clamp(count, 0, 17), m_settings.begin());
}
