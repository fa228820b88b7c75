#include "capture/ZRKestrelCapPath.h"

#include "capture/ZRCardPathBase.h"
#include "capture/ZROutsideFilters.h"
#include "platform/graph/ZRMpeg2DemuxNode.h"
#include "platform/graph/ZRTeeNodes.h"
#include "platform/segments/ZRMpegSegmentWriter.h"
#include "platform/v4l2/ZRLivePreviewNode.h"
#include "platform/v4l2/ZRMvlWriterNode.h"
#include "platform/v4l2/ZRV4l2CaptureNode.h"

#include <QDebug>
#include <QFileInfo>
#include <QLoggingCategory>

#include <algorithm>

using namespace zroutsidefilters;
using zrv4l2::EncoderVideoRange;
using zrv4l2::EncoderVideoSettings;

Q_LOGGING_CATEGORY(lcKestrel, "clipstead.capture.kestrel", QtWarningMsg)

ZRKestrelCapPath::ZRKestrelCapPath(ZRGraphBase* graph, Model model)
    : ZRCardPathBase(graph, model == Model::Kestrel200 ? "dshow Kestrel200 capture path"
                                                       : "dshow Kestrel250 capture path"),
      m_model(model) {}

ZRKestrelCapPath::~ZRKestrelCapPath() {
    ZRKestrelCapPath::teardown();
}

ZRKestrel200CapPath::ZRKestrel200CapPath(ZRGraphBase* graph)
    : ZRKestrelCapPath(graph, Model::Kestrel200) {}

ZRKestrel250CapPath::ZRKestrel250CapPath(ZRGraphBase* graph)
    : ZRKestrelCapPath(graph, Model::Kestrel250) {}

void ZRKestrelCapPath::trace(const QString& line) {
    m_traces << line;
    qCDebug(lcKestrel) << line;
}

void ZRKestrelCapPath::setCaptureSettings(const long* values, int count) {
    ZRFilterPathBase::setCaptureSettings(values, count);
    completeSettings(m_model, m_settings.data());
}

void ZRKestrelCapPath::completeSettings(Model model, long* w) {
    const bool ntsc = w[2] == 1;
    const long format = w[0];
    w[16] = 3;
    w[4] = 3;
    w[15] = 16;
    if (model == Model::Kestrel200) {
        w[11] = 5;
        w[13] = 48000;
        w[14] = 2;
        if (format == 1) {
            w[1] = 1;
            w[5] = 352;
            w[6] = ntsc ? 240 : 288;
            w[3] = ntsc ? 18 : 15;
            w[10] = 0;
            w[7] = w[8] = w[9] = 1150000;
        } else if (format == 2) {
            w[1] = 2;
            w[3] = 15;
            w[5] = 480;
            w[6] = ntsc ? 480 : 576;
            w[7] = 2375000;
            w[8] = 2376000;
            w[9] = 2420000;
            w[10] = 1;
        } else {
            w[1] = 2;
            w[5] = 720;
            w[6] = ntsc ? 480 : 576;
            w[3] = ntsc ? 15 : 12;
            if (w[7] == 0) w[7] = 6000000;
            if (w[8] == 0) w[8] = 4200000;
            if (w[9] == 0) w[9] = 8000000;
            w[10] = 1;
        }
        return;
    }
    w[3] = ntsc ? 15 : 12;
    if (format == 1) {
        w[1] = 1;
        w[5] = 352;
        w[6] = ntsc ? 240 : 288;
        w[7] = w[8] = w[9] = 1150000;
        w[10] = 0;
        w[14] = 2;
    } else if (format == 2) {
        w[1] = 2;
        w[5] = 480;
        w[6] = ntsc ? 480 : 576;
        w[7] = 2375000;
        w[8] = 2376000;
        w[9] = 2420000;
        w[10] = 1;
        w[14] = 2;
    } else {
        w[1] = 2;
        w[5] = 720;
        w[6] = ntsc ? 480 : 576;
        if (w[7] == 0) w[7] = 6000000;
        if (w[8] == 0) w[8] = 4200000;
        if (w[9] == 0) w[9] = 8000000;
        w[10] = 1;
        if (format == 3 || format == 4) w[11] = 5;
        w[12] = 256000;
        w[13] = 48000;
        w[14] = 2;
    }
    if (format == 1 || format == 2) {
        w[11] = 3;
        w[12] = 224000;
        w[13] = 44100;
    }
}

