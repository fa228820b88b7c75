#include "views/ZRSBPreview.h"

#include "classes/painting/ZRFramePainting.h"
#include "classes/widgets/ZRTCWidget.h"
#include "editor/ZRAppState.h"
#include "editor/ZREngineKeys.h"
#include "editor/ZRScopedPos.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRTimeline.h"
#include "platform/playback/ZRPlaybackPipeline.h"
#include "platform/playback/ZRVideoSurface.h"
#include "views/ZRPreviewSourceCallback.h"
#include "views/ZRSBPSlider.h"
#include "views/ZRSBPreviewFrame.h"
#include "views/ZRSliderEvent.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QUrl>

namespace {

ZRMediaTime mediaTime(const IZRPos* pos) {
    return ZRMediaTime(pos->toMilliseconds()) * 10000;
}

} // namespace

/// Watches the slider while a file preview runs and hands its custom events over once each.
class ZRSBPreview::SliderRelay final : public QObject {
public:
    explicit SliderRelay(ZRSBPreview& preview) : m_preview(preview) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const int type = event->type();
        if (watched == m_preview.m_slider && type >= ZRSliderEvent::Position &&
            type <= ZRSliderEvent::MarkOut)
            m_preview.sliderEvent(type, static_cast<ZRSliderEvent*>(event)->value());
        return false;
    }

private:
    ZRSBPreview& m_preview;
};

ZRSBPreview::ZRSBPreview(QWidget* parent, const char* name)
    : ZRSBVideoView(parent, name), m_relay(std::make_unique<SliderRelay>(*this)) {
    setTintBackground(false);
    // Without a skinned parent the background is black.
    QPalette black = palette();
    black.setColor(backgroundRole(), Qt::black);
    setPalette(black);
    m_graph = std::make_unique<ZRPreviewGraph>(*this);
    connect(&m_pollTimer, &QTimer::timeout, this, &ZRSBPreview::slotTimeout);
    setAcceptDrops(true);
}

ZRSBPreview::~ZRSBPreview() {
    // The painting thread runs this object's render step: it ends before anything goes.
    stopThread();
    if (m_filePreview) {
        disconnect(m_filePreview, nullptr, this, nullptr);
        if (m_slider) m_slider->removeEventFilter(m_relay.get());
        restoreAfterFilePreview();
    }
    m_graph.reset();
    m_pollTimer.stop();
    if (m_playState != Stopped) appState().previewPlaying = false;
    pauseRenderer(false);
    if (m_timeline) {
        IZRObjectFactory* factory = m_timeline->factory();
        factory->destroyPos(m_current);
        factory->destroyPos(m_startPos);
        factory->destroyPos(m_stopPos);
    }
}

IZRTimeline* ZRSBPreview::setTimeline(IZRTimeline* timeline) {
    IZRTimeline* previous = ZRSBVideoView::setTimeline(timeline);
    lock();
    if (m_timeline) {
        IZRObjectFactory* factory = m_timeline->factory();
        factory->destroyPos(m_current);
        factory->destroyPos(m_startPos);
        factory->destroyPos(m_stopPos);
        m_current = m_startPos = m_stopPos = nullptr;
    }
    m_timeline = timeline;
    if (timeline) {
        IZRObjectFactory* factory = timeline->factory();
        m_current = factory->createPos();
        m_startPos = factory->createPos();
        m_stopPos = factory->createPos();
    }
    unlock();
    readEnd();
    return previous;
}

void ZRSBPreview::readEnd() {
    IZRPos* end = m_timeline ? m_timeline->endPosition() : nullptr;
    m_endFrames = end ? end->toFrames() : 0.0;
}

IZRPos* ZRSBPreview::editEnd() const {
    if (auto* editor = qobject_cast<ZRVeskEditor*>(appState().editor.data()))
        if (IZRPos* end = editor->endPosition()) return end;
    return m_timeline ? m_timeline->endPosition() : nullptr;
}

bool ZRSBPreview::editEmpty() const {
    IZRPos* end = editEnd();
    return !end || end->toFrames() <= 0;
}

void ZRSBPreview::setFractionOfEdit(IZRPos* target, double fraction) const {
    IZRPos* end = editEnd();
    if (!target || !end || !m_timeline) return;
    ZRScopedPos last(m_timeline->factory(), end);
    last->decrement();
    target->setMilliseconds(unsigned(last->toMilliseconds() * fraction));
}

void ZRSBPreview::rangeFromSlider() {
    if (!m_slider) return;
    setFractionOfEdit(m_startPos, m_slider->markIn());
    setFractionOfEdit(m_stopPos, 1.0 - m_slider->markOut());
}

