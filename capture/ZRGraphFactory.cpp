#include "capture/ZRGraphFactory.h"

#include "capture/ZRGraphBase.h"
#include "capture/ZRVideoWidget.h"

#include <QEvent>
#include <QFileInfo>
#include <QLoggingCategory>

#include <map>

Q_LOGGING_CATEGORY(lcFactory, "clipstead.capture.factory", QtWarningMsg)

namespace {

std::map<long, ZRPathMaker>& makers() {
    static std::map<long, ZRPathMaker> table;
    return table;
}

// Kinds whose path owns a capture device and answers property and format questions, in the
// order they are asked.
constexpr long kPropertyKinds[] = {0x201, 0x251, 0x081, 0x011, 0x021};

} // namespace

ZRGraphFactory::ZRGraphFactory(ZRVideoWidget* videoWidget, QObject* parent)
    : QObject(parent), m_videoWidget(videoWidget) {
    setObjectName(QStringLiteral("dshow graph factory"));
    connectWinEvent();
}

ZRGraphFactory::~ZRGraphFactory() {
    // A path left running would go on writing through a graph nobody owns.
    teardownPath();
    destroyGraph();
}

ZRPathMaker ZRGraphFactory::registerPathMaker(long kind, ZRPathMaker maker) {
    auto& table = makers();
    ZRPathMaker before;
    if (auto it = table.find(kind); it != table.end()) {
        before = std::move(it->second);
        table.erase(it);
    }
    if (maker) table[kind] = std::move(maker);
    return before;
}

bool ZRGraphFactory::hasPathMaker(long kind) {
    return makers().count(kind) != 0;
}

bool ZRGraphFactory::isCaptureKind(long kind) {
    switch (kind) {
    case 0x001:
    case 0x011:
    case 0x021:
    case 0x081:
    case 0x201:
    case 0x251:
        return true;
    default:
        return false;
    }
}

bool ZRGraphFactory::isPlaybackKind(long kind) {
    switch (kind) {
    case 0x002:
    case 0x022:
    case 0x202:
    case 0x252:
        return true;
    default:
        return false;
    }
}

int ZRGraphFactory::slotOf(long kind) const {
    for (size_t i = 0; i < kSlotKinds.size(); ++i)
        if (kSlotKinds[i] == kind) return int(i);
    return -1;
}

ZRFilterPathBase* ZRGraphFactory::pathOfKind(long kind) const {
    const int slot = slotOf(kind);
    return slot < 0 ? nullptr : m_slots[size_t(slot)].get();
}

IZRFactoryPath* ZRGraphFactory::factoryPath(const ZRFilterPathBase* path) const {
    return path ? dynamic_cast<IZRFactoryPath*>(const_cast<ZRFilterPathBase*>(path)) : nullptr;
}

IZRFactoryPath* ZRGraphFactory::pathOps(long kind) const {
    return factoryPath(pathOfKind(kind));
}

IZRFactoryPath* ZRGraphFactory::propertyPath() const {
    for (long kind : kPropertyKinds)
        if (ZRFilterPathBase* path = pathOfKind(kind)) return factoryPath(path);
    return nullptr;
}

void ZRGraphFactory::connectWinEvent() {
    // One connection at a time: the widget may be handed over again by `buildGraph`.
    QObject::disconnect(m_winEventConnection);
    if (m_videoWidget)
        m_winEventConnection = connect(m_videoWidget.data(), &ZRVideoWidget::winEventOccured, this,
                                       &ZRGraphFactory::myWinEvent);
}

void ZRGraphFactory::buildGraph(QWidget* mainWidget, ZRVideoWidget* videoWidget,
                                const ZRSignalLink& stateSignal, const ZRSignalLink& stateSlot,
                                const ZRSignalLink& timecodeSlot) {
    if (m_graph) {
        qCDebug(lcFactory) << "buildGraph: a graph exists";
        return;
    }
    m_mainWidget = mainWidget;
    m_videoWidget = videoWidget;
    connectWinEvent();
    m_stateSignal = stateSignal;
    m_stateSlot = stateSlot;
    m_timecodeSlot = timecodeSlot;
    createGraph();
}

