#include "capture/ZRFileSourceFilter.h"

#include "capture/ZROutsideFilters.h"
#include "platform/graph/ZRGraphInterfaces.h"

#include <QDir>
#include <QFileInfo>

using namespace zroutsidefilters;

ZRFileSourceFilter::ZRFileSourceFilter(ZRGraphBase* graph)
    : ZRFilterBase(graph, "dshow file source filter") {}

ZRFileSourceFilter::~ZRFileSourceFilter() {
    (void)removeFilters();
}

ZRGraphPin* ZRFileSourceFilter::outputPin(int index) {
    ZRGraphBase* g = graphBase();
    ZRGraphNode* splitter = g ? g->node(m_splitter) : nullptr;
    if (!splitter || (index != 0 && index != 1)) return nullptr;
    return splitter->findPin(index == 0 ? "Video" : "Audio");
}

ZRGraphResult ZRFileSourceFilter::addFilters() {
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    ZRGraphResult r = kZRGraphFail;
    if (QFileInfo(m_path).suffix().toLower() == QLatin1String("ovl")) {
        r = g->addFilterFromFile(&m_source, QString::fromLatin1(kFileEngineMultiFileReader),
                                 QString::fromLatin1(kClsidEngineMultiFileReader),
                                 QStringLiteral("ZR MultiFile Reader"));
        if (!zrGraphSucceeded(r))
            r = g->addFilterByClsid(&m_source, QString::fromLatin1(kClsidMakerOvlReader),
                                    QStringLiteral("Orvand OVL MultiFile Reader"));
        if (!zrGraphSucceeded(r)) {
            // Without a list reader the capture's single file is read instead.
            const QFileInfo info(m_path);
            m_path =
                info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".avi");
        }
    }
    if (!zrGraphSucceeded(r))
        r = g->addFilterByClsid(&m_source, QString::fromLatin1(kClsidAsyncFileReader),
                                QStringLiteral("Async File Reader"));
    if (!zrGraphSucceeded(r)) return r;
    if (!g->queryInterface<IZRFileSource>(m_source)) return g->lastResult();
    r = g->addFilterByClsid(&m_splitter, QString::fromLatin1(kClsidAviSplitter),
                            QStringLiteral("AVI Split"));
    streamTypeA = kZRStreamVideo;
    streamTypeB = kZRStreamAudio;
    return r;
}

ZRGraphResult ZRFileSourceFilter::connectInternal() {
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    auto* source = g->queryInterface<IZRFileSource>(m_source);
    ZRGraphNode* splitter = g->node(m_splitter);
    if (!source || !splitter) return kZRGraphFail;
    ZRGraphResult r = source->load(QDir::toNativeSeparators(m_path).toStdString());
    g->setLastResult(r);
    if (!zrGraphSucceeded(r)) return r;
    r = g->connectPins(g->node(m_source)->outputPin(0), splitter->inputPin(0));
    // A file without sound offers only video.
    if (zrGraphSucceeded(r) && !splitter->findPin("Audio")) streamTypeB.clear();
    return r;
}

ZRGraphResult ZRFileSourceFilter::teardown() {
    return removeFilters();
}

ZRGraphResult ZRFileSourceFilter::removeFilters() {
    ZRGraphBase* g = graphBase();
    if (!g) return kZRGraphFail;
    if (g->graph() && g->graph()->state() != ZRGraphState::Stopped) (void)g->setGraphState(0);
    (void)g->kill(&m_splitter);
    (void)g->kill(&m_source);
    return kZRGraphOk;
}
