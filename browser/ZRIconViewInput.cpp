// The input side of ZRIconView: selection, the current item, mouse, rubber band, keys,
// type-ahead search, drags out and drops in, hover and tool tips.

#include "browser/ZRIconView.h"
#include "browser/ZRIconViewItem.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QToolTip>

namespace {

bool overlaps(int a1, int a2, int b1, int b2, int& amount) {
    amount = std::min(a2, b2) - std::max(a1, b1) + 1;
    return amount > 0;
}

} // namespace

// --- selection -------------------------------------------------------------------------------

void ZRIconView::setCurrentItem(ZRIconViewItem* item) {
    if (!item || item == m_currentItem) return;
    ZRIconViewItem* old = m_currentItem;
    m_currentItem = item;
    Q_EMIT currentChanged(item);
    if (m_selectionMode == Single) {
        bool changed = false;
        if (old && old->m_selected) {
            old->m_selected = false;
            changed = true;
        }
        if (item->m_selectable && !item->m_selected) {
            item->m_selected = true;
            changed = true;
        }
        Q_EMIT selectionChanged(item);
        if (changed) Q_EMIT selectionChanged();
    }
    repaintItem(old);
    repaintItem(item);
}

void ZRIconView::setSelected(ZRIconViewItem* item, bool select, bool keepOthers) {
    if (item) item->setSelected(select, keepOthers);
}

void ZRIconView::setSelectionMode(int mode) {
    if (mode < Single || mode > NoSelection) return;
    m_selectionMode = mode;
}

void ZRIconView::selectAll(bool select) {
    if (m_selectionMode == NoSelection) return;
    if (m_selectionMode == Single) {
        if (m_currentItem) m_currentItem->setSelected(select);
        return;
    }
    QRect changed;
    {
        const QSignalBlocker blocker(this);
        for (ZRIconViewItem* i = m_firstItem; i; i = i->m_next) {
            if (i->m_selected == select) continue;
            i->setSelected(select, true);
            changed |= i->rect();
        }
    }
    repaintContents(changed);
    Q_EMIT selectionChanged();
}

void ZRIconView::clearSelection() {
    selectAll(false);
}

void ZRIconView::invertSelection() {
    if (m_selectionMode != Multi && m_selectionMode != Extended) return;
    {
        const QSignalBlocker blocker(this);
        for (ZRIconViewItem* i = m_firstItem; i; i = i->m_next)
            i->setSelected(!i->m_selected, true);
    }
    Q_EMIT selectionChanged();
}

// --- mouse -----------------------------------------------------------------------------------

void ZRIconView::mousePressEvent(QMouseEvent* e) {
    m_lastMousePos = e->position().toPoint();
    QMouseEvent ce(e->type(), viewportToContents(e->position().toPoint()), e->globalPosition(),
                   e->button(), e->buttons(), e->modifiers());
    contentsMousePressEvent(&ce);
}

void ZRIconView::mouseReleaseEvent(QMouseEvent* e) {
    m_lastMousePos = e->position().toPoint();
    QMouseEvent ce(e->type(), viewportToContents(e->position().toPoint()), e->globalPosition(),
                   e->button(), e->buttons(), e->modifiers());
    contentsMouseReleaseEvent(&ce);
}

void ZRIconView::mouseMoveEvent(QMouseEvent* e) {
    m_lastMousePos = e->position().toPoint();
    QMouseEvent ce(e->type(), viewportToContents(e->position().toPoint()), e->globalPosition(),
                   e->button(), e->buttons(), e->modifiers());
    contentsMouseMoveEvent(&ce);
}

void ZRIconView::mouseDoubleClickEvent(QMouseEvent* e) {
    QMouseEvent ce(e->type(), viewportToContents(e->position().toPoint()), e->globalPosition(),
                   e->button(), e->buttons(), e->modifiers());
    contentsMouseDoubleClickEvent(&ce);
}

void ZRIconView::emitPressSignals(QMouseEvent* e, ZRIconViewItem* item) {
    const QPoint global = e->globalPosition().toPoint();
    Q_EMIT mouseButtonPressed(int(e->button()), item, global);
    Q_EMIT pressed(item);
    Q_EMIT pressed(item, global);
    if (e->button() == Qt::RightButton) {
        Q_EMIT rightButtonPressed(item, global);
        if (m_contextMenu) Q_EMIT contextMenuRequested(item, global);
    }
}

