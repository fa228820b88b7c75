#include "capture/ZRWDMCapPath.h"

#include "capture/ZROutsideFilters.h"
#include "platform/v4l2/ZRAudioCaptureNode.h"
#include "platform/v4l2/ZRAviCaptureSinkNode.h"
#include "platform/v4l2/ZRV4l2CaptureNode.h"
#include "platform/v4l2/ZRYuyvPreviewNode.h"

#include <QFileInfo>

#include <cmath>

using namespace zroutsidefilters;

ZRWDMCapPath::ZRWDMCapPath(ZRGraphBase* graph)
    : ZRWDMCapPath(graph, "dshow WDMCap capture path", false) {}

ZRWDMCapPath::ZRWDMCapPath(ZRGraphBase* graph, const char* name, bool wren80)
    : ZRCardPathBase(graph, name), m_wren80(wren80) {}

ZRWDMCapPath::~ZRWDMCapPath() {
    ZRWDMCapPath::teardown();
}

int64_t ZRWDMCapPath::frameDuration(double rate) {
    if (rate == 25.0) return 400000;
    if (std::abs(rate - 29.97) < 1e-9) return 333667;
    if (rate == 30.0) return 333333;
    return rate > 0 ? int64_t(10000000.0 / rate) : 0;
}

void ZRWDMCapPath::setCaptureSettings(const long* values, int count) {
    ZRFilterPathBase::setCaptureSettings(values, count);
    m_settings[1] = 0;
    if (m_settings[5] == 0) m_settings[5] = 352;
    if (m_settings[6] == 0) m_settings[6] = tvStandard() == 1 ? 240 : 288;
    m_settings[11] = 1;
    m_settings[13] = m_wren80 ? 16000 : 44100;
    m_settings[14] = 2;
    m_settings[15] = 16;
    m_settings[16] = 2;
}

QString ZRWDMCapPath::captureFileName() const {
    const QString out = text(5);
    if (out.isEmpty()) return out;
    const QFileInfo info(out);
    return info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".avi");
}

ZRGraphResult ZRWDMCapPath::setUpCaptureFilters() {
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    if (!g->graph()) g->buildGraph();
    ZRGraphResult r = g->makeFilterEnumByDisplayName(&m_captureDevice, ZRDeviceCategory::VideoInput,
                                                     text(0), QStringLiteral("Video Capture"));
    if (!zrGraphSucceeded(r)) return r;
    (void)copyDeviceRecord();
    (void)setTVFormat();
    ZRV4l2CaptureNode* node = deviceNode();
    if (!m_wren80 && m_sizes.empty() && node) {
        g->videoSizesFromStreamConfig(node, tvStandard(), &m_sizes);
        if (m_sizes.empty()) {
            const ZRMediaType& t = node->outputPin(0)->mediaType();
            collectVideoResolutions(&m_sizes, t.width, t.height);
        }
        if (!m_sizes.empty()) {
            m_settings[5] = m_sizes.front().width;
            m_settings[6] = m_sizes.front().height;
        }
    }
    QString audio = text(1);
    if (m_wren80) {
        audio = deviceRecord() ? ZRWren80CapPath::audioDeviceFor(deviceRecord()->friendlyName)
                               : QString();
        if (!audio.isEmpty())
            (void)g->makeFilterEnumByFriendlyName(&m_secondDevice, ZRDeviceCategory::AudioInput,
                                                  audio, QStringLiteral("Audio Capture"));
    } else if (!audio.isEmpty()) {
        (void)g->makeFilterEnumByDisplayName(&m_secondDevice, ZRDeviceCategory::AudioInput, audio,
                                             QStringLiteral("Audio Capture"));
    }
    if (!m_wren80 && m_formats.empty())
        if (auto* sound = interfaceOf<ZRAudioCaptureNode>(m_secondDevice)) {
            g->audioFormatsFromStreamConfig(sound, &m_formats);
            if (m_formats.empty()) g->audioFormatsFromPin(sound->outputPin(0), &m_formats);
            if (!m_formats.empty()) {
                m_settings[13] = m_formats.front().sampleRate;
                m_settings[14] = m_formats.front().channels;
                m_settings[15] = m_formats.front().sampleSize;
            }
        }
    return result(kZRGraphOk);
}

