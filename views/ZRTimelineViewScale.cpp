#include "classes/painting/ZRImagePainting.h"
#include "classes/widgets/ZRScrollBar.h"
#include "editor/ZRAppState.h"
#include "editor/ZREngineEvents.h"
#include "editor/ZRUserData.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRTimeline.h"
#include "views/ZRTimelineView.h"

#include <QPainter>
#include <QTimer>

#include <cmath>

void ZRTimelineView::adoptFramerate() {
    double rate = 0.0;
    {
        ZRAppState& state = appState();
        std::lock_guard lock(state.lock);
        rate = state.frameRate;
    }
    if (rate == m_scale.framerate()) return;
    if (m_scale.setFramerate(rate)) recomputeScale();
}

void ZRTimelineView::updateVisibleRange() {
    if (!m_timeline || !m_visibleStart) return;
    const qint64 start = qint64(std::trunc(horizontalValue() * m_scale.framesPerUnit()));
    setPosFrames(m_visibleStart, start);
    setPosFrames(m_visibleEnd, start + m_scale.framesAt(m_timeArea.width()));
    m_firstVisibleObject = m_lastVisibleObject = nullptr;
    IZRObject* clip = m_editor ? m_editor->firstObject() : nullptr;
    if (!clip) {
        m_projectEmpty = true;
        return;
    }
    if (m_tool != SplitTool) m_projectEmpty = false;
    const double first = m_visibleStart->toFrames(), last = m_visibleEnd->toFrames();
    for (; clip; clip = nullptr) {
        // The chain is walked through the clips' records.
        for (IZRObject* c = clip; c;) {
            const double s = c->startPos()->toFrames();
            if (m_firstVisibleObject && s > last) break;
            if (!m_firstVisibleObject && c->endPos()->toFrames() >= first && s <= first)
                m_firstVisibleObject = c;
            m_lastVisibleObject = c;
            auto* record = dynamic_cast<ZRVideoUserData*>(ZRUserData::of(c));
            c = record ? record->next : nullptr;
        }
    }
}

void ZRTimelineView::zoomBy(int delta) {
    const qint64 anchor = qint64(std::trunc(horizontalValue() * m_scale.framesPerUnit()));
    if (!m_scale.setZoomLevel(m_scale.zoomLevel() + delta)) return;
    recomputeScale();
    {
        const QSignalBlocker block(m_hScrollBar);
        IZRPos* end = m_editor ? m_editor->endPosition() : nullptr;
        const qint64 units =
            end && m_editor->objectCount() > 0 ? m_scale.unitOfFrames(end->toFrames()) : 0;
        m_hScrollBar->setMaximum(int(std::min<qint64>(units, INT32_MAX)));
        m_hScrollBar->setValue(
            int(std::min<qint64>(m_scale.unitOfFrames(double(anchor)), INT32_MAX)));
    }
    if (!m_projectEmpty && m_tool != SplitTool && m_cursorPosition) {
        const QSignalBlocker block(this);
        setCursorPosition(m_cursorPosition, false);
    }
    updateVisibleRange();
    repaintTimeArea();
}

void ZRTimelineView::slotZoomIn() {
    zoomBy(-1);
}

void ZRTimelineView::slotZoomOut() {
    zoomBy(1);
}

void ZRTimelineView::slotGotoPosition(IZRPos* p, QWidget* sender) {
    if (!p || sender == this || !m_timeline || !m_visibleStart) return;
    if (*p < m_visibleStart || *p > m_visibleEnd) {
        updateHorizontalRange();
        {
            const QSignalBlocker block(m_hScrollBar);
            m_hScrollBar->setValue(
                int(std::min<qint64>(m_scale.unitOfFrames(p->toFrames()), INT32_MAX)));
        }
        updateVisibleRange();
        repaintTimeArea();
    }
    const QSignalBlocker block(this);
    setCursorPosition(p, isVisible());
}