void ZRKestrelCapPath::setSplitLimit(long limit) {
    m_splitLimit = long(segments::ZRMpegSegmentWriter::clampLimit(limit));
    if (auto* split = interfaceOf<IZRSplitControl>(m_writer))
        (void)result(split->setSplitLimit(m_splitLimit));
}

QString ZRKestrelCapPath::mpegFileName() const {
    const QString out = text(5);
    if (out.isEmpty()) return out;
    const QFileInfo info(out);
    return info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".mpg");
}

uint32_t ZRKestrelCapPath::averageForPeak(uint32_t peak) {
    if (peak == 6000000) return 4200000;
    if (peak == 2420000) return 2376000;
    return uint32_t(uint64_t(peak) * 3 / 4);
}

EncoderVideoSettings ZRKestrelCapPath::encoderSettings(const long* w, Model model,
                                                       int32_t modelMask,
                                                       const EncoderVideoRange& range,
                                                       EncoderVideoSettings s) {
    const auto clampU = [](int64_t v, int64_t lo, int64_t hi) {
        return uint32_t(std::clamp<int64_t>(v, lo, std::max(lo, hi)));
    };
    const int64_t lo = range.minimum, hi = range.maximum;
    const uint32_t peak9 = clampU(w[9], lo, hi);
    if (model == Model::Kestrel200) {
        s.mpeg1 = w[1] == 1 ? 1 : 0;
        s.hasMpeg1Field = true;
    }
    if (w[10] == 1) {
        s.bitRate = clampU(averageForPeak(peak9), lo, hi);
        s.peakBitRate = peak9;
    } else if (w[7] != 0) {
        int64_t rate = w[7];
        // The encoders of both boxes take no constant rate above 6 Mbit/s.
        if (modelMask == 64 || modelMask == 16) rate = std::min<int64_t>(rate, 6000000);
        s.bitRate = s.peakBitRate = uint32_t(std::max<int64_t>(rate, 0));
    }
    s.variable = w[10] == 1 ? 1 : 0;
    s.width = uint32_t(std::max<long>(w[5], 0));
    s.height = uint32_t(std::max<long>(w[6], 0));
    s.peakBitRate = clampU(s.peakBitRate, lo, hi);
    s.bitRate = clampU(s.bitRate, lo, s.peakBitRate);
    return s;
}

ZRGraphResult ZRKestrelCapPath::configureEncoder() {
    ZRV4l2CaptureNode* encoder = deviceNode();
    if (!encoder) return result(kZRGraphNoInterface);
    const auto& w = m_settings;
    if (m_model == Model::Kestrel250) {
        ZRGraphResult r =
            result(encoder->setStreamType(zrv4l2::discFormatOf(w[0]), w[1] == 1 ? 1 : 2));
        // Without a program stream of the kind the joiner and the preview could read nothing.
        if (r == kZRGraphTypeNotAccepted) return r;
        (void)result(encoder->setGop(int(std::clamp<long>(w[3], 12, 20)),
                                     int(std::clamp<long>(w[4], 1, 3))));
    }
    EncoderVideoRange range;
    if (!zrGraphSucceeded(result(encoder->videoRange(&range)))) return lastResult();
    trace(QStringLiteral("connectInternal: VideoRange.ulMinimumBitrate=%1").arg(range.minimum));
    trace(QStringLiteral("connectInternal: VideoRange.ulMaximumBitrate=%1").arg(range.maximum));
    trace(QStringLiteral("connectInternal: VideoRange.ulDefaultBitrate=%1").arg(range.defaultRate));
    m_settings[9] = long(
        std::clamp<int64_t>(m_settings[9], range.minimum, std::max(range.minimum, range.maximum)));
    m_settings[8] = long(std::clamp<int64_t>(m_settings[8], range.minimum,
                                             std::max<int64_t>(range.minimum, m_settings[9])));
    EncoderVideoSettings current;
    (void)result(encoder->videoSettings(&current));
    trace(QStringLiteral("connectInternal: VideoSettings.ulBitrate=%1").arg(current.bitRate));
    trace(
        QStringLiteral("connectInternal: VideoSettings.ulPeakBitrate=%1").arg(current.peakBitRate));
    const int32_t modelMask = deviceRecord() ? deviceRecord()->modelMask : 0;
    const EncoderVideoSettings s =
        encoderSettings(m_settings.data(), m_model, modelMask, range, current);
    (void)result(encoder->setVideoSettings(s));
    if (m_model == Model::Kestrel200) {
        (void)result(encoder->setAudioSampleRate(48000));
    } else {
        (void)result(encoder->setAudioBitRate(w[13] == 44100 ? 224000 : 256000));
        (void)result(encoder->setAudioSampleRate(int(w[13])));
    }
    return kZRGraphOk;
}

