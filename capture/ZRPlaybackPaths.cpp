#include "capture/ZRPlaybackPaths.h"

#include "capture/ZRCardPathBase.h"
#include "capture/ZRKestrelCapPath.h"
#include "capture/ZROutsideFilters.h"
#include "platform/graph/ZRMpeg2DemuxNode.h"
#include "platform/v4l2/ZRAsyncPullerNode.h"
#include "platform/v4l2/ZRLivePreviewNode.h"
#include "platform/v4l2/ZRV4l2Backend.h"
#include "platform/v4l2/ZRV4l2CaptureNode.h"
#include "platform/v4l2/ZRV4l2OutputNode.h"

#include <QDebug>

using namespace zroutsidefilters;

namespace {

constexpr const char* kNoReader = "PROB: no Orvand MVL Source filter found";
constexpr const char* kNoAudioPin = "PROB: ZRSplit has no 'Audio' pin, trying 'LPCM' instead";

} // namespace

ZRKestrel250PBPath::ZRKestrel250PBPath(ZRGraphBase* graph)
    : ZRFilterPathBase(graph, "dshow Kestrel250 playback path") {}

ZRKestrel250PBPath::~ZRKestrel250PBPath() {
    ZRKestrel250PBPath::teardown();
}

ZRGraphResult ZRKestrel250PBPath::connectInternal() {
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    if (!g->graph()) g->buildGraph();
    m_traces.clear();
    if (!zrGraphSucceeded(addMvlReader()) || !g->node(m_reader)) {
        m_traces << QString::fromLatin1(kNoReader);
        qWarning("%s", kNoReader);
    }
    if (zrGraphSucceeded(queryReaderSource())) (void)loadReaderSource();
    (void)addByClsid(&m_puller, kClsidAsyncPuller, "Orvand Async Puller");
    (void)addVideoInfTee();
    (void)addDemultiplexer();
    (void)queryDemultiplexer();
    (void)createDemuxVideoPin();
    if (auto* demux = interfaceOf<ZRMpeg2DemuxNode>(m_demux)) {
        if (zrGraphSucceeded(demux->createOutputPin("Audio", {kZRStreamAudio, "mp2"})))
            (void)demux->mapStreamId("Audio", 0xC0, -1, 0);
    }
    (void)addMpegVideoDecoder();
    (void)addVideoRenderer();
    (void)addMpegAudioDecoder();
    (void)addAudioRenderer();
    // The device's input is its output node.
    if (auto io = zrv4l2::openOutput(text(0).toStdString()))
        (void)g->addFilter(std::make_unique<ZRV4l2OutputNode>(std::move(io), "Kestrel250 Output"),
                           QStringLiteral("Capture Device"), &m_captureDevice);
    (void)copyDeviceRecord();

    ZRGraphNode* reader = g->node(m_reader);
    ZRGraphNode* puller = g->node(m_puller);
    ZRGraphNode* tee = g->node(m_videoTee);
    ZRGraphNode* device = g->node(m_captureDevice);
    ZRGraphNode* demux = g->node(m_demux);
    if (reader && puller) (void)g->connectPins(reader->outputPin(0), puller->inputPin(0));
    if (puller && tee) (void)g->connectPins(puller->outputPin(0), tee->inputPin(0));
    if (tee && device) (void)g->connectPins(tee->findPin("Output1"), device->inputPin(0));
    if (tee && demux)
        (void)g->connectPins(tee->outputPin(tee->outputCount() - 1), demux->inputPin(0));
    zrConnectLiveDecoders(g, demux, m_videoDecoder, m_videoRenderer, m_audioDecoder,
                          m_audioRenderer, &m_live);
    if (zrGraphSucceeded(queryVideoWindow())) (void)attachVideoWindow();
    ZRGraphNode* audioRenderer = g->node(m_audioRenderer);
    if (audioRenderer && audioRenderer->inputPin(0)->isConnected()) (void)useAudioClock();
    return result(device ? kZRGraphOk : kZRGraphNotFound);
}

ZRGraphResult ZRKestrel250PBPath::teardown() {
    return teardownWith({&m_puller, &m_live});
}

ZRKestrel200PBPath::ZRKestrel200PBPath(ZRGraphBase* graph)
    : ZRCardPathBase(graph, "dshow Kestrel200 playback path") {}

ZRKestrel200PBPath::~ZRKestrel200PBPath() {
    ZRKestrel200PBPath::teardown();
}

void ZRKestrel200PBPath::setCaptureSettings(const long* values, int count) {
    ZRFilterPathBase::setCaptureSettings(values, count);
    ZRKestrelCapPath::completeSettings(ZRKestrelCapPath::Model::Kestrel200, m_settings.data());
}

ZRGraphResult ZRKestrel200PBPath::stream(int capture, int preview) {
    m_capture = capture;
    m_preview = preview;
    const auto switchPin = [this](int index, int flag) {
        ZRGraphPin* pin = streamControl(index);
        if (!pin || (flag != 0 && flag != 1)) return;
        flag ? pin->startStream() : pin->stopStream();
    };
    switchPin(0, capture);
    switchPin(1, preview);
    return result(kZRGraphOk);
}