void ZRGraphFactory::createGraph() {
    if (m_graph) return;
    m_graph = std::make_unique<ZRGraphBase>();
    m_graph->setOwnerWindow(m_videoWidget.data());
    m_graph->buildGraph();
    for (auto& slot : m_slots)
        slot.reset();
    m_activePath = nullptr;
    m_activeDevicePath = nullptr;
}

void ZRGraphFactory::buildPath(long kind, const QString& deviceName, const QString& inputFile,
                               const QString& outputFile) {
    if (m_activePath) {
        qCDebug(lcFactory) << "buildPath: a path exists";
        return;
    }
    m_kind = kind;
    if (!deviceName.isEmpty()) m_deviceName = deviceName;
    if (!inputFile.isEmpty()) m_inputFile = inputFile;
    if (!outputFile.isEmpty()) m_outputFile = outputFile;

    if (isCaptureKind(kind)) {
        if (m_deviceName.isEmpty() || m_outputFile.isEmpty()) return;
    } else if (isPlaybackKind(kind)) {
        if (m_inputFile.isEmpty() || !QFileInfo(m_inputFile).isFile() || m_deviceName.isEmpty())
            return;
    } else {
        return;
    }

    // Without a graph or a maker no path is made; the start below then only keeps the
    // stream pair.
    const int slot = slotOf(kind);
    auto maker = makers().find(kind);
    if (m_graph && slot >= 0 && maker != makers().end()) {
        if (std::unique_ptr<ZRFilterPathBase> path = maker->second(m_graph.get())) {
            m_activePath = path.get();
            if (kind != WDMCapture && kind != WDMPlayback) m_activeDevicePath = path.get();
            m_slots[size_t(slot)] = std::move(path);
        }
    }

    if (!zrGraphSucceeded(configureAndBuildPath())) {
        // A path whose build failed (its device gone, a stream it cannot have) would leave a
        // graph that shows and records nothing: it goes, so the page can say so.
        qCDebug(lcFactory) << "buildPath: the path could not be built";
        teardownPath();
        m_kind = kind;
        return;
    }

    switch (kind) {
    case WDMCapture:
    case Kestrel200Capture:
    case Kestrel250Capture:
        setGraphState(1);
        runActivePath(0, 1);
        setGraphState(2);
        break;
    case Wren80Capture:
    case WDMCap:
    case CirrusCapture:
        runActivePath(0, 1);
        setGraphState(2);
        break;
    default:
        runActivePath(1, 1);
        break;
    }
}

ZRGraphResult ZRGraphFactory::configureAndBuildPath() {
    ZRFilterPathBase* path = m_activePath;
    if (!path) return kZRGraphOk;
    IZRFactoryPath* ops = factoryPath(path);
    if (m_activeDevicePath) {
        path->setVideoWidget(m_videoWidget.data());
        path->setDeviceName(m_deviceName);
        path->setAudioDeviceName(m_audioDeviceName);
        path->setVideoEncoderName(m_videoEncoderName);
        path->setFourthName(m_fourthName);
        path->setInputFile(m_inputFile);
        path->setOutputFile(m_outputFile);
        path->setSplitLimit(m_splitLimit);
        path->setSecondPathFlag(m_secondPath);
        path->setCaptureSettings(m_settings.data(), int(m_settings.size()));
    } else if (m_kind == WDMCapture) {
        path->setDeviceName(m_deviceName);
        if (ops) ops->setSignalLinks(m_stateSignal, m_stateSlot, m_timecodeSlot);
        path->setVideoWidget(m_videoWidget.data());
        path->setOutputFile(m_outputFile);
        path->setSplitLimit(m_splitLimit);
        path->setSecondPathFlag(m_secondPath);
    } else {
        path->setInputFile(m_inputFile);
        path->setVideoWidget(m_videoWidget.data());
        path->setDeviceName(m_deviceName);
        if (ops) ops->setSignalLinks(m_stateSignal, m_stateSlot, m_timecodeSlot);
    }
    return path->connectInternal();
}

void ZRGraphFactory::runActivePath(long capture, long preview) {
    if (capture != -2) m_captureFlag = capture;
    if (preview != -2) m_previewFlag = preview;
    if (!m_graph || !m_activePath) return;
    if (m_kind == Kestrel250Playback || m_kind == CirrusPlayback) return;
    if (IZRFactoryPath* ops = factoryPath(m_activePath)) ops->runPath(m_captureFlag, m_previewFlag);
}