void ZRIconView::contentsMousePressEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    if (m_rubberShown) {
        m_rubberShown = false;
        m_rubber = QRect();
        viewport()->update();
    }
    m_dragStart = pos;
    m_movedOnPress = false;
    for (ZRIconViewItem* i = m_firstItem; i; i = i->m_next) {
        if (i->m_renameBox) {
            i->renameItem();
            break;
        }
    }
    ZRIconViewItem* item = findItem(pos);
    m_pressedItem = item;
    m_anchorItem = item;
    m_startDragItem = item && item->dragEnabled() ? item : nullptr;
    m_pressedSelected = item && item->m_selected;
    if (!m_currentItem && !item && m_firstItem) {
        m_currentItem = m_firstItem;
        repaintItem(m_firstItem);
    }
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    const bool left = e->button() == Qt::LeftButton;

    if (item && item->m_selected && item->renameEnabled() && left && !shift && !ctrl &&
        item->textRect(false).contains(pos)) {
        ensureItemVisible(item);
        setCurrentItem(item);
        item->rename();
    } else {
        if (item && item->m_selectable) {
            switch (m_selectionMode) {
            case Single:
                item->setSelected(true, ctrl);
                break;
            case Multi:
                item->setSelected(!item->m_selected, true);
                break;
            case Extended:
                if (shift) {
                    QRect span;
                    if (m_currentItem) {
                        ZRIconViewItem* a = m_currentItem;
                        ZRIconViewItem* rightmost = a->x() > item->x() ? a : item;
                        ZRIconViewItem* lowest = a->y() > item->y() ? a : item;
                        const int x = std::min(a->x(), item->x());
                        const int y = std::min(a->y(), item->y());
                        span = QRect(x, y, rightmost->x() + rightmost->width() - x,
                                     lowest->y() + lowest->height() - y);
                    }
                    {
                        const QSignalBlocker blocker(this);
                        for (ZRIconViewItem* i = m_firstItem; i; i = i->m_next)
                            if (i->rect().intersects(span) && i->m_selectable)
                                i->setSelected(true, true);
                    }
                    repaintContents(span);
                    Q_EMIT selectionChanged();
                } else if (ctrl) {
                    item->setSelected(!item->m_selected, true);
                } else {
                    item->setSelected(true, false);
                }
                break;
            default:
                break;
            }
        } else if (!ctrl && (m_selectionMode != Single || e->button() == Qt::RightButton)) {
            clearSelection();
        }
        setCurrentItem(item);
        if (!item && left && (m_selectionMode == Multi || m_selectionMode == Extended)) {
            // The current item steps aside while the band is drawn and comes back at release.
            m_tmpCurrentItem = m_currentItem;
            m_currentItem = nullptr;
            repaintItem(m_tmpCurrentItem);
            m_rubberStart = m_rubberEnd = pos;
            m_rubber = QRect(pos, QSize(1, 1));
            m_rubberShown = true;
            m_selectedAtBandStart.clear();
            if (ctrl)
                for (ZRIconViewItem* i = m_firstItem; i; i = i->m_next)
                    if (i->m_selected) m_selectedAtBandStart.insert(i);
        }
    }
    if (left) m_mousePressed = true;
    if (!m_rubberShown) emitPressSignals(e, m_pressedItem == item ? item : nullptr);
}

void ZRIconView::contentsMouseMoveEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    ZRIconViewItem* item = findItem(pos);
    if (item != m_lastOnItem) {
        m_lastOnItem = item;
        if (item)
            Q_EMIT onItem(item);
        else
            Q_EMIT onViewport();
    }
    if (m_mousePressed && m_currentItem && m_pressedItem == m_currentItem &&
        (m_currentItem->m_selected || m_selectionMode == NoSelection)) {
        if (!m_movedOnPress) {
            m_movedOnPress = true;
            m_currentItem->setSelected(true, true);
        }
        if ((pos - m_dragStart).manhattanLength() > QApplication::startDragDistance()) {
            m_mousePressed = false;
            m_dragging = false;
            startDrag();
        }
        return;
    }
    if ((e->buttons() & Qt::LeftButton) && !m_currentItem && m_rubberShown) doAutoScroll();
}