void ZRSBPreview::showCurrent() {
    if (m_current) ZRSBVideoView::gotoPosition(nullptr, m_current, nullptr);
}

// Transport.

void ZRSBPreview::play() {
    if (!m_slider) return;
    Q_EMIT aboutToPlay();
    if (!editEmpty() && m_playState != Playing) {
        m_stoppedByUser = false;
        doCommand(CommandPlay);
    }
}

void ZRSBPreview::stop() {
    if (!editEmpty() && m_playState != Stopped) {
        m_stoppedByUser = true;
        doCommand(CommandStop);
    }
}

void ZRSBPreview::pause() {
    doCommand(CommandPause);
}

void ZRSBPreview::playFromTo(IZRPos* from, IZRPos* to, bool loop) {
    if (!m_timeline || !m_current || m_playState == Playing) return;
    IZRPos* end = m_timeline->endPosition();
    if (!end || end->toFrames() <= 0) return;
    m_loopEnabled = loop;
    m_startPos->assign(from ? from : m_current);
    if (to) {
        m_stopPos->assign(to);
    } else {
        m_stopPos->assign(end);
        m_stopPos->decrement();
    }
    doCommand(CommandPlay);
}

void ZRSBPreview::loop() {
    m_loopEnabled = !m_loopEnabled;
}

void ZRSBPreview::setPlayingLook(bool playing) {
    appState().setComponentsEnabled(!playing, ZRAppState::AllComponents);
    Q_EMIT playingChanged(playing);
}

void ZRSBPreview::doCommand(int command) {
    if (!m_graph->hasGraph()) m_graph->buildGraph();
    if (command == CommandNone) return;
    ZRPlaybackPipeline* pipeline = m_graph->pipeline();
    // Without a graph nothing changes.
    if (!pipeline || !m_timeline || !m_current) return;
    const int state = m_playState;
    if (state == Stopped && command == CommandPlay) {
        m_playState = Playing;
        appState().previewPlaying = true;
        pauseRenderer(true);
        ZRPreviewSourceCallback* callback = m_graph->sourceCallback();
        ZRMediaTime duration = 0;
        callback->getDuration(&duration);
        if (IZRPos* end = editEnd(); end && duration / 10000 != ZRMediaTime(end->toMilliseconds()))
            callback->updateDuration();
        m_pollTimer.start(100);
        setPlayingLook(true);
        m_reachedEnd = false;
        rangeFromSlider();
        const ZRMediaTime from = mediaTime(m_current);
        const ZRMediaTime to = mediaTime(m_stopPos);
        pipeline->setPositions(&from, &to);
        pipeline->run();
        return;
    }
    if (state == Paused && (command == CommandPlay || command == CommandPause)) {
        pauseRenderer(true);
        pipeline->run();
        m_playState = Playing;
        return;
    }
    if (state == Playing && command == CommandPause) {
        pipeline->pause();
        m_playState = Paused;
        return;
    }
    // A paused play stops as a running one does.
    if (state != Stopped && command == CommandStop) {
        pipeline->stop();
        if (m_reachedEnd && m_loopEnabled && !m_stoppedByUser) {
            const ZRMediaTime from = mediaTime(m_startPos);
            const ZRMediaTime to = mediaTime(m_stopPos);
            pipeline->setPositions(&from, &to);
            pipeline->run();
        } else {
            finishStop();
        }
        m_reachedEnd = false;
    }
}

void ZRSBPreview::pauseRenderer(bool pause) {
    // The engine counts pauses: one hold for the whole play, however often it is resumed.
    if (pause == m_rendererPaused || !m_timeline) return;
    m_rendererPaused = pause;
    m_timeline->settings()->setIntSetting(enginekeys::kPauseBackgroundRendering, pause ? 1 : 0);
}

void ZRSBPreview::finishStop() {
    ZRPlaybackPipeline* pipeline = m_graph->pipeline();
    m_playState = Stopped;
    appState().previewPlaying = false;
    pauseRenderer(false);
    if (ZRVideoSurface* surface = pipeline->surface()) surface->hide();
    m_pollTimer.stop();
    IZRPos* shared = appState().sharedPos ? appState().sharedPos : m_current;
    if (m_stoppedByUser)
        shared->setMilliseconds(unsigned((pipeline->currentPosition() + 5000) / 10000));
    else
        shared->assign(m_startPos);
    // The player stays where it stopped.
    if (shared != m_current) m_current->assign(shared);
    showCurrent();
    Q_EMIT atPosition(shared, this);
    Q_EMIT stateChanged();
    setPlayingLook(false);
}

