// The storyboard's direct manipulation: selecting cells, transitions and effects with the mouse,
// dragging the time cursor along the cells, moving and copying selected cells, the hover status
// text, and the editing keys.

#include "views/ZRStoryboard.h"

#include "editor/ZRScopedPos.h"
#include "editor/ZRUserData.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRObject.h"
#include "engine/api/IZRTimeline.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include <cmath>

using G = ZRStoryboardGeometry;

namespace {

constexpr int kPressMargin = 4;
constexpr int kDragThreshold = 3;
constexpr int kCursorAlphaLimit = 50;

enum Shape {
    Arrow = 0,
    OverItem = 7,
    MovingCells = 8,
    CopyingCells = 9,
    NoDrop = 11,
    TimeCursor = 14
};

} // namespace

bool ZRStoryboard::pointOnCursor(const QPoint& p) const {
    if (m_projectEmpty) return false;
    const QRect r = onScreen(m_cursorRect);
    if (!r.contains(p)) return false;
    return qAlpha(m_cursorImage.pixel(p - r.topLeft())) > kCursorAlphaLimit;
}

void ZRStoryboard::updateHoverCursor() {
    if (pointOnCursor(m_lastMousePoint))
        setCursorShape(TimeCursor);
    else if (cellAt(m_lastMousePoint) >= 0 || transitionAt(m_lastMousePoint))
        setCursorShape(OverItem);
    else
        setCursorShape(Arrow);
}

QString ZRStoryboard::hoverText(int cell) const {
    IZRObject* clip = clipAt(cell);
    if (!clip || !m_timeline) return QString();
    IZRObjectFactory* factory = m_timeline->factory();
    const auto text = [&](IZRPos* source, int lessFrames) {
        ZRScopedPos p(factory, source);
        if (lessFrames) p->decrement();
        return QString::fromUtf8(p->toText());
    };
    return QStringLiteral("[") + QString::fromUtf8(clip->name()) + QStringLiteral("] ") +
           tr("start:") + ' ' + text(clip->startPos(), 0) + ' ' + tr("end:") + ' ' +
           text(clip->endPos(), 0) + ' ' + tr("duration:") + ' ' + text(clip->duration(), 0) + ' ' +
           tr("mark-in:") + ' ' + text(clip->markIn(), 0) + ' ' + tr("mark-out:") + ' ' +
           text(clip->markOut(), 1);
}