void ZRIconView::contentsMouseReleaseEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    m_selectedAtBandStart.clear();
    m_mousePressed = false;
    ZRIconViewItem* pressedItem = m_pressedItem;
    m_pressedItem = nullptr;
    bool click = true;
    if (m_rubberShown) {
        m_rubberShown = false;
        m_rubber = QRect();
        viewport()->update();
        click =
            (m_rubberEnd - m_rubberStart).manhattanLength() <= QApplication::startDragDistance();
        m_currentItem = m_tmpCurrentItem;
        m_tmpCurrentItem = nullptr;
        repaintItem(m_currentItem);
    }
    stopAutoScroll();
    if (m_selectionMode == Extended && pressedItem && pressedItem == m_currentItem &&
        m_pressedSelected && !shift && !ctrl) {
        {
            const QSignalBlocker blocker(this);
            clearSelection();
            pressedItem->setSelected(true, true);
        }
        Q_EMIT selectionChanged();
    }
    m_pressedSelected = false;
    if (!click) return;
    ZRIconViewItem* item = findItem(pos);
    const QPoint global = e->globalPosition().toPoint();
    Q_EMIT mouseButtonClicked(int(e->button()), item, global);
    Q_EMIT clicked(item);
    Q_EMIT clicked(item, global);
    if (e->button() == Qt::RightButton) Q_EMIT rightButtonClicked(item, global);
}

void ZRIconView::contentsMouseDoubleClickEvent(QMouseEvent* e) {
    ZRIconViewItem* item = findItem(e->position().toPoint());
    if (!item) return;
    {
        const QSignalBlocker blocker(this);
        clearSelection();
    }
    item->setSelected(true, true);
    Q_EMIT doubleClicked(item);
}

void ZRIconView::contextMenuEvent(QContextMenuEvent* e) {
    contentsContextMenuEvent(e);
}

void ZRIconView::contentsContextMenuEvent(QContextMenuEvent* e) {
    e->accept();
    if (e->reason() == QContextMenuEvent::Keyboard) {
        const QPoint centre = m_currentItem ? contentsToViewport(m_currentItem->rect().center())
                                            : viewport()->rect().center();
        Q_EMIT contextMenuRequested(m_currentItem, viewport()->mapToGlobal(centre));
        return;
    }
    m_contextMenu = true;
    QMouseEvent press(QEvent::MouseButtonPress, viewportToContents(e->pos()),
                      QPointF(e->globalPos()), Qt::RightButton, Qt::RightButton, e->modifiers());
    contentsMousePressEvent(&press);
    m_contextMenu = false;
}

// --- rubber band -----------------------------------------------------------------------------

void ZRIconView::doAutoScroll() {
    if (!m_rubberShown) {
        stopAutoScroll();
        return;
    }
    const QPoint vp = m_lastMousePos;
    const QRect old = m_rubber;
    m_rubberEnd = viewportToContents(vp);
    m_rubber = QRect(m_rubberStart, m_rubberEnd).normalized();
    selectByRubber(old);
    const QRect visible = viewport()->rect();
    if (visible.contains(vp)) {
        stopAutoScroll();
        return;
    }
    if (!m_scrollTimer) {
        m_scrollTimer = new QTimer(this);
        connect(m_scrollTimer, &QTimer::timeout, this, &ZRIconView::doAutoScroll);
        m_scrollTimer->start(100);
    }
    int dx = 0, dy = 0;
    if (vp.x() < 0)
        dx = vp.x();
    else if (vp.x() > visible.right())
        dx = vp.x() - visible.right();
    if (vp.y() < 0)
        dy = vp.y();
    else if (vp.y() > visible.bottom())
        dy = vp.y() - visible.bottom();
    setContentsPos(contentsX() + dx, contentsY() + dy);
}

void ZRIconView::stopAutoScroll() {
    if (!m_scrollTimer) return;
    m_scrollTimer->stop();
    delete m_scrollTimer;
    m_scrollTimer = nullptr;
}

void ZRIconView::selectByRubber(const QRect& oldRubber) {
    const QRect both = oldRubber.united(m_rubber);
    bool changed = false;
    {
        const QSignalBlocker blocker(this);
        bool met = false;
        for (const auto& s : m_strips) {
            if (!s->rect.intersects(both)) {
                if (met) break;
                continue;
            }
            met = true;
            for (ZRIconViewItem* i : s->items) {
                if (!i->rect().intersects(both) || m_selectedAtBandStart.contains(i)) continue;
                const bool inside = i->intersects(m_rubber);
                if (inside == i->m_selected || !i->m_selectable) continue;
                i->setSelected(inside, true);
                changed = true;
            }
        }
    }
    viewport()->update(
        QRect(contentsToViewport(both.topLeft()), both.size()).adjusted(-2, -2, 2, 2));
    if (changed) Q_EMIT selectionChanged();
}