void ZRWDMCapPath::applyFormats() {
    const bool ntsc = tvStandard() == 1;
    if (ZRV4l2CaptureNode* node = deviceNode()) {
        ZRMediaType video{kZRStreamVideo, "yuyv"};
        video.width = m_wren80 ? 352 : int(m_settings[5]);
        video.height = m_wren80 ? (ntsc ? 240 : 288) : int(m_settings[6]);
        video.frameDuration = frameDuration(frameRate());
        (void)result(node->setFormat(video));
    }
    if (auto* sound = interfaceOf<ZRAudioCaptureNode>(m_secondDevice)) {
        ZRMediaType audio{kZRStreamAudio, "pcm"};
        audio.sampleRate = m_wren80 ? 16000 : int(m_settings[13]);
        audio.channels = m_wren80 ? 2 : int(m_settings[14]);
        audio.bitsPerSample = m_wren80 ? 16 : int(m_settings[15]);
        (void)result(sound->setFormat(audio));
    }
}

ZRGraphResult ZRWDMCapPath::renderPreview(bool capture) {
    ZRGraphBase* g = graphBase();
    ZRV4l2CaptureNode* node = deviceNode();
    if (!g || !node) return result(kZRGraphFail);
    (void)addVideoSmartTee();
    (void)g->addFilterByClsid(&m_previewConverter,
                              QStringLiteral("5C1E7A10-3B8D-4F0E-9A51-6D2C40B1E712"),
                              QStringLiteral("Video Preview Converter"));
    (void)addVideoRenderer();
    auto* tee = g->node(m_videoTee);
    auto* converter = g->node(m_previewConverter);
    auto* renderer = g->node(m_videoRenderer);
    if (tee && converter && renderer) {
        (void)g->connectPins(node->outputPin(0), tee->inputPin(0));
        (void)g->connectPins(tee->outputPin(1), converter->inputPin(0));
        (void)g->connectPins(converter->outputPin(0), renderer->inputPin(0));
    }
    ZRGraphNode* avi = capture ? g->node(m_avi) : nullptr;
    if (avi && tee) (void)g->connectPins(tee->outputPin(0), avi->findPin("Video"));
    if (ZRGraphNode* sound = g->node(m_secondDevice)) {
        (void)addAudioInfTee();
        (void)addAudioRenderer();
        ZRGraphNode* audioTee = g->node(m_audioTee);
        ZRGraphNode* speaker = g->node(m_audioRenderer);
        if (audioTee) {
            (void)g->connectPins(sound->outputPin(0), audioTee->inputPin(0));
            if (avi) (void)g->connectPins(audioTee->findPin("Output1"), avi->findPin("Audio"));
            if (speaker)
                (void)g->connectPins(audioTee->outputPin(audioTee->outputCount() - 1),
                                     speaker->inputPin(0));
        }
        if (speaker && speaker->inputPin(0)->isConnected()) (void)useAudioClock();
    }
    if (zrGraphSucceeded(queryVideoWindow())) (void)attachVideoWindow();
    return result(kZRGraphOk);
}

ZRGraphResult ZRWDMCapPath::connectInternal() {
    ZRGraphResult r = setUpCaptureFilters();
    if (!zrGraphSucceeded(r)) return r;
    applyFormats();
    (void)renderPreview(false);
    return result(graphBase()->setGraphState(2));
}

void ZRWDMCapPath::removeOwnFilters() {
    ZRGraphBase* g = graphBase();
    if (!g) return;
    (void)g->kill(&m_previewConverter);
    (void)g->kill(&m_avi);
}