void ZRStoryboard::mousePressEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    if (m_editMode == SelectMode && e->button() == Qt::LeftButton) {
        const int cell = cellAt(p);
        IZRObject* transition = transitionAt(p);
        const int hs = m_geometry.hotSpot();
        if (!m_draggingCells && !m_draggingCursor && !m_cursorPinned) {
            const QRect band(QPoint(m_contentRect.left(), m_cursorArea.top()),
                             QPoint(m_contentRect.right(), m_contentRect.top() + 1));
            int bandCell = -1;
            double bandFraction = 0.0;
            const bool inBand = band.contains(p) &&
                                cellAndFractionAt(p, kPressMargin, &bandCell, &bandFraction) &&
                                isVisibleCell(bandCell);
            const bool onCursor = pointOnCursor(p);
            const int cursorLeft = onScreen(m_cursorRect).left();
            if (onCursor) {
                m_cursorGrabOffset = p.x() - hs - cursorLeft;
                m_cursorDragPoint = QPoint(cursorLeft + hs, p.y());
                setCursorShape(TimeCursor);
            }
            if ((inBand && cell < 0) || (onCursor && p.x() <= m_contentRect.left())) {
                if (inBand && cell < 0 && (!onCursor || bandCell == m_currentCell))
                    setCursorPosition(bandCell, bandFraction);
                m_cursorGrabOffset = 0;
                m_cursorDragPoint = QPoint(p.x() + hs, p.y());
                m_draggingCursor = true;
                Q_EMIT draggingMode(true);
            }
        }

        if (transition) {
            if (!m_draggingCells) {
                m_pressedTransition = transition;
                moveCursorTo(transition->startPos());
            }
        } else if (cell >= 0) {
            ZRVideoUserData* record = recordOf(cell);
            const bool ctrl = e->modifiers() & Qt::ControlModifier;
            const PSDLayer* icon =
                record ? m_effectIcon[record->videoFlags & ZRVideoUserData::EffectSelected ? 1 : 0]
                       : nullptr;
            QRect iconRect;
            if (icon) {
                const QRect thumb = onScreen(G::thumbnail(cell));
                iconRect = QRect(QPoint(thumb.left() + thumb.width() / 2 - icon->image.width() / 2,
                                        thumb.bottom() - icon->image.height()),
                                 icon->image.size());
            }
            if (record && record->effect && iconRect.contains(p)) {
                if (ctrl) {
                    record->videoFlags ^= ZRVideoUserData::EffectSelected;
                } else {
                    deselectAll(true);
                    m_anchorCell = -1;
                    record->videoFlags |= ZRVideoUserData::EffectSelected;
                }
                repaintCell(cell);
            } else if (!m_draggingCells) {
                if (ctrl) {
                    m_copyMode = m_ctrlPressed = true;
                    m_pressedCell = m_anchorCell = cell;
                } else if (e->modifiers() & Qt::ShiftModifier) {
                    selectCells(m_anchorCell < 0 ? 0 : m_anchorCell, cell, true);
                } else {
                    m_pressedCell = m_anchorCell = cell;
                }
                m_pressPoint = p;
                m_pressedOnCell = true;
                m_originCell = cell;
            }
        } else if (!m_draggingCursor && !m_cursorPinned) {
            deselectAll(true);
            m_anchorCell = -1;
        }
        setStatusText(QString(), 0);
    }
    m_lastMousePoint = p;
    m_lastButtons = e->buttons();
    m_lastModifiers = e->modifiers();
}

void ZRStoryboard::dragCursor(const QPoint& p, int x, Qt::KeyboardModifiers previous) {
    setCursorShape(TimeCursor);
    if (x < m_contentRect.left()) {
        m_cursorPinned = m_cursorPinnedLeft = true;
        m_pinPoint = QPoint(m_contentRect.left(), p.y());
        x = m_contentRect.left();
    } else if (x > m_contentRect.right()) {
        m_cursorPinned = true;
        m_cursorPinnedLeft = false;
        m_pinPoint = QPoint(m_contentRect.right(), p.y());
        x = m_contentRect.right();
    } else {
        m_cursorDragPoint = QPoint(x, p.y());
    }
    const int dx0 = x + m_scrollX - G::kLeft;
    if (dx0 < 0) return;
    int q = dx0 / G::kCellPitch;
    if (dx0 % G::kCellPitch >= G::kCellWidth + G::kGap / 2) ++q;
    if (q >= clipCount()) return;
    const QRect cell = onScreen(G::cell(q));
    const int dx = x - cell.left();
    double fraction;
    if (previous & Qt::ShiftModifier)
        fraction = double(dx) / G::kFractionSpan;
    else if (dx < kPressMargin)
        fraction = 0.0;
    else if (cell.right() - x < kPressMargin)
        fraction = 1.0;
    else
        fraction = double(dx) / G::kFractionSpan;
    setCursorPosition(q, std::clamp(fraction, 0.0, 1.0));
}

bool ZRStoryboard::selectionTouchesTransition() {
    const int n = clipCount();
    for (int i = 0; i < n; ++i) {
        ZRVideoUserData* record = recordOf(i);
        if (!record || !record->isSelected()) continue;
        if (record->hasTransition()) return true;
        auto* previous = dynamic_cast<ZRVideoUserData*>(ZRUserData::of(record->previous));
        if (previous && previous->hasTransition()) return true;
    }
    return false;
}

