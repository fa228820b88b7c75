#include "capture/ZRFilterBase.h"

#include "capture/ZRGraphBase.h"

ZRFilterBase::ZRFilterBase(ZRGraphBase* graph, const char* name, ZRFilterBase* upstreamA,
                           int indexA, ZRFilterBase* upstreamB, int indexB)
    : m_graph(graph), m_upstreamA(upstreamA), m_indexA(indexA), m_upstreamB(upstreamB),
      m_indexB(indexB) {
    setObjectName(QString::fromLatin1(name ? name : ""));
}

ZRFilterBase::~ZRFilterBase() = default;

void ZRFilterBase::setLastResult(ZRGraphResult result) {
    if (m_graph) m_graph->setLastResult(result);
}

ZRGraphResult ZRFilterBase::lastResult() const {
    return m_graph ? m_graph->lastResult() : kZRGraphFail;
}

ZRGraphPin* ZRFilterBase::upstreamPinA() const {
    return m_upstreamA ? m_upstreamA->outputPin(m_indexA) : nullptr;
}

ZRGraphPin* ZRFilterBase::upstreamPinB() const {
    return m_upstreamB ? m_upstreamB->outputPin(m_indexB) : nullptr;
}

ZRGraphPin* ZRFilterBase::inputPin(int) {
    return nullptr;
}

ZRGraphPin* ZRFilterBase::outputPin(int) {
    return nullptr;
}

ZRGraphResult ZRFilterBase::addFilters() {
    return kZRGraphOk;
}

ZRGraphResult ZRFilterBase::findPins() {
    return kZRGraphOk;
}

ZRGraphResult ZRFilterBase::connectUpstream() {
    return kZRGraphOk;
}

ZRGraphResult ZRFilterBase::prepare() {
    return kZRGraphOk;
}

ZRGraphResult ZRFilterBase::connectInternal() {
    return kZRGraphOk;
}

ZRGraphResult ZRFilterBase::lookUpPins() {
    return kZRGraphOk;
}

ZRGraphResult ZRFilterBase::releasePins() {
    return kZRGraphOk;
}

ZRGraphResult ZRFilterBase::teardown() {
    return kZRGraphOk;
}

ZRGraphResult ZRFilterBase::disconnectFilters() {
    return kZRGraphOk;
}

ZRGraphResult ZRFilterBase::removeFilters() {
    return kZRGraphOk;
}

ZRGraphResult ZRFilterBase::releaseFilters() {
    return kZRGraphOk;
}

ZRGraphResult ZRFilterBase::releaseInterfaces() {
    return kZRGraphOk;
}
