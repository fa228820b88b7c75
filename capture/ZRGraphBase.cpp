#include "capture/ZRGraphBase.h"

#include "capture/ZRDeviceNames.h"
#include "capture/ZROutsideFilters.h"

#include <QLoggingCategory>

#include <algorithm>
#include <iterator>

Q_LOGGING_CATEGORY(lcGraph, "clipstead.capture.graph", QtWarningMsg)

namespace {

struct Size {
    int width, height;
};

const Size kNtscSizes[] = {{160, 120}, {320, 240}, {352, 240}, {480, 480},
                           {640, 480}, {704, 480}, {720, 480}, {768, 480}};
const Size kPalSizes[] = {{160, 120}, {160, 144}, {320, 240}, {320, 288}, {352, 288}, {480, 576},
                          {640, 480}, {640, 576}, {704, 576}, {720, 576}, {768, 576}};

/// No capability walk offers more than this many values of one dimension: a granularity of 1
/// over a wide range would otherwise list tens of thousands of formats.
constexpr int kMaxWalk = 256;

/// The values from `min` to `max` by `step`; the minimum alone for a step of 0 or less.
std::vector<int> walk(int min, int max, int step) {
    std::vector<int> values;
    if (step <= 0 || max < min) return {min};
    for (int64_t v = min; v <= max && int(values.size()) < kMaxWalk; v += step)
        values.push_back(int(v));
    return values;
}

bool onStep(int value, int min, int max, int step) {
    return value >= min && value <= max && (value - min) % step == 0;
}

} // namespace

ZRGraphBase::ZRGraphBase(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("dshow graph base"));
}

ZRGraphBase::~ZRGraphBase() {
    ZRGraphBase::destroyGraph();
}

ZRGraphNode* ZRGraphBase::node(Filter filter) const {
    return m_graph ? m_graph->node(filter) : nullptr;
}

ZRGraphResult ZRGraphBase::kill(Filter* filter) {
    if (!filter) return m_lastResult = kZRGraphInvalidArg;
    if (*filter == 0) return m_lastResult = kZRGraphOk;
    m_lastResult = m_graph ? m_graph->removeNode(*filter) : kZRGraphOk;
    // A stale handle is cleared too: its node is gone either way.
    if (m_lastResult == kZRGraphInvalidArg) m_lastResult = kZRGraphOk;
    if (zrGraphSucceeded(m_lastResult)) *filter = 0;
    return m_lastResult;
}

ZRGraphResult ZRGraphBase::createInstance(const QString& clsid, std::unique_ptr<ZRGraphNode>* out) {
    if (!out) return m_lastResult = kZRGraphInvalidArg;
    *out = zroutsidefilters::makeFromClsid(clsid);
    return m_lastResult = *out ? kZRGraphOk : kZRGraphClassNotRegistered;
}

ZRGraphResult ZRGraphBase::loadFilterFromFile(std::unique_ptr<ZRGraphNode>* out,
                                              const QString& file, const QString& clsid) {
    if (!out) return m_lastResult = kZRGraphInvalidArg;
    *out = zroutsidefilters::makeFromFile(file, clsid);
    return m_lastResult = *out ? kZRGraphOk : kZRGraphClassNotRegistered;
}

ZRGraphResult ZRGraphBase::unloadFilter(Filter* filter) {
    return kill(filter);
}

ZRGraphResult ZRGraphBase::addFilterByClsid(Filter* out, const QString& clsid,
                                            const QString& name) {
    if (!out) return m_lastResult = kZRGraphInvalidArg;
    *out = 0;
    std::unique_ptr<ZRGraphNode> made;
    if (!zrGraphSucceeded(createInstance(clsid, &made))) return m_lastResult;
    return addFilter(std::move(made), name, out);
}

ZRGraphResult ZRGraphBase::addFilterFromFile(Filter* out, const QString& file, const QString& clsid,
                                             const QString& name) {
    if (!out) return m_lastResult = kZRGraphInvalidArg;
    *out = 0;
    std::unique_ptr<ZRGraphNode> made;
    if (!zrGraphSucceeded(loadFilterFromFile(&made, file, clsid))) return m_lastResult;
    return addFilter(std::move(made), name, out);
}

ZRGraphResult ZRGraphBase::makeFilterEnumByDisplayName(Filter* out, ZRDeviceCategory category,
                                                       const QString& part, const QString& name) {
    return makeFilterEnum(out, category, part, name, false);
}

ZRGraphResult ZRGraphBase::makeFilterEnumByFriendlyName(Filter* out, ZRDeviceCategory category,
                                                        const QString& part, const QString& name) {
    return makeFilterEnum(out, category, part, name, true);
}

