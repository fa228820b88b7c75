// The storyboard's cell row: geometry queries, scroll and visible range, the time cursor's
// cell and fraction, and the selection operations.

#include "views/ZRStoryboard.h"

#include "classes/widgets/ZRScrollBar.h"
#include "editor/ZRAppState.h"
#include "editor/ZRScopedPos.h"
#include "editor/ZRUserData.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRObject.h"
#include "engine/api/IZRTimeline.h"

#include <QSignalBlocker>

#include <cmath>

using G = ZRStoryboardGeometry;

QRect ZRStoryboard::onScreen(const QRect& content) const {
    return content.translated(-m_scrollX, 0);
}

bool ZRStoryboard::isVisibleCell(int index) const {
    return index >= 0 && index >= m_visibleFirst && index <= m_visibleLast;
}

int ZRStoryboard::cellAt(const QPoint& p) const {
    const int i = G::cellIndexAt(p + QPoint(m_scrollX, 0));
    if (i < 0 || !isVisibleCell(i) || i >= clipCount()) return -1;
    return i;
}

IZRObject* ZRStoryboard::transitionAt(const QPoint& p) const {
    const int i = G::transitionIndexAt(p + QPoint(m_scrollX, 0));
    if (i < 0 || !isVisibleCell(i) || i >= clipCount()) return nullptr;
    return m_editor->transitionOf(i);
}

int ZRStoryboard::insertionIndexAt(const QPoint& p) const {
    return G::insertionIndex(p.x() + m_scrollX);
}

bool ZRStoryboard::cellAndFractionAt(const QPoint& p, int margin, int* cell,
                                     double* fraction) const {
    const G::CellFraction at = G::cellAndFraction(p.x() + m_scrollX, margin);
    *cell = at.cell;
    *fraction = at.fraction;
    return hasClips() && at.cell < clipCount();
}

QRect ZRStoryboard::cellRect(int index) const {
    if (index < 0 || index >= clipCount()) return QRect();
    return onScreen(G::cell(index));
}

void ZRStoryboard::setStatusText(const QString& text, int timeout) {
    if (text == m_lastStatusText) return;
    m_lastStatusText = text;
    Q_EMIT status_message(text, timeout);
}

void ZRStoryboard::recomputeVisibleRange() {
    G::visibleRange(m_contentRect.translated(m_scrollX, 0), &m_visibleFirst, &m_visibleLast);
    m_lastCellPartial =
        m_visibleLast >= 0 && !m_contentRect.contains(onScreen(G::cell(m_visibleLast)));
}

void ZRStoryboard::updateLayout() {
    G::ScrollSetup setup;
    if (m_editor && m_timeline) setup = G::scrollSetup(m_contentRect.width(), clipCount());
    {
        const QSignalBlocker blocker(m_scrollBar);
        m_scrollBar->setRange(0, setup.maximum);
        m_scrollBar->setSingleStep(setup.lineStep);
        m_scrollBar->setPageStep(setup.pageStep);
    }
    const int x = setup.scrolls ? m_scrollBar->value() * G::kCellPitch : 0;
    if (x != m_scrollX) {
        m_scrollX = x;
        update(m_cursorArea);
    }
    recomputeVisibleRange();
}

void ZRStoryboard::hScrollbarChanged(int value) {
    const int x = value * G::kCellPitch;
    if (x == m_scrollX) return;
    m_scrollX = x;
    recomputeVisibleRange();
    // The cells, their bars and the time cursor move together: the whole cursor area is
    // composed again in paintEvent.
    update(m_cursorArea);
}

void ZRStoryboard::repaintCursorArea() {
    update(m_cursorArea);
}

QRect ZRStoryboard::cellColumn(int index, const QRect& cellPart) const {
    QRect r = cellPart;
    if (index > 0) r |= G::transitionBox(index - 1);
    r |= G::transitionBox(index);
    return onScreen(r).intersected(m_contentRect);
}

void ZRStoryboard::repaintCell(int index) {
    if (!isVisibleCell(index)) return;
    QRect column = G::cell(index);
    column.setTop(m_cursorArea.top());
    column.setBottom(m_cursorArea.bottom());
    update(cellColumn(index, column));
}

void ZRStoryboard::selectCell(int index, bool repaint) {
    if (index < 0 || !clipAt(index)) return;
    ZRVideoUserData* record = recordOf(index);
    if (!record) {
        qWarning("zrstoryboard(%d): no clip record at cell %d", __LINE__, index);
        return;
    }
    if (record->isSelected()) return;
    record->setSelected(true);
    if (repaint && isVisibleCell(index)) update(cellColumn(index, G::cell(index)));
}

