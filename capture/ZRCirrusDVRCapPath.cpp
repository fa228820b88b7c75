#include "capture/ZRCirrusDVRCapPath.h"

#include "capture/ZRCardPathBase.h"
#include "capture/ZRKestrelCapPath.h"
#include "capture/ZROutsideFilters.h"
#include "platform/graph/ZRMpeg2DemuxNode.h"
#include "platform/v4l2/ZRCldvrSplitterNode.h"
#include "platform/v4l2/ZRLivePreviewNode.h"
#include "platform/v4l2/ZRV4l2CaptureNode.h"

#include <QFileInfo>

using namespace zroutsidefilters;

ZRCirrusDVRCapPath::ZRCirrusDVRCapPath(ZRGraphBase* graph)
    : ZRCardPathBase(graph, "dshow CLDVR capture path") {}

ZRCirrusDVRCapPath::~ZRCirrusDVRCapPath() {
    ZRCirrusDVRCapPath::teardown();
}

void ZRCirrusDVRCapPath::setCaptureSettings(const long* values, int count) {
    // The settings operation is the Kestrel 250's.
    ZRFilterPathBase::setCaptureSettings(values, count);
    ZRKestrelCapPath::completeSettings(ZRKestrelCapPath::Model::Kestrel250, m_settings.data());
}

int ZRCirrusDVRCapPath::inputIndexOfBoard(int32_t board) {
    switch (board) {
    case 1:
    case 4:
        return 1;
    case 2:
        return 2;
    case 5:
        return 3;
    default:
        return 0;
    }
}

int32_t ZRCirrusDVRCapPath::boardInputOfIndex(long index) {
    return index == 1 ? 1 : index == 2 ? 2 : index == 3 ? 5 : 0;
}

ZRGraphResult ZRCirrusDVRCapPath::connectInternal() {
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    if (!g->graph()) g->buildGraph();
    ZRGraphResult r = addCaptureDevice();
    if (!zrGraphSucceeded(r)) return r;
    (void)copyDeviceRecord();
    ZRV4l2CaptureNode* board = deviceNode();
    const long format = m_settings[0];
    if (board) {
        auto call = [&](int method, int32_t argument = 0, int32_t* out = nullptr) {
            (void)result(board->boardMethod(method, argument, out));
        };
        int32_t unused = 0, standard = -1;
        call(54);
        call(35);
        call(37);
        call(34, 0, &unused);
        call(30, 4000000);
        call(8, 0, &standard);
        if (tvStandard() == 1) {
            if (standard != 0) call(7, 0);
        } else if (standard != 1) {
            call(7, 1);
        }
        (void)setTVFormat();
        int32_t streamCode = 2;
        if (format == 1) {
            for (auto [m, a] : std::initializer_list<std::pair<int, int32_t>>{
                     {26, 2}, {28, 2}, {30, 1150000}, {39, 0}, {22, 0}, {24, 1}, {58, 12}, {26, 1}})
                call(m, a);
            streamCode = 1;
        } else if (format == 2) {
            for (auto [m, a] : std::initializer_list<std::pair<int, int32_t>>{
                     {26, 2}, {28, 1}, {30, 2375000}, {39, 0}, {22, 0}, {24, 1}, {58, 12}, {26, 0}})
                call(m, a);
            streamCode = 0;
        } else {
            for (auto [m, a] : std::initializer_list<std::pair<int, int32_t>>{
                     {26, 2}, {28, 5}, {30, 4000000}, {39, 1}, {22, 1}, {24, 1}, {58, 12}})
                call(m, a);
        }
        call(32, streamCode);
        call(38);
    }

    (void)addByClsid(&m_cldvr, kClsidCldvrSplitter, "CLDVR Splitter");
    if (auto* control = interfaceOf<IZRSplitterControl>(m_cldvr)) {
        (void)result(control->splitterMethod(3, 180000));
        (void)result(control->splitterMethod(5, 180000));
        (void)result(control->splitterMethod(7, format == 1 || format == 2 ? 0 : 1));
        (void)result(control->splitterMethod(9, 0));
        (void)result(control->splitterMethod(11, 0));
        (void)result(control->splitterMethod(13, 0));
        if (!text(5).isEmpty()) {
            const QFileInfo info(text(5));
            const QString name =
                info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".mpg");
            (void)result(control->setOutputFileName(name.toStdU16String()));
        }
    }
    (void)addDemultiplexer();
    (void)queryDemultiplexer();
    (void)createDemuxVideoPin();
    if (auto* demux = interfaceOf<ZRMpeg2DemuxNode>(m_demux)) {
        ZRMediaType audio{kZRStreamAudio, "mp2"};
        if (zrGraphSucceeded(demux->createOutputPin("Audio", audio)))
            (void)demux->mapStreamId("Audio", 0xC0, -1, 0);
    }
    (void)addMpegVideoDecoder();
    (void)addVideoRenderer();
    (void)addMpegAudioDecoder();
    (void)addAudioRenderer();

    ZRGraphNode* device = g->node(m_captureDevice);
    ZRGraphNode* splitter = g->node(m_cldvr);
    ZRGraphNode* demux = g->node(m_demux);
    if (device && splitter) (void)g->connectPins(device->outputPin(0), splitter->inputPin(0));
    if (splitter && demux) (void)g->connectPins(splitter->outputPin(0), demux->inputPin(0));
    zrConnectLiveDecoders(g, demux, m_videoDecoder, m_videoRenderer, m_audioDecoder,
                          m_audioRenderer, &m_live);
    if (zrGraphSucceeded(queryVideoWindow())) {
        (void)attachVideoWindow();
        (void)resizeToWidget();
    }
    return result(kZRGraphOk);
}

