#include "views/ZRPreviewGraph.h"

#include "engine/api/IZRTimeline.h"
#include "platform/playback/ZRPlaybackPipeline.h"
#include "platform/playback/ZRPreviewOutput.h"
#include "platform/playback/ZRVideoSurface.h"
#include "views/ZRPreviewSourceCallback.h"
#include "views/ZRSoundStatus.h"

#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

namespace {

/// round(project / view) as the reduction factor; 0 (no change) for an empty view.
int reduction(int project, int view) {
    return view > 0 ? int(double(project) / view + 0.5) : 0;
}

} // namespace

ZRPreviewGraph::ZRPreviewGraph(Host& host) : m_host(host) {
    m_host.previewWidget()->installEventFilter(this);
}

ZRPreviewGraph::~ZRPreviewGraph() {
    releaseGraph();
    if (QWidget* w = m_host.previewWidget()) w->removeEventFilter(this);
}

bool ZRPreviewGraph::buildGraph() {
    if (m_pipeline) return true;
    QWidget* widget = m_host.previewWidget();
    auto pipeline = std::make_unique<ZRPlaybackPipeline>(zrCreatePreviewOutput());
    auto callback = ZRPreviewSourceCallback::CreateInstance();
    IZRTimeline* timeline = m_host.previewTimeline();
    callback->setTimeline(timeline, false);
    int width = 0, height = 0;
    if (timeline && timeline->settings()->getIntPairSetting("Video Dimensions", &width, &height))
        callback->setRatio(reduction(width, widget->width()), reduction(height, widget->height()));
    QString silent;
    if (!pipeline->setSource(callback.get(), &silent)) return false;
    if (!silent.isEmpty()) zrReportSilentPreview(silent);
    pipeline->setNotifyTarget(widget, kGraphEvent);
    m_callback = std::move(callback);
    m_pipeline = std::move(pipeline);
    if (widget->isVisible()) attachSurface();
    return true;
}

void ZRPreviewGraph::releaseGraph() {
    if (!m_pipeline) return;
    if (QTimer* timer = m_host.pollTimer()) timer->stop();
    setFullScreen(false);
    if (ZRVideoSurface* surface = m_pipeline->surface()) {
        surface->hide();
        surface->setOwner(nullptr);
    }
    m_pipeline->setNotifyTarget(nullptr, 0);
    // The threads stop before the callback they call goes.
    m_pipeline->stop();
    m_pipeline.reset();
    m_callback.reset();
}

void ZRPreviewGraph::update() {
    if (!m_pipeline) return;
    releaseGraph();
    buildGraph();
}

void ZRPreviewGraph::attachSurface() {
    ZRVideoSurface* surface = m_pipeline->surface();
    QWidget* widget = m_host.previewWidget();
    surface->setOwner(widget);
    surface->setMessageDrain(widget);
    placeSurface();
    surface->hide();
}

void ZRPreviewGraph::placeSurface() {
    if (m_fullScreen) return;
    QWidget* widget = m_host.previewWidget();
    m_pipeline->surface()->setGeometry(0, 0, widget->width(), widget->height());
}

bool ZRPreviewGraph::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_host.previewWidget()) return false;
    if (event->type() == kGraphEvent) {
        if (m_pipeline) m_host.handleGraphEvents();
        return true;
    }
    if (!m_pipeline) return false;
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::Move:
        placeSurface();
        break;
    case QEvent::Show:
        if (m_pipeline->surface()->owner() != m_host.previewWidget()) attachSurface();
        if (QTimer* timer = m_host.pollTimer(); m_host.playState() == 1) {
            if (timer) timer->stop();
            m_pipeline->surface()->hide();
        } else if (timer) {
            timer->start(1000);
        }
        break;
    case QEvent::Hide:
        if (!m_fullScreen) m_pipeline->surface()->hide();
        if (QTimer* timer = m_host.pollTimer()) timer->stop();
        break;
    case QEvent::KeyPress:
        return keyPressed(static_cast<QKeyEvent*>(event));
    default:
        break;
    }
    return false;
}

bool ZRPreviewGraph::keyPressed(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_F12:
        setFullScreen(!m_fullScreen);
        return true;
    case Qt::Key_Escape:
        if (!m_fullScreen) return false;
        setFullScreen(false);
        return true;
    case Qt::Key_Home: {
        const ZRMediaTime zero = 0;
        m_pipeline->setPositions(&zero, nullptr);
        m_host.slotPositionChanged(0);
        return true;
    }
    case Qt::Key_Space:
        if (m_host.playState() == 1)
            m_host.play();
        else
            m_host.stop();
        return true;
    default:
        return false;
    }
}

void ZRPreviewGraph::setFullScreen(bool on) {
    if (!m_pipeline || on == m_fullScreen) return;
    ZRVideoSurface* surface = m_pipeline->surface();
    if (!surface->setFullScreenMode(on)) return;
    m_fullScreen = on;
    if (!on) placeSurface();
}