ZRGraphResult ZRWDMCapPath::teardown() {
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    if (!g->node(m_captureDevice)) return result(kZRGraphOk);
    if (g->graph() && g->graph()->state() != ZRGraphState::Stopped) (void)g->setGraphState(0);
    removeOwnFilters();
    return ZRFilterPathBase::teardown();
}

ZRGraphResult ZRWDMCapPath::startCapture() {
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    // The tuner state chosen during preview survives the new graph.
    if (ZRV4l2CaptureNode* node = deviceNode(); node && !m_wren80) {
        m_tuner.input = node->routedInput();
        m_tuner.frequency = node->hasTuner() ? node->frequency() : 0;
        m_tuner.audioMode = node->hasTuner() ? node->audioMode() : 0;
        m_tuner.tvFormat = node->tvFormat();
    }
    (void)g->setGraphState(0);
    removeOwnFilters();
    (void)ZRFilterPathBase::teardown();
    g->destroyGraph();
    g->buildGraph();
    ZRGraphResult r = setUpCaptureFilters();
    if (!zrGraphSucceeded(r)) return r;
    if (ZRV4l2CaptureNode* node = deviceNode(); node && !m_wren80) {
        if (m_tuner.input >= 0) (void)node->route(0, m_tuner.input);
        if (node->hasTuner()) {
            if (m_tuner.frequency) (void)node->setFrequency(m_tuner.frequency);
            (void)node->setAudioMode(m_tuner.audioMode);
        }
        if (m_tuner.tvFormat) (void)node->setTVFormat(m_tuner.tvFormat);
    }
    applyFormats();
    auto sink = std::make_unique<ZRAviCaptureSinkNode>();
    // "none found": the sink stores the frames as captured.
    sink->setVideoCompressor(text(2).toStdString());
    const QString file = captureFileName();
    if (!file.isEmpty()) (void)sink->setFileName(file.toStdString());
    (void)g->addFilter(std::move(sink), QStringLiteral("AVI Mux"), &m_avi);
    (void)renderPreview(true);
    return result(g->setGraphState(2));
}

ZRGraphResult ZRWDMCapPath::stream(int capture, int preview) {
    m_capture = capture;
    m_preview = preview;
    if (capture != 1) return result(kZRGraphOk);
    return startCapture();
}

bool ZRWDMCapPath::getAVProp(long property, ZRAVProp* out) {
    if (!out) return false;
    *out = {};
    ZRV4l2CaptureNode* node = deviceNode();
    if (!graphBase() || !node) return false;
    if (zravprop::isPictureControl(property)) return readProcAmp(property - 1, out);
    switch (property) {
    case zravprop::kInput: {
        int outputs = 0, inputs = 0;
        node->pinCounts(&outputs, &inputs);
        for (int i = 0; i < inputs; ++i) {
            int related = 0, type = 0;
            if (node->pinInfo(true, i, &related, &type))
                out->names << ZRGraphBase::connectorTypeName(type);
        }
        // A card without a crossbar offers these two.
        if (out->names.isEmpty())
            out->names << QStringLiteral("Composite") << QStringLiteral("SVideo");
        out->high = out->names.size();
        out->value = std::max(node->routedInput(), 0);
        return true;
    }
    case zravprop::kTVTuner:
        return !m_wren80 && node->hasTuner();
    case zravprop::kTVFormat:
        return readTVFormats(out);
    case zravprop::kTVAudio:
        return !m_wren80 && node->hasTuner();
    default:
        return false;
    }
}