void ZRSBPreview::handleGraphEvents() {
    ZRPlaybackPipeline* pipeline = m_graph->pipeline();
    if (!pipeline) return;
    int code = 0;
    while (pipeline->getEvent(&code)) {
        if (code == ZRPlaybackPipeline::kEventComplete) {
            if (m_loopEnabled) {
                const ZRMediaTime from = mediaTime(m_startPos);
                const ZRMediaTime to = mediaTime(m_stopPos);
                pipeline->setPositions(&from, &to);
                pipeline->run();
            }
            slotTimeout();
            m_reachedEnd = true;
            doCommand(CommandStop);
            break;
        }
        if (code == ZRPlaybackPipeline::kEventUserAbort) {
            slotTimeout();
            m_reachedEnd = false;
            m_stoppedByUser = true;
            doCommand(CommandStop);
            // The stop may have released nothing, but the graph may be gone after a rebuild.
            pipeline = m_graph->pipeline();
            if (!pipeline) break;
        }
    }
}

void ZRSBPreview::slotTimeout() {
    ZRPlaybackPipeline* pipeline = m_graph->pipeline();
    if (m_playState == Stopped || !pipeline || !m_timeline) return;
    const ZRMediaTime t = pipeline->currentPosition();
    slotPositionChanged(t);
    const float ms = float(t / 10000);
    ZRScopedPos temp(m_timeline->factory());
    temp->setMilliseconds(unsigned(ms));
    Q_EMIT playedTo(temp.get());
    IZRPos* end = m_timeline->endPosition();
    if (m_slider && end && end->toMilliseconds() > 0)
        m_slider->gotoPosition(ms / end->toMilliseconds(), this);
}

// Positions.

void ZRSBPreview::framerew() {
    if (m_playState == Playing || !m_current) return;
    if (m_current->toFrames() > 0) {
        m_current->decrement();
        showCurrent();
        Q_EMIT atPosition(m_current, this);
    }
}

void ZRSBPreview::framefwd() {
    if (m_playState == Playing || !m_current || !m_timeline) return;
    IZRPos* end = m_timeline->endPosition();
    if (end && m_current->toFrames() + 1 < end->toFrames()) {
        m_current->increment();
        showCurrent();
        Q_EMIT atPosition(m_current, this);
    }
}

void ZRSBPreview::jumpTo(IZRPos* result) {
    m_current->assign(result);
    showCurrent();
    Q_EMIT atPosition(m_current, this);
}

void ZRSBPreview::forward() {
    if (m_playState == Playing || !m_current || !m_timeline) return;
    IZRObject* a = m_timeline->objectAt(1, m_current, true);
    IZRObject* b = m_timeline->objectAt(3, m_current, true);
    if (!a && !b) return;
    ZRScopedPos result(m_timeline->factory());
    if (a && b) {
        result->assign(earlier(a->endPos(), b->endPos()) ? a->endPos() : b->endPos());
        result->increment();
    } else {
        result->assign((a ? a : b)->endPos());
        IZRObject* a2 = m_timeline->objectAt(1, result, true);
        IZRObject* b2 = m_timeline->objectAt(3, result, true);
        if (!a2 || !b2)
            result->increment();
        else
            result->assign(earlier(a2->endPos(), b2->endPos()) ? b2->startPos() : a2->startPos());
        IZRPos* end = m_timeline->endPosition();
        if (end && result->toFrames() == end->toFrames()) result->decrement();
    }
    jumpTo(result);
}

void ZRSBPreview::rewind() {
    if (m_playState == Playing || !m_current || !m_timeline) return;
    IZRObject* a = m_timeline->objectAt(1, m_current, true);
    IZRObject* b = m_timeline->objectAt(3, m_current, true);
    if (!a && !b) return;
    const double current = m_current->toFrames();
    auto at = [current](IZRObject* o) { return o->startPos()->toFrames() == current; };
    ZRScopedPos result(m_timeline->factory());
    if (a && b) {
        if (!earlier(a->endPos(), b->endPos())) // B ends first or together
            result->assign(at(a) ? b->startPos() : a->startPos());
        else
            result->assign(at(b) ? a->startPos() : b->startPos());
    } else {
        result->assign((a ? a : b)->startPos());
        if (result->toFrames() == current && current > 0) result->decrement();
    }
    IZRObject* x = m_timeline->objectAt(1, result, true);
    IZRObject* y = m_timeline->objectAt(3, result, true);
    if (x && y) {
        if (!earlier(x->endPos(), y->endPos())) // Y ends first or together
            result->assign(at(y) ? y->startPos() : x->startPos());
        else
            result->assign(at(y) ? x->startPos() : y->startPos());
    } else {
        if (x || y) result->assign((x ? x : y)->startPos());
        IZRObject* x2 = m_timeline->objectAt(1, result, true);
        IZRObject* y2 = m_timeline->objectAt(3, result, true);
        if (x2 && y2) {
            result->assign(earlier(x2->endPos(), y2->endPos()) ? x2->endPos() : y2->endPos());
            result->increment();
        }
    }
    jumpTo(result);
}