ZRGraphResult ZRCirrusDVRCapPath::teardown() {
    return teardownWith({&m_cldvr, &m_live});
}

ZRGraphResult ZRCirrusDVRCapPath::stream(int capture, int preview) {
    m_capture = capture;
    m_preview = preview;
    if (capture != 1) return result(kZRGraphOk);
    ZRGraphBase* g = graphBase();
    if (!g || !g->graph()) return result(kZRGraphFail);
    (void)g->setGraphState(0);
    if (auto* control = interfaceOf<IZRSplitterControl>(m_cldvr))
        (void)result(control->splitterMethod(9, 1));
    return result(g->setGraphState(2));
}

int ZRCirrusDVRCapPath::writerStopReason() const {
    auto* splitter = interfaceOf<ZRCldvrSplitterNode>(m_cldvr);
    return splitter ? stopReasonOf(splitter->lastErrorNumber()) : 0;
}

bool ZRCirrusDVRCapPath::getAVProp(long property, ZRAVProp* out) {
    if (!out) return false;
    *out = {};
    ZRV4l2CaptureNode* node = deviceNode();
    if (!graphBase() || !node) return false;
    if (zravprop::isPictureControl(property)) return readProcAmp(property - 1, out);
    switch (property) {
    case zravprop::kInput: {
        out->names = {QStringLiteral("Composite"), QStringLiteral("SVideo"),
                      QStringLiteral("Tuner"), QStringLiteral("1394")};
        out->high = out->names.size();
        int32_t board = 0;
        (void)result(node->boardMethod(4, 0, &board));
        out->value = std::clamp<long>(inputIndexOfBoard(board), 0, out->names.size());
        return true;
    }
    case zravprop::kTVTuner:
        return node->hasTuner();
    case zravprop::kTVFormat:
        return readTVFormats(out);
    default:
        return false;
    }
}

bool ZRCirrusDVRCapPath::setProperty(long property, long value, const QString& name) {
    ZRV4l2CaptureNode* node = deviceNode();
    ZRGraphBase* g = graphBase();
    if (!g || !node) return false;
    if (zravprop::isPictureControl(property)) return writeProcAmp(property - 1, value);
    switch (property) {
    case zravprop::kInput: {
        if (m_capture == 1) return false;
        // Drivers take a new input only while they do not stream.
        const bool running = g->graph() && g->graph()->state() != ZRGraphState::Stopped;
        if (running) (void)g->setGraphState(0);
        const bool ok =
            zrGraphSucceeded(result(node->boardMethod(3, boardInputOfIndex(value), nullptr)));
        if (running) (void)g->setGraphState(2);
        return ok;
    }
    case zravprop::kTVTuner:
        if (m_capture == 1 || !node->hasTuner()) return false;
        Q_EMIT propertyDialogRequested(property);
        return true;
    case zravprop::kTVFormat:
        return m_capture != 1 && writeTVFormat(value, name);
    default:
        return false;
    }
}