ZRGraphResult ZRKestrel200PBPath::connectInternal() {
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    if (!g->graph()) g->buildGraph();
    m_traces.clear();
    if (!zrGraphSucceeded(addMvlReader()) || !g->node(m_reader)) {
        m_traces << QString::fromLatin1(kNoReader);
        qWarning("%s", kNoReader);
    }
    if (zrGraphSucceeded(queryReaderSource())) (void)loadReaderSource();
    (void)addEngineMpegSplitter();
    (void)addVideoInfTee();
    (void)addAudioInfTee();
    (void)addMpegVideoDecoder();
    (void)addVideoRenderer();
    (void)addMpegAudioDecoder();
    (void)addByClsid(&m_acm, kClsidAcmWrapper, "ACM Wrapper");
    (void)addByClsid(&m_xform, kClsidXFormDeadCafe, "Marrack XFormDeadCafe");
    (void)addByClsid(&m_muxer, kClsidMarrackMuxer, "Marrack Muxer");
    if (auto io = zrv4l2::openOutput(text(0).toStdString()))
        (void)g->addFilter(std::make_unique<ZRV4l2OutputNode>(std::move(io), "Kestrel200 Output"),
                           QStringLiteral("Capture Device"), &m_captureDevice);
    (void)copyDeviceRecord();

    ZRGraphNode* reader = g->node(m_reader);
    ZRGraphNode* splitter = g->node(m_splitter);
    ZRGraphNode* videoTee = g->node(m_videoTee);
    ZRGraphNode* audioTee = g->node(m_audioTee);
    ZRGraphNode* videoDecoder = g->node(m_videoDecoder);
    ZRGraphNode* videoRenderer = g->node(m_videoRenderer);
    ZRGraphNode* audioDecoder = g->node(m_audioDecoder);
    ZRGraphNode* acm = g->node(m_acm);
    ZRGraphNode* xform = g->node(m_xform);
    ZRGraphNode* muxer = g->node(m_muxer);
    ZRGraphNode* device = g->node(m_captureDevice);
    if (reader && splitter) (void)g->connectPins(reader->outputPin(0), splitter->inputPin(0));
    if (splitter && videoTee)
        (void)g->connectPins(splitter->findPin("Video"), videoTee->inputPin(0));
    if (splitter && audioTee) {
        ZRGraphPin* audio = splitter->findPin("Audio");
        if (!audio) {
            m_traces << QString::fromLatin1(kNoAudioPin);
            qWarning("%s", kNoAudioPin);
            audio = splitter->findPin("LPCM");
        }
        if (audio) (void)g->connectPins(audio, audioTee->inputPin(0));
    }
    if (videoTee && videoDecoder && videoRenderer) {
        (void)g->connectPins(videoTee->findPin("Output1"), videoDecoder->inputPin(0));
        (void)g->connectPins(videoDecoder->outputPin(0), videoRenderer->inputPin(0));
    }
    if (audioTee && audioDecoder && acm && xform) {
        (void)g->connectPins(audioTee->findPin("Output1"), audioDecoder->inputPin(0));
        (void)g->connectPins(audioDecoder->outputPin(0), acm->inputPin(0));
        (void)g->connectPins(acm->outputPin(0), xform->inputPin(0));
    }
    if (videoTee && xform) (void)g->connectPins(videoTee->findPin("Output2"), xform->inputPin(1));
    if (xform && muxer) {
        (void)g->connectPins(xform->outputPin(1), muxer->inputPin(0));
        (void)g->connectPins(xform->outputPin(0), muxer->inputPin(1));
    }
    if (muxer && device) (void)g->connectPins(muxer->outputPin(0), device->inputPin(0));
    if (zrGraphSucceeded(queryVideoWindow())) (void)attachVideoWindow();
    return result(device ? kZRGraphOk : kZRGraphNotFound);
}

ZRGraphResult ZRKestrel200PBPath::teardown() {
    return teardownWith({&m_acm, &m_xform, &m_muxer});
}

ZRCirrusDVRPBPath::ZRCirrusDVRPBPath(ZRGraphBase* graph)
    : ZRFilterPathBase(graph, "dshow CLDVR playback path") {}

ZRCirrusDVRPBPath::~ZRCirrusDVRPBPath() {
    ZRCirrusDVRPBPath::teardown();
}

ZRGraphResult ZRCirrusDVRPBPath::connectInternal() {
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    if (!g->graph()) g->buildGraph();
    m_traces.clear();
    if (!zrGraphSucceeded(addMvlReader()) || !g->node(m_reader)) {
        m_traces << QString::fromLatin1(kNoReader);
        qWarning("%s", kNoReader);
    }
    if (zrGraphSucceeded(queryReaderSource())) (void)loadReaderSource();
    if (zrGraphSucceeded(addCaptureDevice()))
        if (auto* board = interfaceOf<ZRV4l2CaptureNode>(m_captureDevice))
            (void)result(board->boardMethod(54, 0, nullptr));
    if (auto io = zrv4l2::openOutput(text(0).toStdString())) {
        auto sink = std::make_unique<ZRV4l2OutputNode>(std::move(io), "CLDVR Sink");
        sink->sinkMethod(9, 1);
        sink->sinkMethod(7, 0);
        (void)g->addFilter(std::move(sink), QStringLiteral("CLDVR Sink"), &m_sink);
    }
    (void)copyDeviceRecord();
    ZRGraphNode* reader = g->node(m_reader);
    ZRGraphNode* sink = g->node(m_sink);
    if (reader && sink) (void)g->connectPins(reader->outputPin(0), sink->inputPin(0));
    return result(sink ? kZRGraphOk : kZRGraphNotFound);
}

ZRGraphResult ZRCirrusDVRPBPath::teardown() {
    return teardownWith({&m_sink});
}