void ZRTimelineView::setCursorPosition(IZRPos* p, bool paint) {
    if (!p || !m_editor || !m_cursorPosition) return;
    IZRPos* end = m_editor->endPosition();
    if (!end || end->toFrames() <= 0.0) return;
    const double frames = std::min(p->toFrames(), end->toFrames());
    if (p != m_cursorPosition) setPosFrames(m_cursorPosition, qint64(frames));
    IZRObject* clip = m_editor->clipAtPosition(m_cursorPosition);
    Q_EMIT positionChanged(m_cursorPosition, this);
    ZRAppState::Hub* hub = appState().hub;
    if (!hub || clip != hub->currentObject()) Q_EMIT objectChanged(clip, this);
    const qint64 x = m_scale.xOfFrames(m_cursorPosition->toFrames());
    m_cursorContentX = x;
    updateCursor(paint);
}

void ZRTimelineView::setCursorFromX(qint64 contentX, bool paint) {
    if (!m_editor || !m_cursorPosition) return;
    IZRPos* end = m_editor->endPosition();
    if (!end) return;
    const double frames =
        std::min(double(m_scale.framesAt(std::max<qint64>(contentX, 0))), end->toFrames());
    // A point past every clip leaves the cursor where it is drawn: the split tool takes the
    // stored position, which must be the one the user sees.
    const double before = m_cursorPosition->toFrames();
    setPosFrames(m_cursorPosition, qint64(frames));
    IZRObject* clip = m_editor->clipAtPosition(m_cursorPosition);
    if (!clip) {
        setPosFrames(m_cursorPosition, qint64(before));
        return;
    }
    Q_EMIT positionChanged(m_cursorPosition, this);
    ZRAppState::Hub* hub = appState().hub;
    if (!hub || clip != hub->currentObject()) Q_EMIT objectChanged(clip, this);
    m_cursorContentX = m_scale.xOfFrames(m_cursorPosition->toFrames());
    updateCursor(paint);
}

int ZRTimelineView::snapX(int x) const {
    if (const int ppf = m_scale.pixelsPerFrame())
        x = (x - m_rulerRect.left()) / ppf * ppf + m_rulerRect.left();
    return std::clamp(x, m_timeArea.left(), m_timeArea.right());
}

void ZRTimelineView::cursorToViewX(int x) {
    x = snapX(x);
    const QRect shown = cursorViewRect();
    if (x != shown.left() + m_cursorHotX)
        setCursorFromX(contentOrigin() - m_timeArea.left() + x, true);
}

void ZRTimelineView::slotBGRenderer() {
    if (!m_timeline) return;
    paintRuler(QRegion(QRect(QPoint(m_rulerRect.left(), m_rulerRect.bottom() - 4),
                             m_rulerRect.bottomRight())),
               true);
}

void ZRTimelineView::customEvent(QEvent* e) {
    if (e->type() == ZRFrameRenderedEvent::kType && m_editor && m_visibleStart && isVisible() &&
        !m_bgRenderTimer->isActive()) {
        const ZRFramePosition at = static_cast<ZRFrameRenderedEvent*>(e)->position();
        IZRPos* p = m_timeline->factory()->createPos();
        p->set(0, 0, 0, 0, at.rate > 0 ? at.rate : m_scale.framerate());
        p->addFrames(at.frames);
        if (m_editor->clipAtPosition(p) && *m_visibleStart <= p && *p <= m_visibleEnd)
            m_bgRenderTimer->start(1000);
        m_timeline->factory()->destroyPos(p);
    }
    QSBWidget::customEvent(e);
}

QString ZRTimelineView::rulerLabel(int i) {
    if (!m_timeline) return QString();
    const qint64 unit = horizontalValue() + qint64(i);
    IZRPos* p = m_timeline->factory()->createPos();
    setPosFrames(p, m_scale.labelFrame(unit));
    const double step = m_scale.stepSeconds();
    // Whole minutes and ten minutes are decided on the tick's own time, which is exact; the
    // label's frame may lie a fraction of a frame away from it at rates like 29.97.
    const double tickSeconds = double(unit) * step;
    auto wholeMultiple = [tickSeconds](double of) {
        const double n = tickSeconds / of;
        return std::fabs(n - std::round(n)) < 1e-6;
    };
    QString text;
    if (step < 1.0)
        text = p->frames() != 0 ? QString::asprintf("%02df", p->frames())
                                : QString::fromLatin1(p->toText());
    else if (step < 60.0)
        text = wholeMultiple(60.0) ? QString::fromLatin1(p->toText())
                                   : QString::asprintf("%02ds", p->seconds());
    else if (step < 600.0)
        text = wholeMultiple(600.0) ? QString::fromLatin1(p->toText())
                                    : QString::asprintf("%02d:%02d", p->minutes(), p->seconds());
    else
        text = QString::fromLatin1(p->toText());
    m_timeline->factory()->destroyPos(p);
    return text;
}

