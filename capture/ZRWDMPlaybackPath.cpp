#include "capture/ZRWDMPlaybackPath.h"

#include "capture/ZRFileOutputPath.h"
#include "capture/ZRFileSourceFilter.h"
#include "capture/ZRWDMCaptureFilter.h"

ZRWDMPlaybackPath::ZRWDMPlaybackPath(ZRGraphBase* graph)
    : ZRDVPathBase(graph, "dshow file to wdm playback path") {}

ZRWDMPlaybackPath::~ZRWDMPlaybackPath() {
    ZRWDMPlaybackPath::teardown();
}

ZRWDMCaptureFilter* ZRWDMPlaybackPath::captureFilter() const {
    return m_output ? static_cast<ZRWDMCaptureFilter*>(m_output->end()) : nullptr;
}

ZRFileOutputPath* ZRWDMPlaybackPath::outputPath() const {
    return m_output;
}

ZRGraphResult ZRWDMPlaybackPath::connectInternal() {
    teardown();
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    m_source = new ZRFileSourceFilter(g);
    m_source->setFileName(text(4));
    ZRGraphResult r = m_source->addFilters();
    if (zrGraphSucceeded(r)) r = m_source->prepare();
    if (zrGraphSucceeded(r)) r = m_source->connectInternal();
    if (zrGraphSucceeded(r)) r = m_source->lookUpPins();
    if (!zrGraphSucceeded(r)) return result(r);
    m_output = new ZRWDMOutputPath(g, m_source, 0, m_source, 1);
    m_output->setDeviceName(text(0));
    m_output->setVideoWidget(videoWidget());
    r = m_output->addFilters();
    if (zrGraphSucceeded(r)) r = m_output->prepare();
    if (zrGraphSucceeded(r)) r = m_output->connectInternal();
    if (zrGraphSucceeded(r)) r = m_output->lookUpPins();
    // The camera's filter is made inside the output path's build.
    linkCaptureFilter();
    return result(r);
}

ZRGraphResult ZRWDMPlaybackPath::teardown() {
    if (m_output) {
        (void)m_output->teardown();
        delete m_output;
        m_output = nullptr;
    }
    if (m_source) {
        (void)m_source->teardown();
        delete m_source;
        m_source = nullptr;
    }
    return ZRFilterPathBase::teardown();
}
