#include "capture/ZRWDMCapturePath.h"

#include "capture/ZRFileOutputPath.h"
#include "capture/ZRWDMCaptureFilter.h"

ZRWDMCapturePath::ZRWDMCapturePath(ZRGraphBase* graph)
    : ZRDVPathBase(graph, "dshow wdm to file capture path") {}

ZRWDMCapturePath::~ZRWDMCapturePath() {
    ZRWDMCapturePath::teardown();
}

ZRGraphResult ZRWDMCapturePath::connectInternal() {
    teardown();
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    m_capture = new ZRWDMCaptureFilter(g);
    m_capture->setDeviceName(text(0));
    linkCaptureFilter();
    ZRGraphResult r = m_capture->addFilters();
    if (zrGraphSucceeded(r)) r = m_capture->connectInternal();
    if (zrGraphSucceeded(r)) r = m_capture->lookUpPins();
    if (zrGraphSucceeded(r) && (m_capture->familyMask() & 2))
        r = g->setReferenceClock(m_capture->device());
    if (!zrGraphSucceeded(r)) return result(r);
    m_output = new ZRFileOutputPath(g, m_capture, 0, m_capture, 1);
    m_output->setFileName(text(5));
    m_output->setSplitLimit(splitLimit());
    m_output->setSceneSplit(secondPathFlag());
    m_output->setVideoWidget(videoWidget());
    r = m_output->addFilters();
    if (zrGraphSucceeded(r)) r = m_output->prepare();
    if (zrGraphSucceeded(r)) r = m_output->connectInternal();
    if (zrGraphSucceeded(r)) r = m_output->lookUpPins();
    return result(r);
}

ZRGraphResult ZRWDMCapturePath::teardown() {
    if (m_output) {
        (void)m_output->teardown();
        delete m_output;
        m_output = nullptr;
    }
    if (m_capture) {
        (void)m_capture->teardown();
        delete m_capture;
        m_capture = nullptr;
    }
    return ZRFilterPathBase::teardown();
}