// --- keys ------------------------------------------------------------------------------------

ZRIconViewItem* ZRIconView::rowNeighbour(ZRIconViewItem* from, bool before) const {
    const bool rows = m_arrangement == LeftToRight;
    const QRect r = from->rect();
    const QRect band =
        rows ? (before ? QRect(0, 0, m_contentsWidth, r.top())
                       : QRect(0, r.bottom() + 1, m_contentsWidth,
                               std::max(0, m_contentsHeight - r.bottom() - 1)))
             : (before ? QRect(0, 0, r.left(), m_contentsHeight)
                       : QRect(r.right() + 1, 0, std::max(0, m_contentsWidth - r.right() - 1),
                               m_contentsHeight));
    // Searched outward from the current item, so that ties go to the nearest row.
    ZRIconViewItem* best = nullptr;
    int bestOverlap = 0;
    for (ZRIconViewItem* i = before ? from->m_prev : from->m_next; i;
         i = before ? i->m_prev : i->m_next) {
        if (!i->rect().intersects(band)) continue;
        int amount = 0;
        const bool hit =
            rows ? overlaps(i->rect().left(), i->rect().right(), r.left(), r.right(), amount)
                 : overlaps(i->rect().top(), i->rect().bottom(), r.top(), r.bottom(), amount);
        if (hit && amount > bestOverlap) {
            best = i;
            bestOverlap = amount;
        }
    }
    return best;
}

ZRIconViewItem* ZRIconView::pageNeighbour(ZRIconViewItem* from, bool before) const {
    const QRect r = from->rect();
    QRect page, band;
    if (m_arrangement == LeftToRight) {
        const int h = visibleHeight();
        page = before ? QRect(0, r.y() - h, m_contentsWidth, h)
                      : QRect(0, r.y() + h, m_contentsWidth, h);
        band = before ? QRect(0, 0, m_contentsWidth, r.top())
                      : QRect(0, r.bottom() + 1, m_contentsWidth, m_contentsHeight);
    } else {
        const int w = visibleWidth();
        page = before ? QRect(r.x() - w, 0, w, m_contentsHeight)
                      : QRect(r.x() + w, 0, w, m_contentsHeight);
        band = before ? QRect(0, 0, r.left(), m_contentsHeight)
                      : QRect(r.right() + 1, 0, m_contentsWidth, m_contentsHeight);
    }
    ZRIconViewItem* found = findFirstVisibleItem(page);
    if (!found && !band.isEmpty()) found = findFirstVisibleItem(band);
    return found == from ? nullptr : found;
}

void ZRIconView::handleItemChange(ZRIconViewItem* old, bool shift, bool control) {
    ZRIconViewItem* current = m_currentItem;
    if (!current) return;
    switch (m_selectionMode) {
    case Single:
        if (old) {
            const QSignalBlocker blocker(this);
            old->setSelected(false);
        }
        current->setSelected(true);
        break;
    case Multi:
    case NoSelection:
        if (shift) current->setSelected(!current->m_selected, true);
        break;
    case Extended:
        if (control) break;
        if (shift && m_anchorItem) {
            bool changed = false, inRun = false;
            for (ZRIconViewItem* i = m_firstItem; i; i = i->m_next) {
                const bool edge = i == m_anchorItem || i == current;
                bool select = inRun || edge;
                if (edge && m_anchorItem != current) inRun = !inRun;
                select = select && i->m_selectable;
                if (select != i->m_selected) {
                    i->m_selected = select;
                    repaintItem(i);
                    changed = true;
                }
            }
            if (changed) Q_EMIT selectionChanged();
        } else if (shift) {
            {
                const QSignalBlocker blocker(this);
                if (old && old->m_selectable) old->setSelected(true, true);
            }
            current->setSelected(true, true);
        } else {
            {
                const QSignalBlocker blocker(this);
                clearSelection();
            }
            current->setSelected(true, false);
        }
        break;
    }
}