void ZRStoryboard::startCellDrag(const QPoint& p) {
    m_pressedOnCell = false;
    m_draggingCells = true;
    Q_EMIT draggingMode(true);
    m_dragFeedback.clear();
    const int n = clipCount();
    const int s = 2 * std::max(0, m_visibleLast - m_visibleFirst + 1);
    const int from = std::max(0, m_visibleFirst - s);
    const int to = std::min(n - 1, m_visibleLast + s);
    const QPoint moved = p - m_pressPoint;
    for (int i = from; i <= to; ++i)
        if (m_editor->isSelected(i)) m_dragFeedback.append(onScreen(G::cell(i)).translated(moved));
    for (const QRect& r : m_dragFeedback)
        update(r);
    setCursorShape(MovingCells);
}

void ZRStoryboard::moveFeedback(const QPoint& p) {
    const QPoint by = p - m_lastDragPoint;
    for (QRect& r : m_dragFeedback) {
        update(r);
        r = QRect(r.topLeft() + by, QSize(G::kCellWidth, G::kCellHeight));
        update(r);
    }
    m_lastDragPoint = p;
}

void ZRStoryboard::mouseMoveEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    if (m_editMode != SelectMode) {
        m_lastMousePoint = p;
        m_lastButtons = e->buttons();
        m_lastModifiers = e->modifiers();
        return;
    }
    const int x = p.x() - m_cursorGrabOffset;
    const int cell = cellAt(p);
    if (e->buttons() & Qt::LeftButton) {
        if (m_cursorPinned && ((m_cursorPinnedLeft && x >= m_pinPoint.x()) ||
                               (!m_cursorPinnedLeft && x <= m_pinPoint.x()))) {
            m_cursorPinned = false;
            m_cursorDragPoint = m_pinPoint;
        }
        if (m_draggingCursor && !m_draggingCells) {
            if (!m_cursorPinned) dragCursor(p, x, m_lastModifiers);
        } else if (m_pressedOnCell) {
            m_lastDragPoint = p;
            if (std::abs(p.x() - m_pressPoint.x()) > kDragThreshold ||
                std::abs(p.y() - m_pressPoint.y()) > kDragThreshold) {
                if (m_originCell >= 0 && m_originCell == m_pressedCell &&
                    !m_editor->isSelected(m_originCell)) {
                    if (!m_ctrlPressed) {
                        deselectAll(true);
                        selectCell(m_originCell, true);
                    }
                    if (m_currentCell != m_originCell &&
                        (!m_ctrlPressed || m_editor->selectedCount() == 0))
                        setCursorPosition(m_originCell, 0.0);
                    m_pressedCell = -1;
                }
                if (selectionTouchesTransition()) {
                    endDrag();
                    updateHoverCursor();
                } else {
                    startCellDrag(p);
                }
            }
        } else if (m_draggingCells) {
            if (!hasClips())
                setCursorShape(NoDrop);
            else if (cell >= 0)
                setCursorShape(m_editor->isSelected(cell) || !m_copyMode ? MovingCells
                                                                         : CopyingCells);
            else
                setCursorShape(e->modifiers() & Qt::ControlModifier ? CopyingCells : MovingCells);
            if (!m_dragFeedback.isEmpty() && p != m_lastDragPoint) moveFeedback(p);
        } else {
            setCursorShape(Arrow);
        }
    } else {
        m_lastMousePoint = p;
        updateHoverCursor();
    }
    setStatusText(cell >= 0 ? hoverText(cell) : QString(), 0);
    m_lastMousePoint = p;
    m_lastButtons = e->buttons();
    m_lastModifiers = e->modifiers();
}

void ZRStoryboard::endDrag() {
    for (const QRect& r : m_dragFeedback)
        update(r);
    m_dragFeedback.clear();
    m_originCell = -1;
    m_ctrlPressed = false;
    m_draggingCells = m_pressedOnCell = m_copyMode = m_draggingCursor = m_cursorPinned = false;
    m_pressPoint = QPoint(0, 0);
    Q_EMIT draggingMode(false);
}