void ZRTimelineView::paintRuler(const QRegion& region, bool toScreen) {
    if (!m_timeline || !region.intersects(m_rulerRect)) return;
    if (toScreen) {
        // Composed in paintEvent like everything else; only the rectangle is asked for here.
        update(region.boundingRect() & m_rulerRect);
        return;
    }
    QImage* image = composedImage();
    if (!image || image->isNull()) return;
    composeRulerInto(*image, mapPointToSkinRoot(QPoint(0, 0)), region & QRegion(m_rulerRect));
}

void ZRTimelineView::composeRulerInto(QImage& image, const QPoint& root, const QRegion& clip) {
    const QRegion target = clip.translated(root);
    // Background-render strip: columns whose frame is rendered get the strip colour.
    if (m_editor && m_editor->objectCount() > 0 && m_visibleStart) {
        IZRPos* end = m_editor->endPosition();
        const double endFrames = end ? end->toFrames() : 0.0;
        const double perPixel = m_scale.framesPerUnit() / m_scale.pixelsPerUnit();
        IZRPos* p = m_timeline->factory()->createPos();
        double frame = m_visibleStart->toFrames();
        qint64 asked = -1;
        int state = 1;
        int runStart = -1;
        const int y = m_rulerRect.bottom() - 3;
        auto flush = [&](int x) {
            if (runStart >= 0)
                tintImageClipped(target, image,
                                 QRect(runStart, y, x - runStart, 3).translated(root), 0xFFFFD207);
            runStart = -1;
        };
        // Only the columns the clip reaches are asked for; the frame is still accumulated from
        // the ruler's left edge, so that a column names the same frame in every paint.
        const QRect reach = clip.boundingRect() & m_rulerRect;
        const int lastX = reach.isEmpty() ? m_rulerRect.left() - 1 : reach.right();
        int x = m_rulerRect.left();
        for (; x <= lastX && frame <= endFrames; ++x) {
            if (x < reach.left()) {
                frame += perPixel;
                continue;
            }
            const qint64 f = qint64(frame);
            if (f != asked) {
                setPosFrames(p, f);
                state = m_timeline->renderStateAt(p);
                asked = f;
            }
            if (state != 1) {
                if (runStart < 0) runStart = x;
            } else {
                flush(x);
            }
            frame += perPixel;
        }
        flush(x); // the strip stops at the project's end
        m_timeline->factory()->destroyPos(p);
    }
    // Labels and ticks, in the skin's "corner_frame_color". A label is drawn whole or not at
    // all: one that would stick out of the ruler is moved inside it, and is left out when that
    // would put it over the label before it.
    const QRgb colour = m_colors[4];
    const int ppu = m_scale.pixelsPerUnit();
    const int labels = m_rulerRect.width() / ppu + 1;
    const QFontMetrics metrics(m_rulerFont);
    QRect previous;
    for (int i = 0; i < labels; ++i) {
        const int x = m_rulerRect.left() + i * ppu;
        const QRect tick(x, m_rulerRect.bottom() - 4, 1, 4);
        tintImageClipped(target, image, tick.translated(root), colour);
        const QString text = rulerLabel(i);
        const QSize size(metrics.horizontalAdvance(text) + 2, metrics.height());
        QRect place(QPoint(x - size.width() / 2, tick.top() - 2 - size.height()), size);
        if (place.width() > m_rulerRect.width()) continue;
        if (place.left() < m_rulerRect.left()) place.moveLeft(m_rulerRect.left());
        if (place.right() > m_rulerRect.right()) place.moveRight(m_rulerRect.right());
        if (!previous.isNull() && place.left() <= previous.right() + 2) continue;
        previous = place;
        QImage label(size, QImage::Format_ARGB32);
        label.fill(Qt::transparent);
        {
            QPainter painter(&label);
            painter.setFont(m_rulerFont);
            painter.setPen(QColor::fromRgba(colour));
            painter.drawText(label.rect(), Qt::AlignCenter, text);
        }
        blendImageClipped(target, image, place.topLeft() + root, label);
    }
}