void ZRIconView::keyPressEvent(QKeyEvent* e) {
    if (!m_firstItem) return;
    if (!m_currentItem) {
        setCurrentItem(m_firstItem);
        if (m_selectionMode == Single) m_firstItem->setSelected(true);
        return;
    }
    ZRIconViewItem* old = m_currentItem;
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    const bool rows = m_arrangement == LeftToRight;
    bool navigation = true, searched = false;
    ZRIconViewItem* target = nullptr;
    switch (e->key()) {
    case Qt::Key_Home:
        target = m_firstItem;
        break;
    case Qt::Key_End:
        target = m_lastItem;
        break;
    case Qt::Key_Left:
        target = rows ? old->m_prev : rowNeighbour(old, true);
        break;
    case Qt::Key_Right:
        target = rows ? old->m_next : rowNeighbour(old, false);
        break;
    case Qt::Key_Up:
        target = rows ? rowNeighbour(old, true) : old->m_prev;
        break;
    case Qt::Key_Down:
        target = rows ? rowNeighbour(old, false) : old->m_next;
        break;
    case Qt::Key_PageUp:
        target = pageNeighbour(old, true);
        break;
    case Qt::Key_PageDown:
        target = pageNeighbour(old, false);
        break;
    default:
        navigation = false;
        break;
    }
    if (navigation) {
        clearInputString();
        if (target && target != old) {
            setCurrentItem(target);
            handleItemChange(old, shift, ctrl);
        }
    } else {
        switch (e->key()) {
        case Qt::Key_Space:
            if (m_selectionMode != Single) old->setSelected(!old->m_selected, true);
            break;
        case Qt::Key_Escape:
            e->ignore();
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Q_EMIT returnPressed(old);
            break;
        default:
            if (ctrl && e->key() == Qt::Key_A) {
                selectAll(true);
            } else if (!e->text().isEmpty() && e->text().at(0).isPrint()) {
                findItemByName(e->text());
                searched = true;
            } else {
                clearInputString();
            }
            break;
        }
    }
    if (!m_currentItem) return;
    if (!shift || !m_anchorItem) m_anchorItem = m_currentItem;
    if (m_selectionMode == Single && !navigation && !searched && !m_currentItem->m_selected)
        m_currentItem->setSelected(true);
    if (e->key() != Qt::Key_Shift && e->key() != Qt::Key_Control && e->key() != Qt::Key_Alt)
        ensureItemVisible(m_currentItem);
}

// --- text search -----------------------------------------------------------------------------

ZRIconViewItem* ZRIconView::findItem(const QString& text, int flags) const {
    if (!m_firstItem) return nullptr;
    if (flags == 0 || flags == CaseSensitive) flags |= ExactMatch;
    const bool cs = flags & CaseSensitive;
    const QString wanted = cs ? text : text.toLower();
    const auto matches = [&](const ZRIconViewItem* i) {
        const QString t = cs ? i->text() : i->text().toLower();
        return ((flags & BeginsWith) && t.startsWith(wanted)) ||
               ((flags & EndsWith) && t.endsWith(wanted)) ||
               ((flags & Contains) && t.contains(wanted)) || ((flags & ExactMatch) && t == wanted);
    };
    ZRIconViewItem* start = m_currentItem ? m_currentItem : m_firstItem;
    for (ZRIconViewItem* i = start; i; i = i->m_next)
        if (matches(i)) return i;
    for (ZRIconViewItem* i = m_firstItem; i && i != start; i = i->m_next)
        if (matches(i)) return i;
    return nullptr;
}

void ZRIconView::findItemByName(const QString& text) {
    // Each typed key keeps the search going for the system's keyboard input interval.
    m_inputTimer->start(QApplication::keyboardInputInterval());
    m_typeAhead += text.toLower();
    ZRIconViewItem* item = findItem(m_typeAhead, BeginsWith);
    if (!item) return;
    setCurrentItem(item);
    if (m_selectionMode == Extended) {
        {
            const QSignalBlocker blocker(this);
            clearSelection();
            if (item->m_selectable) item->setSelected(true, true);
        }
        Q_EMIT selectionChanged();
    }
}

bool ZRIconView::typeAheadActive() const {
    return m_inputTimer->isActive();
}

void ZRIconView::clearInputString() {
    m_typeAhead.clear();
}

// --- drag source -----------------------------------------------------------------------------