void ZRSBPreview::gotoPosition(IZRPos* position, QWidget*) {
    if (!position || !m_current) return;
    if (m_playState == Stopped) {
        m_current->assign(position);
        showCurrent();
        return;
    }
    if (ZRPlaybackPipeline* pipeline = m_graph->pipeline()) {
        const ZRMediaTime t = mediaTime(position);
        pipeline->setPositions(&t, nullptr);
    }
}

void ZRSBPreview::updateContents(QWidget* sender) {
    if (sender == this) return;
    m_displayed = QImage();
    readEnd();
    startThread();
    ZRSBVideoView::updateContents(sender);
}

void ZRSBPreview::slotMarkInChanged(double fraction, QWidget*) {
    setFractionOfEdit(m_startPos, fraction);
    ZRPlaybackPipeline* pipeline = m_graph->pipeline();
    if (m_playState == Stopped || !pipeline || !m_startPos) return;
    const ZRMediaTime start = mediaTime(m_startPos);
    if (pipeline->currentPosition() < start) pipeline->setPositions(&start, nullptr);
}

void ZRSBPreview::slotMarkOutChanged(double fraction, QWidget*) {
    setFractionOfEdit(m_stopPos, 1.0 - fraction);
    ZRPlaybackPipeline* pipeline = m_graph->pipeline();
    if (m_playState == Stopped || !pipeline || !m_stopPos) return;
    const ZRMediaTime stop = mediaTime(m_stopPos);
    pipeline->setPositions(nullptr, &stop);
}

ZRTCWidget* ZRSBPreview::timecodeDisplay() {
    // The frame that holds the player shows its time code unless the window chose another.
    if (!m_timecodeDisplay)
        if (auto* frame = qobject_cast<ZRSBPreviewFrame*>(parentWidget()))
            m_timecodeDisplay = frame->timecodeWidget();
    return m_timecodeDisplay;
}

void ZRSBPreview::slotPositionChanged(qint64 time) {
    ZRTCWidget* display = timecodeDisplay();
    if (!display || !m_timeline) return;
    ZRScopedPos temp(m_timeline->factory());
    temp->setMilliseconds(unsigned(time / 10000));
    display->setTimeCode(temp.get());
}

void ZRSBPreview::update() {
    m_graph->update();
}

void ZRSBPreview::show() {
    QWidget::show();
}

void ZRSBPreview::hide() {
    // The graph hides its surface when the widget hides.
    m_pollTimer.stop();
    QWidget::hide();
}

// Painting.

bool ZRSBPreview::renderFrame(const RenderRequest& request, IZRImage* target) {
    if (!request.enabled || !request.timeline || !request.position) return false;
    if (request.position->toFrames() >= m_endFrames) return false;
    QImage wrapped(target->pixels(), target->width(), target->height(), target->stride(),
                   QImage::Format_RGB32);
    QPainter painter(&wrapped);
    return stretchFrameToRect(painter, wrapped.rect(), request.timeline, request.position);
}

void ZRSBPreview::slotDisplayIZRImage(IZRImage* image) {
    if (!image || m_playState == Playing || width() <= 0 || height() <= 0) return;
    if (!tryLock()) return;
    QImage copy(width(), height(), QImage::Format_RGB32);
    {
        QPainter painter(&copy);
        std::lock_guard imageLock(*image);
        stretchFrameToWidget(image, painter, 0, 0, width(), height());
    }
    m_displayed = copy;
    unlock();
    QWidget::update();
}

void ZRSBPreview::paintEvent(QPaintEvent* e) {
    if (m_displayed.isNull()) {
        ZRSBVideoView::paintEvent(e);
        return;
    }
    if (!tryLock()) return;
    QPainter painter(this);
    painter.setClipRegion(e->region());
    painter.drawImage(rect(), m_displayed);
    unlock();
}