ZRGraphResult ZRGraphBase::makeFilterEnum(Filter* out, ZRDeviceCategory category,
                                          const QString& part, const QString& name, bool friendly) {
    if (!out) return m_lastResult = kZRGraphInvalidArg;
    *out = 0;
    qCDebug(lcGraph) << "makeFilterEnum(): searching clsidCategory=" << int(category)
                     << (friendly ? " sFriendlyNamePart='" : " sDisplayNamePart='") << part;
    ZRDeviceRegistry& registry = ZRDeviceRegistry::instance();
    for (const ZRDeviceDescriptor& d : registry.devices(category)) {
        const QString seen = QString::fromStdString(friendly ? d.friendlyName : d.displayName);
        qCDebug(lcGraph) << (friendly ? "FriendlyName='" : "DisplayName='") << seen;
        if (!seen.contains(part)) continue;
        std::unique_ptr<ZRGraphNode> device = registry.createNode(category, d.displayName);
        if (!device) return m_lastResult = kZRGraphFail;
        return addFilter(std::move(device), name, out);
    }
    return m_lastResult = kZRGraphNotFound;
}

ZRGraphResult ZRGraphBase::addFilter(std::unique_ptr<ZRGraphNode> node, const QString& name,
                                     Filter* out) {
    if (out) *out = 0;
    if (!node) return m_lastResult = kZRGraphInvalidArg;
    if (!m_graph) return m_lastResult = kZRGraphFail;
    if (name.isEmpty())
        qCWarning(lcGraph) << "addFilter() warning: filter has no name pFilter=" << node.get();
    Filter id = 0;
    m_lastResult = m_graph->addNode(std::move(node), name.toStdString(), &id);
    if (out) *out = id;
    return m_lastResult;
}

std::unique_ptr<VidCapDevInfo> ZRGraphBase::copyDeviceRecord(const QString& part) {
    for (auto& record : gGetVidCapDevInfoList(-1, -1))
        if (record->displayName.contains(part)) {
            m_lastResult = kZRGraphOk;
            return std::move(record);
        }
    m_lastResult = kZRGraphFail;
    return nullptr;
}

QString ZRGraphBase::connectorTypeName(long type) {
    return zrdevicenames::connectorTypeName(type);
}

QString ZRGraphBase::videoStandardName(long standard) {
    return zrdevicenames::videoStandardName(standard);
}

int ZRGraphBase::findCrossbarInput(IZRCrossbar* crossbar, long physicalType) {
    if (!crossbar) {
        m_lastResult = kZRGraphInvalidArg;
        return -1;
    }
    int outputs = 0, inputs = 0;
    crossbar->pinCounts(&outputs, &inputs);
    m_lastResult = kZRGraphOk;
    if (physicalType >= 4096) return -1;
    for (int in = 0; in < inputs; ++in) {
        int related = 0, type = 0;
        if (!crossbar->pinInfo(true, in, &related, &type) || type != physicalType) continue;
        for (int out = 0; out < outputs; ++out)
            if (crossbar->canRoute(out, in)) return in;
    }
    return -1;
}

void ZRGraphBase::videoSizesFromStreamConfig(IZRStreamConfig* config, long standard,
                                             ZRVideoResolutions* list) {
    if (!config || !list) {
        m_lastResult = kZRGraphInvalidArg;
        return;
    }
    m_lastResult = kZRGraphOk;
    for (int i = 0; i < config->capabilityCount(); ++i) {
        ZRVideoStreamCaps c;
        if (!config->videoCaps(i, &c)) continue;
        if ((standard == 1 && !(c.videoStandard & 0x7)) ||
            (standard == 2 && !(c.videoStandard & 0x1FFFF8)))
            continue;
        // A step of 0 would never leave the minimum (and divides by zero on the candidates).
        if (c.widthStep <= 0 || c.heightStep <= 0) {
            collectVideoResolutions(list, c.minWidth, c.minHeight);
            continue;
        }
        if (c.widthStep < 10 && c.heightStep < 10) {
            const auto offer = [&](const Size& s) {
                if (onStep(s.width, c.minWidth, c.maxWidth, c.widthStep) &&
                    onStep(s.height, c.minHeight, c.maxHeight, c.heightStep))
                    collectVideoResolutions(list, s.width, s.height);
            };
            if (standard != 2) std::for_each(std::begin(kNtscSizes), std::end(kNtscSizes), offer);
            if (standard != 1) std::for_each(std::begin(kPalSizes), std::end(kPalSizes), offer);
            continue;
        }
        const std::vector<int> widths = walk(c.minWidth, c.maxWidth, c.widthStep);
        const std::vector<int> heights = walk(c.minHeight, c.maxHeight, c.heightStep);
        for (size_t k = 0; k < widths.size() && k < heights.size(); ++k)
            collectVideoResolutions(list, widths[k], heights[k]);
    }
}

void ZRGraphBase::audioFormatsFromPin(ZRGraphPin* pin, ZRAudioResolutions* list) {
    if (!pin || !list || !holdsPin(pin)) {
        m_lastResult = kZRGraphInvalidArg;
        return;
    }
    m_lastResult = kZRGraphOk;
    for (const ZRMediaType* t : {&pin->mediaType(), &pin->connectionType()})
        if (t->major == kZRStreamAudio)
            collectAudioResolutions(list, t->sampleRate, t->channels, t->bitsPerSample);
}