QDrag* ZRIconView::dragObject() {
    if (!m_currentItem) return nullptr;
    auto* data = new ZRIconDrag;
    const QPoint origin = m_dragStart;
    const auto add = [&](ZRIconViewItem* i) {
        data->append(ZRIconDragItem(), i->pixmapRect(false).translated(-origin),
                     i->textRect(false).translated(-origin));
    };
    if (m_selectionMode == NoSelection) {
        add(m_currentItem);
    } else {
        for (ZRIconViewItem* i = m_firstItem; i; i = i->m_next)
            if (i->m_selected) add(i);
    }
    auto* drag = new QDrag(viewport());
    drag->setMimeData(data);
    const QImage* icon = m_currentItem->pixmap();
    drag->setPixmap(icon ? QPixmap::fromImage(*icon) : QPixmap());
    const QRect iconRect = m_currentItem->pixmapRect();
    drag->setHotSpot(QPoint(iconRect.width() / 2, iconRect.height() / 2));
    return drag;
}

void ZRIconView::startDrag() {
    if (!m_startDragItem) return;
    m_dragStartInItem = m_dragStart - m_startDragItem->pos();
    m_startDragItem = nullptr;
    m_pressedItem = nullptr;
    m_mousePressed = false;
    m_pressedSelected = false;
    QPointer<QDrag> drag = dragObject();
    if (!drag) return;
    m_clearedDuringDrag = false;
    QPointer<ZRIconView> alive(this);
    const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    if (!alive) return;
    QObject* target = drag ? drag->target() : nullptr;
    if (action != Qt::IgnoreAction && target != viewport()) Q_EMIT moved();
}

// --- drop target -----------------------------------------------------------------------------

void ZRIconView::dragEnterEvent(QDragEnterEvent* e) {
    contentsDragEnterEvent(e);
}

void ZRIconView::dragMoveEvent(QDragMoveEvent* e) {
    contentsDragMoveEvent(e);
}

void ZRIconView::dragLeaveEvent(QDragLeaveEvent* e) {
    contentsDragLeaveEvent(e);
}

void ZRIconView::dropEvent(QDropEvent* e) {
    contentsDropEvent(e);
}

void ZRIconView::initDragEnter(QDropEvent* e) {
    const QMimeData* data = e->mimeData();
    m_iconDragData.clear();
    m_iconListDrag = false;
    m_dragItems = 0;
    if (ZRIconDrag::canDecode(data)) {
        ZRIconDrag::decode(data, m_iconDragData);
        m_iconListDrag = true;
    } else if (data && data->hasUrls()) {
        m_dragItems = int(data->urls().size());
    }
}

void ZRIconView::drawDragShapes(const QPoint& pos) {
    if (pos == QPoint(-1, -1)) return;
    m_dragPos = pos;
    viewport()->update();
}

void ZRIconView::eraseDragShapes() {
    if (m_dragPos != QPoint(-1, -1)) viewport()->update();
}

void ZRIconView::contentsDragEnterEvent(QDragEnterEvent* e) {
    m_dragOutlinesShown = true;
    m_dropped = false;
    m_highlightedItem = nullptr;
    initDragEnter(e);
    e->acceptProposedAction();
    m_dropAccepted = true;
    drawDragShapes(e->position().toPoint());
}

void ZRIconView::contentsDragMoveEvent(QDragMoveEvent* e) {
    const QPoint vp = e->position().toPoint();
    if (vp == m_dragPos) {
        e->setAccepted(m_dropAccepted);
        return;
    }
    eraseDragShapes();
    ZRIconViewItem* item = findItem(viewportToContents(vp));
    if (!item) {
        e->acceptProposedAction();
        m_dropAccepted = true;
        if (m_highlightedItem) {
            ZRIconViewItem* left = m_highlightedItem;
            m_highlightedItem = nullptr;
            left->dragLeft();
            repaintItem(left);
        }
    } else {
        if (m_highlightedItem) {
            ZRIconViewItem* left = m_highlightedItem;
            m_highlightedItem = nullptr;
            left->dragLeft();
            repaintItem(left);
        }
        item->dragEntered();
        m_dropAccepted = item->acceptDrop(e->mimeData());
        e->setAccepted(m_dropAccepted);
        m_highlightedItem = item;
        repaintItem(item);
    }
    drawDragShapes(vp);
}