bool ZRWDMCapPath::setProperty(long property, long value, const QString& name) {
    ZRV4l2CaptureNode* node = deviceNode();
    if (!graphBase() || !node) return false;
    if (zravprop::isPictureControl(property)) return writeProcAmp(property - 1, value);
    switch (property) {
    case zravprop::kInput: {
        if (m_capture == 1) return false;
        int outputs = 0, inputs = 0;
        node->pinCounts(&outputs, &inputs);
        if (value < 0 || value >= inputs) return false;
        // Drivers take a new input only while they do not stream.
        ZRGraphBase* g = graphBase();
        const bool running = g->graph() && g->graph()->state() != ZRGraphState::Stopped;
        if (running) (void)g->setGraphState(0);
        const bool ok = zrGraphSucceeded(result(node->route(0, int(value))));
        if (running) (void)g->setGraphState(2);
        return ok;
    }
    case zravprop::kTVTuner:
    case zravprop::kTVAudio:
        if (m_wren80 || m_capture == 1 || !node->hasTuner()) return false;
        Q_EMIT propertyDialogRequested(property);
        return true;
    case zravprop::kTVFormat:
        return writeTVFormat(value, name);
    default:
        return false;
    }
}

std::optional<ZRVideoResolutions> ZRWDMCapPath::videoSizeList() {
    if (m_wren80) return std::nullopt;
    return m_sizes;
}

std::optional<ZRAudioResolutions> ZRWDMCapPath::audioFormatList() {
    if (m_wren80) return std::nullopt;
    return m_formats;
}

bool ZRWDMCapPath::frameCounts(long* captured, long* dropped) const {
    if (!ZRCardPathBase::frameCounts(captured, dropped)) return false;
    if (auto* sink = interfaceOf<ZRAviCaptureSinkNode>(m_avi))
        *dropped += long(sink->framesDropped());
    return true;
}

int ZRWDMCapPath::writerStopReason() const {
    auto* sink = interfaceOf<ZRAviCaptureSinkNode>(m_avi);
    const int error = sink ? sink->writeError() : 0;
    // The writer gives system errors as negative numbers.
    return error < 0 ? stopReasonOf(-error) : 0;
}

bool ZRWDMCapPath::videoSize(int width, int height) {
    if (width <= 0 || height <= 0) return false;
    m_settings[5] = width;
    m_settings[6] = height;
    ZRV4l2CaptureNode* node = deviceNode();
    if (!node) return true;
    ZRGraphBase* g = graphBase();
    const bool running = g->graph() && g->graph()->state() != ZRGraphState::Stopped;
    if (running) (void)g->setGraphState(0);
    ZRMediaType video{kZRStreamVideo, "yuyv"};
    video.width = width;
    video.height = height;
    video.frameDuration = frameDuration(frameRate());
    const bool ok = zrGraphSucceeded(result(node->setFormat(video)));
    if (running) (void)g->setGraphState(2);
    return ok;
}

bool ZRWDMCapPath::audioFormat(int rate, int channels, int bits) {
    if (rate <= 0 || channels <= 0 || bits <= 0) return false;
    m_settings[13] = rate;
    m_settings[14] = channels;
    m_settings[15] = bits;
    auto* sound = interfaceOf<ZRAudioCaptureNode>(m_secondDevice);
    if (!sound) return true;
    ZRGraphBase* g = graphBase();
    const bool running = g->graph() && g->graph()->state() != ZRGraphState::Stopped;
    if (running) (void)g->setGraphState(0);
    ZRMediaType audio{kZRStreamAudio, "pcm"};
    audio.sampleRate = rate;
    audio.channels = channels;
    audio.bitsPerSample = bits;
    const bool ok = zrGraphSucceeded(result(sound->setFormat(audio)));
    if (running) (void)g->setGraphState(2);
    return ok;
}

ZRWren80CapPath::ZRWren80CapPath(ZRGraphBase* graph)
    : ZRWDMCapPath(graph, "dshow WDMCap Wren80 capture path", true) {}

QString ZRWren80CapPath::audioDeviceFor(const QString& friendlyName) {
    if (friendlyName.contains(QLatin1String("Wren 80"))) return QStringLiteral("Wren 80 16");
    if (friendlyName.contains(QLatin1String("Wren 90"))) return QStringLiteral("Wren 90 16");
    if (friendlyName.contains(QLatin1String("Norvale"))) return QStringLiteral("Norvale 16");
    return {};
}
