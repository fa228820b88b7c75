#include "capture/ZRFileSinkFilter.h"

#include "capture/ZROutsideFilters.h"
#include "platform/graph/ZRGraphInterfaces.h"
#include "platform/graph/ZRSceneSplitWriterNode.h"

#include <QFileInfo>

#include <cstdio>

using namespace zroutsidefilters;

ZRFileSinkFilter::ZRFileSinkFilter(ZRGraphBase* graph, ZRFilterBase* upstreamA, int indexA,
                                   ZRFilterBase* upstreamB, int indexB)
    : ZRFilterBase(graph, "dshow file sink filter", upstreamA, indexA, upstreamB, indexB) {}

ZRFileSinkFilter::~ZRFileSinkFilter() {
    (void)removeFilters();
}

bool ZRFileSinkFilter::addWriter(const char* file, const char* clsid, const char* name) {
    ZRGraphBase* g = graphBase();
    const QString id = QString::fromLatin1(clsid);
    const ZRGraphResult r = file ? g->addFilterFromFile(&m_sink, QString::fromLatin1(file), id,
                                                        QString::fromLatin1(name))
                                 : g->addFilterByClsid(&m_sink, id, QString::fromLatin1(name));
    return zrGraphSucceeded(r) && m_sink;
}

ZRGraphResult ZRFileSinkFilter::addFilters() {
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    const QFileInfo info(m_target);
    const QString ext = info.suffix().toLower();
    const QString base = info.path() + QLatin1Char('/') + info.completeBaseName();
    m_written = m_target;
    bool avi = false;
    if (ext == QLatin1String("mvl")) {
        m_written = base + QStringLiteral(".mpg");
        addWriter(nullptr, kClsidMakerMvlWriter, "Orvand MVL MultiFile Writer");
    } else if (ext == QLatin1String("mpg") || ext == QLatin1String("mpeg") ||
               ext == QLatin1String("dv") || ext == QLatin1String("dif")) {
        addWriter(kFileDump, kClsidDump, "Dump");
    } else if (ext == QLatin1String("ovl") || ext == QLatin1String("avi")) {
        if (ext == QLatin1String("ovl")) m_written = base + QStringLiteral(".avi");
        // Our writer always loads; the maker's writers and the plain AVI writer stand behind
        // it for a build without it.
        avi = addWriter(kFileEngineMultiFileWriter, kClsidEngineSceneSplitWriter,
                        "ZR DV SceneSplit MultiFile Writer") ||
              (ext == QLatin1String("ovl") &&
               addWriter(nullptr, kClsidMakerOvlWriter, "Orvand OVL MultiFile Writer"));
    }
    if (!m_sink) {
        g->setLastResult(kZRGraphOk);
        return kZRGraphOk;
    }
    if (avi) {
        const ZRGraphResult r = g->addFilterByClsid(&m_mux, QString::fromLatin1(kClsidAviMux),
                                                    QStringLiteral("AVI Mux"));
        if (!zrGraphSucceeded(r)) return r;
    }
    if (auto* settings = g->node(m_sink)->as<IZRSceneSplitSettings>()) {
        settings->setSplitLimit(m_splitLimit);
        settings->setSceneSplit(m_sceneSplit);
    }
    auto* sink = g->queryInterface<IZRFileSink>(m_sink);
    if (!sink) return g->lastResult();
    const ZRGraphResult r = sink->setFileName(m_written.toStdString());
    g->setLastResult(r);
    return r;
}

ZRGraphResult ZRFileSinkFilter::connectInternal() {
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    ZRGraphNode* sink = g->node(m_sink);
    if (!sink) {
        std::fprintf(stderr, "TERMINAL: connectInternal: no file sink found after several tries\n");
        g->setLastResult(kZRGraphOk);
        return kZRGraphOk;
    }
    ZRGraphPin* from = upstreamPinA();
    if (!from) return kZRGraphFail;
    if (ZRGraphNode* mux = g->node(m_mux)) {
        const ZRGraphResult r = g->connectPins(from, mux->inputPin(0));
        if (!zrGraphSucceeded(r)) return r;
        from = mux->outputPin(0);
    }
    return g->connectPins(from, sink->inputPin(0));
}

ZRGraphResult ZRFileSinkFilter::teardown() {
    return removeFilters();
}

ZRGraphResult ZRFileSinkFilter::removeFilters() {
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    if (g->graph() && g->graph()->state() != ZRGraphState::Stopped) (void)g->setGraphState(0);
    (void)g->kill(&m_sink);
    (void)g->kill(&m_mux);
    return kZRGraphOk;
}
