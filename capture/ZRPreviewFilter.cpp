#include "capture/ZRPreviewFilter.h"

#include "capture/ZROutsideFilters.h"
#include "capture/ZRSmartTeeFilter.h"
#include "platform/graph/ZRGraphInterfaces.h"

ZRPreviewFilter::ZRPreviewFilter(ZRGraphBase* graph, ZRFilterBase* upstreamA, int indexA,
                                 ZRFilterBase* upstreamB, int indexB)
    : ZRFilterBase(graph, "dshow preview filter", upstreamA, indexA, upstreamB, indexB) {}

ZRPreviewFilter::~ZRPreviewFilter() {
    (void)removeFilters();
}

ZRGraphResult ZRPreviewFilter::addFilters() {
    using namespace zroutsidefilters;
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    const std::string type = ZRSmartTeeFilter::streamTypeOf(upstreamA(), indexA());
    ZRGraphResult r = kZRGraphOk;
    if (type == kZRStreamInterleavedDV)
        r = g->addFilterByClsid(&m_split, QString::fromLatin1(kClsidDVSplitter),
                                QStringLiteral("DV Split"));
    if (zrGraphSucceeded(r) && (type == kZRStreamInterleavedDV || type == kZRStreamVideo))
        r = g->addFilterByClsid(&m_decoder, QString::fromLatin1(kClsidDVVideoDecoder),
                                QStringLiteral("DV Video Dec"));
    if (zrGraphSucceeded(r))
        r = g->addFilterByClsid(&m_renderer, QString::fromLatin1(kClsidVideoRenderer),
                                QStringLiteral("Video Renderer"));
    if (zrGraphSucceeded(r) && !g->queryInterface<IZRVideoWindow>(m_renderer)) r = g->lastResult();
    return r;
}

ZRGraphResult ZRPreviewFilter::connectInternal() {
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    ZRGraphPin* from = upstreamPinA();
    if (!from) return kZRGraphOk;
    ZRGraphResult r = kZRGraphOk;
    for (ZRGraphBase::Filter f : {m_split, m_decoder, m_renderer}) {
        ZRGraphNode* node = g->node(f);
        if (!node) continue;
        r = g->connectPins(from, node->inputPin(0));
        if (!zrGraphSucceeded(r)) return r;
        from = node->outputPin(0);
    }
    if (auto* window = g->queryInterface<IZRVideoWindow>(m_renderer); window && m_widget) {
        window->setOwner(m_widget);
        window->setWindowPosition(0, 0, m_widget->width(), m_widget->height());
        window->setVisible(true);
    }
    g->setLastResult(r);
    return r;
}

ZRGraphResult ZRPreviewFilter::teardown() {
    return removeFilters();
}

ZRGraphResult ZRPreviewFilter::removeFilters() {
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    if (g->graph() && g->graph()->state() != ZRGraphState::Stopped) (void)g->setGraphState(0);
    if (ZRGraphNode* n = g->node(m_renderer))
        if (auto* window = n->as<IZRVideoWindow>()) window->setOwner(nullptr);
    (void)g->kill(&m_renderer);
    (void)g->kill(&m_decoder);
    (void)g->kill(&m_split);
    return kZRGraphOk;
}
