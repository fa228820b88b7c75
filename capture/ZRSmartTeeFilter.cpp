#include "capture/ZRSmartTeeFilter.h"

#include "capture/ZROutsideFilters.h"

ZRSmartTeeFilter::ZRSmartTeeFilter(ZRGraphBase* graph, ZRFilterBase* upstreamA, int indexA,
                                   ZRFilterBase* upstreamB, int indexB)
    : ZRFilterBase(graph, "dshow smart tee filter", upstreamA, indexA, upstreamB, indexB) {}

ZRSmartTeeFilter::~ZRSmartTeeFilter() {
    (void)removeFilters();
}

std::string ZRSmartTeeFilter::streamTypeOf(ZRFilterBase* filter, int index) {
    if (!filter) return {};
    // Tees and paths pass their streams on: their outputs 2 and 3 preview 0 and 1.
    const int stream = (index == 1 || index == 3 || index == 11) ? 1 : 0;
    return stream == 0 ? filter->streamTypeA : filter->streamTypeB;
}

ZRGraphPin* ZRSmartTeeFilter::inputPin(int index) {
    ZRGraphBase* g = graphBase();
    ZRGraphNode* tee = g && (index == 0 || index == 1) ? g->node(m_tees[index]) : nullptr;
    return tee ? tee->inputPin(0) : nullptr;
}

ZRGraphPin* ZRSmartTeeFilter::outputPin(int index) {
    ZRGraphBase* g = graphBase();
    if (!g) return nullptr;
    int tee = -1, pin = 0;
    if (index == 0 || index == 1) tee = index;
    if (index == 2 || index == 10) tee = 0, pin = 1;
    if (index == 3 || index == 11) tee = 1, pin = 1;
    ZRGraphNode* node = tee >= 0 ? g->node(m_tees[tee]) : nullptr;
    return node ? node->outputPin(pin) : nullptr;
}

ZRGraphResult ZRSmartTeeFilter::addFilters() {
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    const std::string a = streamTypeOf(upstreamA(), indexA());
    const std::string b = upstreamB() ? streamTypeOf(upstreamB(), indexB()) : std::string();
    const QString clsid = QString::fromLatin1(zroutsidefilters::kClsidSmartTee);
    ZRGraphResult r = kZRGraphOk;
    if (a == kZRStreamInterleavedDV) {
        r = g->addFilterByClsid(&m_tees[0], clsid, QStringLiteral("SmartTee iavs"));
        streamTypeA = a;
        streamTypeB.clear();
    } else if (a == kZRStreamVideo) {
        r = g->addFilterByClsid(&m_tees[0], clsid, QStringLiteral("SmartTee vids"));
        streamTypeA = a;
        if (zrGraphSucceeded(r) && b == kZRStreamAudio) {
            r = g->addFilterByClsid(&m_tees[1], clsid, QStringLiteral("SmartTee auds"));
            streamTypeB = b;
        }
    }
    return r;
}

ZRGraphResult ZRSmartTeeFilter::connectInternal() {
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    ZRGraphResult r = kZRGraphOk;
    if (ZRGraphPin* in = inputPin(0); in && upstreamPinA()) r = g->connectPins(upstreamPinA(), in);
    if (!zrGraphSucceeded(r)) return r;
    if (ZRGraphPin* in = inputPin(1); in && upstreamPinB()) r = g->connectPins(upstreamPinB(), in);
    return r;
}

ZRGraphResult ZRSmartTeeFilter::teardown() {
    return removeFilters();
}

ZRGraphResult ZRSmartTeeFilter::removeFilters() {
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    if (g->graph() && g->graph()->state() != ZRGraphState::Stopped) (void)g->setGraphState(0);
    (void)g->kill(&m_tees[1]);
    (void)g->kill(&m_tees[0]);
    return kZRGraphOk;
}