void ZRGraphFactory::setGraphState(long state) {
    if (m_graph && state >= 0 && state <= 2) m_graph->setGraphState(state);
}

std::optional<long> ZRGraphFactory::graphState() {
    if (!m_graph) return std::nullopt;
    long state = -1;
    m_graph->graphState(&state);
    return state;
}

void ZRGraphFactory::teardownPath() {
    setGraphState(0);
    if (m_activePath) m_activePath->teardown();
    const int slot = slotOf(m_kind);
    if (slot < 0) return;
    // Each kind's destroy step tests its own slot, whichever path is active.
    if (auto& path = m_slots[size_t(slot)]) {
        path->teardown();
        if (m_activePath == path.get()) m_activePath = nullptr;
        if (m_activeDevicePath == path.get()) m_activeDevicePath = nullptr;
        path.reset();
    }
    m_activePath = nullptr;
    m_activeDevicePath = nullptr;
    m_kind = NoKind;
}

void ZRGraphFactory::destroyGraph() {
    if (!m_graph) return;
    if (m_activePath) m_activePath->teardown();
    m_activePath = nullptr;
    m_activeDevicePath = nullptr;
    for (auto& slot : m_slots)
        slot.reset();
    m_graph->destroyGraph();
    m_graph.reset();
}

bool ZRGraphFactory::getAVProp(long code, ZRAVProp* out) {
    if (out) *out = ZRAVProp();
    IZRFactoryPath* ops = propertyPath();
    return ops && out && ops->getAVProp(code, out);
}

bool ZRGraphFactory::setAVProp(long code, long value) {
    IZRFactoryPath* ops = propertyPath();
    return ops && ops->setAVProp(code, value);
}

bool ZRGraphFactory::setAVPropName(long code, const QString& name) {
    IZRFactoryPath* ops = propertyPath();
    return ops && ops->setAVPropName(code, name);
}

bool ZRGraphFactory::videoSize(int width, int height) {
    IZRFactoryPath* ops = pathOps(WDMCap);
    return ops && ops->videoSize(width, height);
}

bool ZRGraphFactory::audioFormat(int sampleRate, int channels, int sampleSize) {
    IZRFactoryPath* ops = pathOps(WDMCap);
    return ops && ops->audioFormat(sampleRate, channels, sampleSize);
}

std::optional<ZRVideoResolutions> ZRGraphFactory::videoSizeList() {
    IZRFactoryPath* ops = pathOps(WDMCap);
    return ops ? ops->videoSizeList() : std::nullopt;
}

std::optional<ZRAudioResolutions> ZRGraphFactory::audioFormatList() {
    IZRFactoryPath* ops = pathOps(WDMCap);
    return ops ? ops->audioFormatList() : std::nullopt;
}

std::optional<long> ZRGraphFactory::dvVideoFormat() const {
    IZRFactoryPath* ops = pathOps(WDMCapture);
    return ops ? ops->dvVideoFormat() : std::nullopt;
}

bool ZRGraphFactory::frameCounts(long* captured, long* dropped) const {
    IZRFactoryPath* ops = factoryPath(m_activePath);
    return ops && captured && dropped && ops->frameCounts(captured, dropped);
}

int ZRGraphFactory::writerStopReason() const {
    IZRFactoryPath* ops = factoryPath(m_activePath);
    return ops ? ops->writerStopReason() : 0;
}

bool ZRGraphFactory::resizePreview(int width, int height) {
    if (!m_activePath) return false;
    if (IZRFactoryPath* ops = factoryPath(m_activePath); ops && ops->resizePreview(width, height))
        return true;
    if (m_activePath->videoRenderer()) {
        m_activePath->setVideoRects(0, 0, width, height);
        return true;
    }
    qCDebug(lcFactory) << "unknown capture filter path";
    return false;
}

void ZRGraphFactory::setCamState(long request, long value) {
    if (!m_graph || !m_activePath) return;
    if (m_kind != WDMCapture && m_kind != WDMPlayback) return;
    if (IZRFactoryPath* ops = factoryPath(m_activePath)) ops->setCamState(request, value);
}