void ZRIconView::contentsDragLeaveEvent(QDragLeaveEvent*) {
    if (!m_dropped) eraseDragShapes();
    m_dragOutlinesShown = false;
    m_dragPos = QPoint(-1, -1);
    if (ZRIconViewItem* left = m_highlightedItem) {
        m_highlightedItem = nullptr;
        left->dragLeft();
        repaintItem(left);
    }
    m_iconListDrag = false;
    m_iconDragData.clear();
    m_dragItems = 0;
}

void ZRIconView::contentsDropEvent(QDropEvent* e) {
    m_dropped = true;
    eraseDragShapes();
    m_dragOutlinesShown = false;
    m_dragPos = QPoint(-1, -1);
    ZRIconViewItem* highlighted = m_highlightedItem;
    m_highlightedItem = nullptr;
    repaintItem(highlighted);
    const QPoint pos = viewportToContents(e->position().toPoint());
    QList<ZRIconDragItem> list;
    if (ZRIconViewItem* item = findItem(pos)) {
        if (ZRIconDrag::canDecode(e->mimeData())) ZRIconDrag::decode(e->mimeData(), list);
        item->dropped(e, list);
    } else if (e->source() == viewport() && m_currentItem && !m_clearedDuringDrag) {
        if (m_itemsMovable) {
            ZRIconViewItem* current = m_currentItem;
            const QRect before = current->rect();
            current->move(std::max(0, pos.x() - m_dragStartInItem.x()),
                          std::max(0, pos.y() - m_dragStartInItem.y()));
            const QPoint delta = current->pos() - before.topLeft();
            QRect changed = before | current->rect();
            int w = m_contentsWidth, h = m_contentsHeight;
            for (ZRIconViewItem* i = m_firstItem; i; i = i->m_next) {
                if (i != current && i->m_selected) {
                    changed |= i->rect();
                    i->moveBy(delta);
                    changed |= i->rect();
                }
                w = std::max(w, i->x() + i->width());
                h = std::max(h, i->y() + i->height());
            }
            repaintContents(changed);
            if (w > m_contentsWidth || h > m_contentsHeight) {
                resizeContents(w, h);
                viewport()->update();
            }
            e->acceptProposedAction();
        }
    } else {
        if (ZRIconDrag::canDecode(e->mimeData())) ZRIconDrag::decode(e->mimeData(), list);
        m_iconListDrag = false;
        m_iconDragData.clear();
        Q_EMIT dropped(e, list);
        return;
    }
    m_iconListDrag = false;
    m_iconDragData.clear();
}

void ZRIconView::movedContents(int, int) {
    if (!m_dragOutlinesShown) return;
    eraseDragShapes();
    m_dragPos = QPoint(-1, -1);
}

// --- hover, focus, tool tips -----------------------------------------------------------------

void ZRIconView::enterEvent(QEnterEvent* e) {
    QAbstractScrollArea::enterEvent(e);
    Q_EMIT onViewport();
}

void ZRIconView::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    m_mousePressed = false;
    if (!m_currentItem && m_firstItem && e->reason() != Qt::MouseFocusReason) {
        m_currentItem = m_firstItem;
        Q_EMIT currentChanged(m_currentItem);
    }
    // Selected items change their tint with the focus.
    viewport()->update();
}

void ZRIconView::focusOutEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusOutEvent(e);
    viewport()->update();
    if (e->reason() == Qt::PopupFocusReason) {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            if (qobject_cast<QMenu*>(popup)) popup->installEventFilter(this);
        }
    }
}

bool ZRIconView::eventFilter(QObject* o, QEvent* e) {
    if (o != viewport() && e->type() == QEvent::Hide && qobject_cast<QMenu*>(o)) {
        viewport()->update();
        o->removeEventFilter(this);
    }
    return QAbstractScrollArea::eventFilter(o, e);
}

bool ZRIconView::viewportEvent(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        maybeTip(help->pos(), help->globalPos());
        return true;
    }
    return QAbstractScrollArea::viewportEvent(e);
}

void ZRIconView::maybeTip(const QPoint& viewportPos, const QPoint& globalPos) {
    if (m_wordWrapIconText || !m_showToolTips) return;
    ZRIconViewItem* item = findItem(viewportToContents(viewportPos));
    if (!item || item->shownText() == item->text()) {
        QToolTip::hideText();
        return;
    }
    const QRect text(contentsToViewport(item->textRect(false).topLeft()), item->textRect().size());
    QToolTip::showText(globalPos, item->text(), viewport(), text);
}