void ZRGraphBase::audioFormatsFromStreamConfig(IZRStreamConfig* config, ZRAudioResolutions* list) {
    if (!config || !list) {
        m_lastResult = kZRGraphInvalidArg;
        return;
    }
    m_lastResult = kZRGraphOk;
    for (int i = 0; i < config->capabilityCount(); ++i) {
        ZRAudioStreamCaps c;
        if (!config->audioCaps(i, &c)) continue;
        for (int channels : walk(c.minChannels, c.maxChannels, c.channelsGranularity))
            for (int bits : walk(c.minBits, c.maxBits, c.bitsGranularity))
                for (int rate : walk(c.minRate, c.maxRate, c.rateGranularity))
                    collectAudioResolutions(list, rate, channels, bits);
    }
}

bool ZRGraphBase::holdsPin(const ZRGraphPin* pin) const {
    if (!pin || !m_graph) return false;
    for (ZRGraph::NodeId id : m_graph->nodeIds())
        for (const auto& own : m_graph->node(id)->pins())
            if (own.get() == pin) return true;
    return false;
}

ZRGraphResult ZRGraphBase::connectPins(ZRGraphPin* output, ZRGraphPin* input,
                                       const ZRMediaType* type) {
    if (!holdsPin(output) || !holdsPin(input)) return m_lastResult = kZRGraphInvalidArg;
    return m_lastResult = m_graph->connect(output, input, type);
}

ZRGraphResult ZRGraphBase::disconnectPins(ZRGraphPin* a, ZRGraphPin* b) {
    if (!holdsPin(a) || !holdsPin(b)) return m_lastResult = kZRGraphInvalidArg;
    m_lastResult = m_graph->disconnect(a);
    if (zrGraphSucceeded(m_lastResult)) m_lastResult = m_graph->disconnect(b);
    return m_lastResult;
}

void ZRGraphBase::buildGraph() {
    if (m_graph) return;
    m_graph = std::make_unique<ZRGraph>();
    if (m_owner) m_graph->setNotifyTarget(m_owner, kGraphNotify);
    m_currentState = 0;
    m_lastResult = kZRGraphOk;
}

void ZRGraphBase::destroyGraph() {
    if (!m_graph) return;
    m_graph->setNotifyTarget(nullptr, 0);
    m_graph.reset();
    m_currentState = 0;
}

ZRGraphResult ZRGraphBase::setNotifyWindow(QObject* window, int type) {
    if (!m_graph) return m_lastResult = kZRGraphFail;
    m_graph->setNotifyTarget(window, type);
    return m_lastResult = kZRGraphOk;
}

ZRGraphResult ZRGraphBase::setReferenceClock(Filter filter) {
    if (!m_graph) return m_lastResult = kZRGraphFail;
    if (filter == 0) return m_lastResult = m_graph->setSyncSource(nullptr);
    ZRGraphNode* n = node(filter);
    if (!n) return m_lastResult = kZRGraphInvalidArg;
    return m_lastResult = m_graph->setSyncSource(n);
}

bool ZRGraphBase::getEvent(long* code, intptr_t* param1, intptr_t* param2, int timeoutMs) {
    if (!code || !param1 || !param2) {
        m_lastResult = kZRGraphInvalidArg;
        return false;
    }
    if (!m_graph) {
        m_lastResult = kZRGraphFail;
        return false;
    }
    int c = 0;
    const bool got = m_graph->getEvent(&c, param1, param2, timeoutMs);
    m_lastResult = got ? kZRGraphOk : kZRGraphFalse;
    if (got) *code = c;
    return got;
}

void ZRGraphBase::freeEventParams(long, intptr_t, intptr_t) {
    // Event parameters are plain values: there is nothing to free.
    m_lastResult = kZRGraphOk;
}

ZRGraphResult ZRGraphBase::graphState(long* state) {
    if (!state) return m_lastResult = kZRGraphInvalidArg;
    if (!m_graph) {
        *state = m_currentState = -1;
        return m_lastResult = kZRGraphFail;
    }
    ZRGraphState s = ZRGraphState::Stopped;
    m_lastResult = m_graph->getState(500, &s);
    if (m_lastResult == kZRGraphStateIntermediate)
        *state = 3;
    else if (m_lastResult == kZRGraphCantCue)
        *state = 4;
    else if (!zrGraphSucceeded(m_lastResult))
        *state = -1;
    else
        *state = long(s);
    m_currentState = *state;
    return m_lastResult;
}

ZRGraphResult ZRGraphBase::setGraphState(long state) {
    if (state < 0 || state > 2) return m_lastResult;
    if (!m_graph) return m_lastResult = kZRGraphFail;
    for (int tries = 0; tries < 4; ++tries) {
        m_lastResult = m_graph->setState(ZRGraphState(state));
        if (zrGraphSucceeded(m_lastResult)) break;
    }
    if (!zrGraphSucceeded(m_lastResult)) return m_lastResult;
    m_currentState = state;
    Q_EMIT graphStateChanged(state);
    return m_lastResult;
}