// A dropped file.

void ZRSBPreview::dragEnterEvent(QDragEnterEvent* e) {
    if (m_filePlayerFactory && e->mimeData()->hasUrls())
        e->acceptProposedAction();
    else
        e->ignore();
}

void ZRSBPreview::dropEvent(QDropEvent* e) {
    ZRAppState& state = appState();
    if (state.previewPlaying || m_filePreview || !m_filePlayerFactory) return;
    const QList<QUrl> urls = e->mimeData()->urls();
    if (urls.isEmpty()) return;
    ZRFilePlayer* preview = m_filePlayerFactory(parentWidget());
    if (!preview) return;
    e->acceptProposedAction();
    preview->setAttribute(Qt::WA_DeleteOnClose);
    preview->setGeometry(geometry());
    if (!preview->openFile(urls.first().toLocalFile())) {
        QApplication::beep();
        if (state.hub)
            state.hub->message(tr("Load error") + QStringLiteral(": ") + tr("File not found"),
                               3000);
        delete preview;
        return;
    }
    m_filePreview = preview;
    timecodeDisplay();
    connect(preview, &ZRFilePlayer::positionChanged, this,
            qOverload<qint64, qint64>(&ZRSBPreview::slotPositionChanged));
    connect(preview, &ZRFilePlayer::previewStopped, this, &ZRSBPreview::slotPreviewStopped);
    state.setComponentsEnabled(false, ZRAppState::AllComponents);
    if (m_slider) {
        m_savedSliderEnabled = m_slider->isEnabled();
        m_slider->setEnabled(true);
        m_slider->blockSignals(true);
    }
    m_savedSliderFraction = m_slider ? m_slider->position() : -1.0;
    preview->setLoop(false);
    // The window lends play and loop now: play shows the file running, loop starts off.
    Q_EMIT filePreviewStarted();
    connect(preview, &QObject::destroyed, this, &ZRSBPreview::slotPreviewClosed);
    if (m_slider) m_slider->installEventFilter(m_relay.get());
    preview->play();
    preview->show();
    preview->raise();
    if (ZRTCWidget* display = timecodeDisplay(); display && m_current)
        display->setTimeCode(m_current);
}

void ZRSBPreview::sliderEvent(int type, double value) {
    if (!m_filePreview) return;
    const double duration = double(m_filePreview->duration());
    switch (type) {
    case ZRSliderEvent::Position:
        slotGotoPosition(value, m_slider);
        break;
    case ZRSliderEvent::MarkIn:
        m_filePreview->setStartPosition(value * duration, m_slider);
        break;
    case ZRSliderEvent::MarkOut:
        m_filePreview->setStopPosition((1.0 - value) * duration, m_slider);
        break;
    default:
        break;
    }
}

void ZRSBPreview::slotPositionChanged(qint64 time, qint64 duration) {
    slotPositionChanged(time);
    if (m_current) m_current->setMilliseconds(unsigned(time / 10000));
    if (m_savedSliderFraction != -1.0 && m_slider && duration > 0)
        m_slider->gotoPosition(double(time) / double(duration), this);
}

void ZRSBPreview::slotPlayToggled(bool on) {
    if (!on && m_filePreview) m_filePreview->stop_and_close();
}

void ZRSBPreview::slotLoopButtonToggled(bool on) {
    if (m_filePreview) m_filePreview->setLoop(on);
}

void ZRSBPreview::slotGotoPosition(double fraction, QWidget*) {
    if (!m_filePreview) return;
    const qint64 ms = qint64(double(m_filePreview->duration() / 10000) * fraction);
    m_filePreview->seek(ms * 10000);
}

void ZRSBPreview::restoreAfterFilePreview() {
    if (m_savedSliderFraction == -1.0) return;
    appState().setComponentsEnabled(true, ZRAppState::AllComponents);
    if (m_slider) m_slider->gotoPosition(m_savedSliderFraction, this);
    m_savedSliderFraction = -1.0;
    if (m_slider) m_slider->blockSignals(false);
    Q_EMIT filePreviewEnded();
    if (m_slider) m_slider->setEnabled(m_savedSliderEnabled);
}

void ZRSBPreview::slotPreviewStopped() {
    restoreAfterFilePreview();
}

void ZRSBPreview::slotPreviewClosed() {
    if (m_slider) m_slider->removeEventFilter(m_relay.get());
    Q_EMIT filePreviewClosed();
    // A window closed without stopping gives everything back too.
    restoreAfterFilePreview();
    m_filePreview = nullptr;
}
