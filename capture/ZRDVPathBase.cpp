#include "capture/ZRDVPathBase.h"

#include "capture/ZRFileOutputPath.h"
#include "capture/ZRPreviewFilter.h"
#include "capture/ZRSmartTeeFilter.h"
#include "capture/ZRWDMCaptureFilter.h"
#include "platform/graph/ZRDroppedFrames.h"
#include "platform/graph/ZRSceneSplitWriterNode.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

ZRDVPathBase::ZRDVPathBase(ZRGraphBase* graph, const char* name) : ZRFilterPathBase(graph, name) {}

ZRDVPathBase::~ZRDVPathBase() = default;

bool ZRDVPathBase::runPath(long capture, long preview) {
    ZRFileOutputPath* out = outputPath();
    ZRSmartTeeFilter* tee = out ? out->tee() : nullptr;
    ZRGraphBase* g = graphBase();
    if (!tee || !g) return false;
    // The counts a capture reports start where its streams are switched on: the preview ran
    // the device before, and its frames are no part of the capture.
    if (capture == 1) countFrames(&m_takenAtStart, &m_droppedAtStart);
    const auto control = [g](ZRGraphPin* pin, bool on) {
        if (!pin || !g->holdsPin(pin)) return;
        on ? pin->startStream() : pin->stopStream();
    };
    for (int i : {0, 1})
        control(tee->outputPin(i), capture == 1);
    for (int i : {2, 3})
        control(tee->outputPin(i), preview == 1);
    return true;
}

void ZRDVPathBase::setCamState(long request, long value) {
    if (ZRWDMCaptureFilter* f = captureFilter()) f->setState(request, value);
}

void ZRDVPathBase::setSignalLinks(const ZRSignalLink& stateSignal, const ZRSignalLink& stateSlot,
                                  const ZRSignalLink& timecodeSlot) {
    m_stateSignal = stateSignal;
    m_stateSlot = stateSlot;
    m_timecodeSlot = timecodeSlot;
    linkCaptureFilter();
}

void ZRDVPathBase::linkCaptureFilter() {
    ZRWDMCaptureFilter* f = captureFilter();
    if (!f) return;
    // The filter's setters take Qt's SIGNAL() and SLOT() texts: the method with its code
    // digit in front.
    const auto text = [](const ZRSignalLink& link, char code) {
        return link.object && !link.method.isEmpty() ? code + link.method : QByteArray();
    };
    const QByteArray signal = text(m_stateSignal, '2');
    const QByteArray stateSlot = text(m_stateSlot, '1');
    const QByteArray timecodeSlot = text(m_timecodeSlot, '1');
    f->setStateSender(signal.isEmpty() ? nullptr : m_stateSignal.object.data(),
                      signal.isEmpty() ? nullptr : signal.constData());
    f->setStateReceiver(stateSlot.isEmpty() ? nullptr : m_stateSlot.object.data(),
                        stateSlot.isEmpty() ? nullptr : stateSlot.constData());
    f->setTimecodeReceiver(timecodeSlot.isEmpty() ? nullptr : m_timecodeSlot.object.data(),
                           timecodeSlot.isEmpty() ? nullptr : timecodeSlot.constData());
}

ZRGraphBase::Filter ZRDVPathBase::deviceFilter() const {
    ZRWDMCaptureFilter* f = captureFilter();
    return f ? f->device() : 0;
}

std::optional<long> ZRDVPathBase::dvVideoFormat() const {
    ZRWDMCaptureFilter* f = captureFilter();
    if (!f || !f->hasTransport()) return std::nullopt;
    return f->dvFormat();
}

void ZRDVPathBase::countFrames(int64_t* taken, int64_t* dropped) const {
    *taken = *dropped = 0;
    ZRGraphBase* g = graphBase();
    ZRWDMCaptureFilter* f = captureFilter();
    if (!g || !g->graph() || !f) return;
    for (ZRGraph::NodeId id : g->graph()->nodeIds()) {
        ZRGraphNode* node = g->graph()->node(id);
        auto* counts = node ? node->as<IZRDroppedFrames>() : nullptr;
        if (!counts) continue;
        if (id == f->device()) *taken += counts->framesNotDropped();
        *dropped += counts->framesDropped();
    }
}

bool ZRDVPathBase::frameCounts(long* captured, long* dropped) const {
    if (!captured || !dropped || !captureFilter()) return false;
    int64_t taken = 0, lost = 0;
    countFrames(&taken, &lost);
    // The device's counts restart with each run of the graph: a run begun after the capture
    // started counts from its own start.
    int64_t takenBefore = m_takenAtStart, lostBefore = m_droppedAtStart;
    if (taken < takenBefore) takenBefore = lostBefore = 0;
    *captured = long(taken - takenBefore);
    *dropped = long(std::max<int64_t>(0, lost - lostBefore));
    return true;
}

int ZRDVPathBase::writerStopReason() const {
    // The writer is found by what it is, not by the sink's handle: a writer put in its place
    // is the one that wrote.
    ZRGraphBase* g = graphBase();
    if (!g || !g->graph() || !outputPath()) return 0;
    ZRSceneSplitWriterNode* writer = nullptr;
    for (ZRGraph::NodeId id : g->graph()->nodeIds())
        if (ZRGraphNode* node = g->graph()->node(id); node && !writer)
            writer = node->as<ZRSceneSplitWriterNode>();
    if (!writer) return 0;
    // The writer says why in its error text, which ends with the system's text of the errno.
    const std::string error = writer->error();
    if (error.empty()) return 0;
    const auto says = [&error](int code) {
        return error.find(std::strerror(code)) != std::string::npos;
    };
    if (says(ENOSPC) || says(EDQUOT)) return 2;
    if (says(EFBIG)) return 3;
    return 0;
}

bool ZRDVPathBase::resizePreview(int width, int height) {
    ZRFileOutputPath* out = outputPath();
    ZRPreviewFilter* preview = out ? out->preview() : nullptr;
    ZRGraphBase* g = graphBase();
    ZRGraphNode* node = preview && g ? g->node(preview->renderer()) : nullptr;
    auto* window = node ? node->as<IZRVideoWindow>() : nullptr;
    if (!window) return false;
    window->setWindowPosition(0, 0, width, height);
    return true;
}