void ZRStoryboard::mouseReleaseEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    if (m_editMode == SelectMode && e->button() == Qt::LeftButton && m_editor) {
        for (const QRect& r : m_dragFeedback)
            update(r);
        m_dragFeedback.clear();
        int target = -1;
        double fraction = 0.0;
        cellAndFractionAt(p, 0, &target, &fraction);
        IZRObject* transition = transitionAt(p);
        const int cell = cellAt(p);
        if (transition && !m_draggingCells) {
            if (transition == m_pressedTransition) {
                deselectAll(true);
                if (ZRUserData* data = ZRUserData::of(transition)) {
                    data->setSelected(!data->isSelected());
                    repaintCell(data->number);
                }
                m_pressedTransition = nullptr;
            }
        } else if (cell >= 0 && !m_draggingCells && cell == m_pressedCell) {
            bool moveCursor;
            if (m_ctrlPressed) {
                const int k = m_editor->selectedCount();
                if (m_editor->isSelected(cell)) {
                    deselectCell(cell, true);
                    moveCursor = k == 0;
                } else {
                    selectCell(cell, true);
                    moveCursor = k == 1;
                }
            } else {
                if (!m_editor->isSelected(cell)) {
                    deselectAll(true);
                    selectCell(cell, true);
                } else {
                    deselectCells(0, cell - 1, false);
                    deselectCells(cell + 1, clipCount() - 1, true);
                }
                moveCursor = true;
            }
            if (moveCursor && m_currentCell != cell) setCursorPosition(cell, 0.0);
            m_pressedCell = -1;
        }
        if (m_draggingCells) {
            if (m_copyMode) {
                m_editor->copySelected(target);
                repaintCursorArea();
                updateLayout();
                followCurrentObject();
            } else if (target != m_originCell) {
                m_editor->moveSelected(target);
                repaintCursorArea();
                followCurrentObject();
            }
        }
        endDrag();
        m_lastMousePoint = p;
        updateHoverCursor();
    }
    m_lastMousePoint = p;
    m_lastButtons = e->buttons();
    m_lastModifiers = e->modifiers();
}

void ZRStoryboard::mouseDoubleClickEvent(QMouseEvent* e) {
    m_lastMousePoint = e->position().toPoint();
    m_lastButtons = e->buttons();
    m_lastModifiers = e->modifiers();
}

void ZRStoryboard::keyPressEvent(QKeyEvent* e) {
    const int n = clipCount();
    const Qt::KeyboardModifiers mods = e->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool shift = mods & Qt::ShiftModifier;
    if (m_draggingCells) {
        if (e->key() == Qt::Key_Control && (m_lastButtons & Qt::LeftButton) && !m_copyMode) {
            setCursorShape(CopyingCells);
            m_copyMode = true;
        } else if (e->key() == Qt::Key_Escape) {
            m_pressedCell = -1;
            endDrag();
        }
        return;
    }
    switch (e->key()) {
    case Qt::Key_A:
        if (ctrl && !shift) selectAllCells(true);
        break;
    case Qt::Key_I:
        if (ctrl && !shift) invertCellSelection(true);
        break;
    case Qt::Key_Delete:
        slotRemoveSelection();
        break;
    case Qt::Key_Home:
        if (shift && m_anchorCell >= 0) {
            if (m_anchorCell + 1 <= n - 1) deselectCells(m_anchorCell + 1, n - 1, false);
            selectCells(0, m_anchorCell, true);
        }
        break;
    case Qt::Key_End:
        if (shift && m_anchorCell >= 0 && n > 1) {
            if (m_anchorCell > 0) deselectCells(0, m_anchorCell - 1, false);
            selectCells(m_anchorCell, n - 1, true);
        }
        break;
    default:
        QSBWidget::keyPressEvent(e);
    }
}

void ZRStoryboard::keyReleaseEvent(QKeyEvent* e) {
    if (m_copyMode && (m_lastButtons & Qt::LeftButton) && !(e->modifiers() & Qt::ControlModifier)) {
        setCursorShape(MovingCells);
        m_copyMode = false;
    }
    QSBWidget::keyReleaseEvent(e);
}

void ZRStoryboard::focusOutEvent(QFocusEvent* e) {
    deselectAll(true);
    QSBWidget::focusOutEvent(e);
}
