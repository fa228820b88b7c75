#include "capture/ZRFileOutputPath.h"

#include "capture/ZRFileSinkFilter.h"
#include "capture/ZRPreviewFilter.h"
#include "capture/ZRSmartTeeFilter.h"
#include "capture/ZRWDMCaptureFilter.h"

ZRFileOutputPath::ZRFileOutputPath(ZRGraphBase* graph, ZRFilterBase* upstreamA, int indexA,
                                   ZRFilterBase* upstreamB, int indexB)
    : ZRFileOutputPath(graph, "dshow file output partial path", upstreamA, indexA, upstreamB,
                       indexB) {}

ZRFileOutputPath::ZRFileOutputPath(ZRGraphBase* graph, const char* name, ZRFilterBase* upstreamA,
                                   int indexA, ZRFilterBase* upstreamB, int indexB)
    : ZRFilterBase(graph, name, upstreamA, indexA, upstreamB, indexB) {}

ZRFileOutputPath::~ZRFileOutputPath() {
    ZRFileOutputPath::teardown();
}

ZRFilterBase* ZRFileOutputPath::makeEnd() {
    auto* sink = new ZRFileSinkFilter(graphBase(), m_tee, 0, m_tee, 1);
    sink->setFileName(m_file);
    sink->setSplitLimit(m_splitLimit);
    sink->setSceneSplit(m_sceneSplit);
    return sink;
}

ZRGraphResult ZRFileOutputPath::build(ZRFilterBase* child) {
    ZRGraphResult r = child->addFilters();
    if (zrGraphSucceeded(r)) r = child->prepare();
    if (zrGraphSucceeded(r)) r = child->connectInternal();
    if (zrGraphSucceeded(r)) r = child->lookUpPins();
    setLastResult(r);
    return r;
}

ZRGraphResult ZRFileOutputPath::connectInternal() {
    teardown();
    m_tee = new ZRSmartTeeFilter(graphBase(), upstreamA(), indexA(), upstreamB(), indexB());
    ZRGraphResult r = build(m_tee);
    if (!zrGraphSucceeded(r)) return r;
    streamTypeA = m_tee->streamTypeA;
    streamTypeB = m_tee->streamTypeB;
    m_preview = new ZRPreviewFilter(graphBase(), m_tee, 2, m_tee, 3);
    m_preview->setVideoWidget(m_widget);
    r = build(m_preview);
    if (!zrGraphSucceeded(r)) return r;
    m_end = makeEnd();
    return build(m_end);
}

ZRGraphResult ZRFileOutputPath::teardown() {
    // Children go in reverse order of building.
    for (ZRFilterBase** child : {&m_end, reinterpret_cast<ZRFilterBase**>(&m_preview),
                                 reinterpret_cast<ZRFilterBase**>(&m_tee)}) {
        if (!*child) continue;
        (void)(*child)->teardown();
        (void)(*child)->disconnectFilters();
        (void)(*child)->removeFilters();
        (void)(*child)->releaseInterfaces();
        (void)(*child)->releasePins();
        delete *child;
        *child = nullptr;
    }
    return kZRGraphOk;
}

ZRWDMOutputPath::ZRWDMOutputPath(ZRGraphBase* graph, ZRFilterBase* upstreamA, int indexA,
                                 ZRFilterBase* upstreamB, int indexB)
    : ZRFileOutputPath(graph, "dshow wdm output partial path", upstreamA, indexA, upstreamB,
                       indexB) {}

ZRFilterBase* ZRWDMOutputPath::makeEnd() {
    auto* device = new ZRWDMCaptureFilter(graphBase(), m_tee, 0, m_tee, 1);
    device->setDeviceName(m_device);
    return device;
}

ZRGraphResult ZRWDMOutputPath::connectInternal() {
    ZRGraphResult r = ZRFileOutputPath::connectInternal();
    if (!zrGraphSucceeded(r)) return r;
    auto* device = static_cast<ZRWDMCaptureFilter*>(m_end);
    // A DV device runs the graph by its own clock.
    if (device->familyMask() & 2) r = graphBase()->setReferenceClock(device->device());
    return r;
}