ZRGraphResult ZRKestrelCapPath::connectInternal() {
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    if (!g->graph()) g->buildGraph();
    m_traces.clear();
    ZRGraphResult r = addCaptureDevice();
    if (!zrGraphSucceeded(r)) return r;
    (void)copyDeviceRecord();
    (void)setTVFormat();
    r = configureEncoder();
    if (r == kZRGraphTypeNotAccepted) {
        qWarning("%s: the device offers no program stream for this disc format",
                 qPrintable(objectName()));
        return result(r);
    }
    ZRGraphNode* device = g->node(m_captureDevice);

    // Preview chain.
    (void)addDemultiplexer();
    (void)queryDemultiplexer();
    (void)createDemuxVideoPin();
    auto* demux = interfaceOf<ZRMpeg2DemuxNode>(m_demux);
    if (demux && m_model == Model::Kestrel250) {
        ZRMediaType audio{kZRStreamAudio, "mp2"};
        audio.sampleRate = int(m_settings[13]);
        audio.channels = 2;
        if (zrGraphSucceeded(demux->createOutputPin("Audio", audio)))
            (void)demux->mapStreamId("Audio", 0xC0, -1, 0);
    }
    (void)addMpegVideoDecoder();
    (void)addVideoRenderer();
    if (m_model == Model::Kestrel250) {
        (void)addMpegAudioDecoder();
        (void)addAudioRenderer();
    }

    // Writer.
    if (m_model == Model::Kestrel250) {
        if (!zrGraphSucceeded(addByClsid(&m_writer, kClsidMvlIntelliWriter,
                                         "Orvand MVL MultiFile Intelli-Writer")))
            (void)addByClsid(&m_writer, kClsidMvlMultiFileWriter, "Orvand MVL MultiFile Writer");
    } else if (!zrGraphSucceeded(addByClsid(&m_writer, kClsidMvlMultiFileWriter,
                                            "Orvand MVL MultiFile Writer"))) {
        (void)addFromFile(&m_writer, kFileDump, kClsidDump, "Dump");
    }
    if (auto* sink = interfaceOf<IZRFileSink>(m_writer); sink && !text(5).isEmpty())
        (void)result(sink->setFileName(mpegFileName().toStdString()));
    setSplitLimit(m_splitLimit);
    m_intelli = false;
    if (auto* intelli = interfaceOf<IZRIntelliWriter>(m_writer))
        m_intelli = zrGraphSucceeded(result(intelli->prepare()));
    m_intelli ? (void)addVideoInfTee() : (void)addVideoSmartTee();

    // Connections.
    ZRGraphNode* tee = g->node(m_videoTee);
    ZRGraphNode* writer = g->node(m_writer);
    ZRGraphNode* demuxNode = g->node(m_demux);
    if (device && tee) (void)g->connectPins(device->outputPin(0), tee->inputPin(0));
    if (tee && writer) (void)g->connectPins(tee->outputPin(0), writer->inputPin(0));
    ZRGraphPin* previewOut =
        tee ? (m_intelli ? tee->outputPin(tee->outputCount() - 1) : tee->outputPin(1)) : nullptr;
    if (previewOut && demuxNode) (void)g->connectPins(previewOut, demuxNode->inputPin(0));
    zrConnectLiveDecoders(g, demuxNode, m_videoDecoder, m_videoRenderer, m_audioDecoder,
                          m_audioRenderer, &m_live);
    if (!m_intelli && tee) {
        (void)queryStreamControl(0, tee->outputPin(0));
        (void)queryStreamControl(1, tee->outputPin(1));
        // Nothing is written before the capture flag asks for it.
        tee->outputPin(0)->stopStream();
    }
    if (zrGraphSucceeded(queryVideoWindow())) {
        (void)attachVideoWindow();
        (void)resizeToWidget();
    }
    ZRGraphNode* audioRenderer = g->node(m_audioRenderer);
    if (m_model == Model::Kestrel250 && audioRenderer && audioRenderer->inputPin(0)->isConnected())
        (void)useAudioClock();
    return result(kZRGraphOk);
}

ZRGraphResult ZRKestrelCapPath::teardown() {
    m_intelli = false;
    return teardownWith({&m_writer, &m_live});
}