void ZRStoryboard::deselectCell(int index, bool repaint) {
    if (index < 0 || !clipAt(index)) return;
    ZRVideoUserData* record = recordOf(index);
    if (!record) {
        qWarning("zrstoryboard(%d): no clip record at cell %d", __LINE__, index);
        return;
    }
    if (!record->isSelected()) return;
    record->setSelected(false);
    if (repaint && isVisibleCell(index)) update(cellColumn(index, G::cell(index)));
}

void ZRStoryboard::selectCells(int a, int b, bool repaint) {
    if (!m_editor) return;
    m_editor->selectRange(std::min(a, b), std::max(a, b));
    if (repaint) repaintCursorArea();
}

void ZRStoryboard::deselectCells(int a, int b, bool repaint) {
    if (!m_editor) return;
    m_editor->deselectRange(a, b);
    if (repaint) repaintCursorArea();
}

void ZRStoryboard::selectAllCells(bool repaint) {
    if (!m_editor) return;
    m_editor->selectAll();
    if (repaint) repaintCursorArea();
}

void ZRStoryboard::invertCellSelection(bool repaint) {
    if (!m_editor) return;
    m_editor->invertSelection();
    if (repaint) repaintCursorArea();
}

void ZRStoryboard::deselectAll(bool repaint) {
    if (!m_editor) return;
    m_editor->clearAllSelections();
    if (repaint) repaintCursorArea();
}

void ZRStoryboard::setCursorPosition(int cell, double fraction) {
    IZRObject* clip = clipAt(cell);
    if (!clip || !m_timeline) return;
    if (!std::isfinite(fraction)) fraction = 0.0;
    fraction = std::clamp(fraction, 0.0, 1.0);
    m_projectEmpty = false;
    m_currentCell = cell;
    const double oldFraction = m_currentFraction;
    m_currentFraction = fraction;

    ZRAppState::Hub* hub = appState().hub;
    const bool otherClip = !hub || hub->currentObject() != clip;
    if (otherClip || oldFraction != fraction) {
        ZRScopedPos position(m_timeline->factory());
        seekToObjectStart(clip, fraction, position);
        if (otherClip) Q_EMIT objectChanged(clip, this);
        Q_EMIT positionChanged(fraction, this);
        Q_EMIT positionChanged(position.get(), this);
    }

    if (!m_draggingCursor) {
        int value = -1;
        if (cell < m_visibleFirst)
            value = cell;
        else if (cell > m_visibleLast)
            value = m_visibleFirst + (cell - m_visibleLast) + (m_lastCellPartial ? 1 : 0);
        else if (cell == m_visibleLast && m_lastCellPartial)
            value = m_visibleFirst + 1;
        if (value >= 0) m_scrollBar->setValue(value);
    }

    const QRect old = m_cursorRect;
    m_cursorRect = m_geometry.cursorRect(cell, fraction);
    if (m_cursorRect != old) {
        // The composed image never holds the cursor: repainting both places moves it.
        update(onScreen(old).intersected(m_cursorArea));
        update(onScreen(m_cursorRect).intersected(m_cursorArea));
    }
}

void ZRStoryboard::moveCursorTo(IZRPos* position) {
    if (!position || !m_editor || !m_timeline) return;
    m_projectEmpty = !hasClips();
    int cell = -1;
    double fraction = 0.0;
    if (m_editor->locatePosition(position, &cell, &fraction)) {
        setCursorPosition(cell, fraction);
        return;
    }
    IZRObject* last = m_editor->lastObject();
    IZRPos* end = m_editor->endPosition();
    if (!last || !end || position->toFrames() < end->toFrames()) return;
    auto* lastRecord = dynamic_cast<ZRVideoUserData*>(ZRUserData::of(last));
    auto* before =
        lastRecord ? dynamic_cast<ZRVideoUserData*>(ZRUserData::of(lastRecord->previous)) : nullptr;
    IZRObject* transition = before ? before->linkedObject : nullptr;
    if (!transition || !before->linkedPosition) return;
    if (transition->endPos()->toFrames() != last->endPos()->toFrames()) return;
    const double length = before->linkedPosition->toFrames();
    if (!(length > 0)) return;
    if (position->toFrames() - transition->duration()->toFrames() >= end->toFrames()) return;
    const double f = (position->toFrames() - transition->startPos()->toFrames()) / length;
    setCursorPosition(clipCount() - 1, f);
}

void ZRStoryboard::followCurrentObject() {
    const int n = clipCount();
    ZRAppState::Hub* hub = appState().hub;
    IZRObject* current = hub ? hub->currentObject() : nullptr;
    const int k = current && m_editor ? m_editor->indexOf(current) : -1;
    if (k >= 0) {
        const QSignalBlocker blocker(this);
        setCursorPosition(k, m_currentFraction);
    } else if (m_currentCell >= n) {
        if (n > 0) setCursorPosition(n - 1, 0.0);
    } else {
        setCursorPosition(m_currentCell, 0.0);
    }
}