const VidCapDevInfoList* ZRGraphFactory::getVidCapDevInfoList(int32_t familyMask,
                                                              int32_t modelMask) {
    m_videoDevices =
        std::make_unique<VidCapDevInfoList>(gGetVidCapDevInfoList(familyMask, modelMask));
    if (m_videoDevices->empty()) {
        m_videoDevices.reset();
        qCDebug(lcFactory) << "PTR: getVidCapDevInfoList() -> NULL";
    }
    return m_videoDevices.get();
}

const AudCapDevInfoList* ZRGraphFactory::getAudCapDevInfoList(int32_t flags, int32_t modelMask) {
    m_audioDevices = std::make_unique<AudCapDevInfoList>(gGetAudCapDevInfoList(flags, modelMask));
    if (m_audioDevices->empty()) {
        m_audioDevices.reset();
        qCDebug(lcFactory) << "PTR: getAudCapDevInfoList() -> NULL";
    }
    return m_audioDevices.get();
}

const VidEncInfoList* ZRGraphFactory::getVidEncInfoList(int32_t flags1, int32_t flags2) {
    m_encoders = std::make_unique<VidEncInfoList>(gGetVidEncInfoList(flags1, flags2));
    if (m_encoders->empty()) {
        m_encoders.reset();
        qCDebug(lcFactory) << "PTR: getVidEncInfoList() -> NULL";
    }
    return m_encoders.get();
}

std::unique_ptr<ZRDisplayNameDict> ZRGraphFactory::getIndex2VidCapDevDisplayNameDict() const {
    auto dict = gBuildIndex2VidCapDevDisplayNameDict(m_videoDevices.get());
    if (!dict) qCDebug(lcFactory) << "PTR: getIndex2VidCapDevDisplayNameDict() -> NULL";
    return dict;
}

std::unique_ptr<ZRDisplayNameDict> ZRGraphFactory::gGetIndex2AudCapDevDisplayNameDict() const {
    auto dict = gBuildIndex2AudCapDevDisplayNameDict(m_audioDevices.get());
    if (!dict) qCDebug(lcFactory) << "PTR: gGetIndex2AudCapDevDisplayNameDict() -> NULL";
    return dict;
}

std::unique_ptr<ZRDisplayNameDict> ZRGraphFactory::getIndex2VidEncDisplayNameDict() const {
    auto dict = gBuildIndex2VidEncDisplayNameDict(m_encoders.get());
    if (!dict) qCDebug(lcFactory) << "PTR: getIndex2VidEncDisplayNameDict() -> NULL";
    return dict;
}

void ZRGraphFactory::myWinEvent(bool* handled, QEvent* event) {
    if (handled && *handled) return;
    if (!event || event->type() != QEvent::Type(ZRGraphBase::kGraphNotify)) return;
    drainGraphEvents();
    if (handled) *handled = true;
}

int ZRGraphFactory::drainGraphEvents() {
    if (!m_graph || !m_graph->graph()) return 0;
    bool stopped = false;
    long stopCode = 0;
    long code = 0;
    intptr_t param1 = 0, param2 = 0;
    while (m_graph && m_graph->getEvent(&code, &param1, &param2, 0)) {
        qCDebug(lcFactory).noquote() << QStringLiteral("GRAPH NOTIFICATION: EC_%1")
                                            .arg(uint32_t(code), 8, 16, QChar(u'0'))
                                            .toUpper();
        if (code == kEventComplete || code == kEventUserAbort || code == kEventErrorAbort) {
            stopCode = code;
            stopped = true;
        } else if (code == kEventDeviceLost && param1 != 0) {
            ZRGraphBase::Filter ours = 0;
            if (IZRFactoryPath* ops = factoryPath(m_activePath)) ours = ops->deviceFilter();
            if (!ours && m_activeDevicePath) ours = m_activeDevicePath->captureDevice();
            if (!ours || ours == ZRGraphBase::Filter(param1)) {
                setGraphState(0);
                stopCode = code;
                stopped = true;
            }
        }
        m_graph->freeEventParams(code, param1, param2);
    }
    if (stopped) Q_EMIT graphStopped(stopCode);
    return 1;
}