ZRGraphResult ZRKestrelCapPath::stream(int capture, int preview) {
    m_capture = capture;
    m_preview = preview;
    ZRGraphBase* g = graphBase();
    if (!g || !g->graph()) return result(kZRGraphFail);
    auto switchPin = [this](int index, int flag) {
        ZRGraphPin* pin = streamControl(index);
        if (!pin || (flag != 0 && flag != 1)) return;
        flag ? pin->startStream() : pin->stopStream();
    };
    auto* intelli = interfaceOf<IZRIntelliWriter>(m_writer);
    if (m_model == Model::Kestrel250 && m_intelli) {
        if (capture == 1) {
            (void)g->setGraphState(0);
            if (intelli) {
                (void)result(intelli->prepare());
                (void)result(intelli->startNewRecording());
            }
            (void)g->setGraphState(2);
        }
    } else {
        if (m_model == Model::Kestrel250 && capture == 1 && intelli) {
            (void)result(intelli->prepare());
            (void)result(intelli->startNewRecording());
        }
        switchPin(0, capture);
    }
    switchPin(1, preview);
    return result(kZRGraphOk);
}

int ZRKestrelCapPath::writerStopReason() const {
    auto* writer = interfaceOf<ZRMvlWriterNode>(m_writer);
    return writer ? stopReasonOf(writer->lastErrorNumber()) : 0;
}

bool ZRKestrelCapPath::getAVProp(long property, ZRAVProp* out) {
    if (!out) return false;
    *out = {};
    ZRV4l2CaptureNode* node = deviceNode();
    if (!graphBase() || !node) return false;
    switch (property) {
    case zravprop::kBrightness:
    case zravprop::kContrast:
    case zravprop::kHue:
    case zravprop::kSaturation:
        return readProcAmp(property - 1, out);
    case zravprop::kSharpness:
        return m_model == Model::Kestrel250 && readProcAmp(4, out);
    case zravprop::kBitRate: {
        EncoderVideoRange range;
        EncoderVideoSettings s;
        if (!zrGraphSucceeded(node->videoRange(&range)) ||
            !zrGraphSucceeded(node->videoSettings(&s)))
            return false;
        trace(QStringLiteral("getAVProp: VideoRange.ulMinimumBitrate=%1").arg(range.minimum));
        trace(QStringLiteral("getAVProp: VideoRange.ulMaximumBitrate=%1").arg(range.maximum));
        trace(QStringLiteral("getAVProp: VideoRange.ulDefaultBitrate=%1").arg(range.defaultRate));
        trace(QStringLiteral("getAVProp: VideoSettings.ulBitrate=%1").arg(s.bitRate));
        trace(QStringLiteral("getAVProp: VideoSettings.ulPeakBitrate=%1").arg(s.peakBitRate));
        out->low = long(range.minimum);
        out->high = long(range.maximum);
        out->value =
            long(std::clamp(s.peakBitRate, range.minimum, std::max(range.minimum, range.maximum)));
        return true;
    }
    case zravprop::kInput:
        out->names = m_model == Model::Kestrel200
                         ? QStringList{QStringLiteral("Composite"), QStringLiteral("S-Video")}
                         : QStringList{QStringLiteral("Composite"), QStringLiteral("SVideo"),
                                       QStringLiteral("1394")};
        out->high = out->names.size();
        out->value = std::max(node->routedInput(), 0);
        return true;
    case zravprop::kTVFormat:
        return readTVFormats(out);
    default:
        return false;
    }
}

bool ZRKestrelCapPath::setProperty(long property, long value, const QString& name) {
    ZRV4l2CaptureNode* node = deviceNode();
    ZRGraphBase* g = graphBase();
    if (!g || !node) return false;
    switch (property) {
    case zravprop::kBrightness:
    case zravprop::kContrast:
    case zravprop::kHue:
    case zravprop::kSaturation:
        return writeProcAmp(property - 1, value);
    case zravprop::kSharpness:
        return m_model == Model::Kestrel250 && writeProcAmp(4, value);
    case zravprop::kInput: {
        if (m_model == Model::Kestrel200)
            return zrGraphSucceeded(result(node->route(0, int(value))));
        if (m_capture == 1) return false;
        const bool running = g->graph() && g->graph()->state() != ZRGraphState::Stopped;
        if (running) (void)g->setGraphState(0);
        const bool ok = zrGraphSucceeded(result(node->route(0, int(value))));
        (void)stream(m_capture, m_preview);
        if (running) (void)g->setGraphState(2);
        return ok;
    }
    case zravprop::kTVFormat:
        return writeTVFormat(value, name);
    default:
        return false;
    }
}
