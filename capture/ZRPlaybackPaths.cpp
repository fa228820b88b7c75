#include "capture/ZRPlaybackPaths.h"

#include "capture/ZRCardPathBase.h"
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
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    if (g->graph() && g->graph()->state() != ZRGraphState::Stopped) (void)g->setGraphState(0);
    (void)g->kill(&m_puller);
    (void)g->kill(&m_live);
    return ZRFilterPathBase::teardown();
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
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    if (g->graph() && g->graph()->state() != ZRGraphState::Stopped) (void)g->setGraphState(0);
    (void)g->kill(&m_sink);
    return ZRFilterPathBase::teardown();
}
