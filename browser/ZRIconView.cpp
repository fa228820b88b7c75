#include "browser/ZRIconView.h"

#include "browser/ZRIconViewItem.h"
#include "classes/painting/ZROpaqueImage.h"
#include "classes/widgets/QSBWidget.h"
#include "classes/widgets/ZRFontTag.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QTimer>

#include <algorithm>
#include <climits>

namespace {

// Set around an arrangement caused by a resize in Adjust mode: a layout that moved nothing then
// leaves the picture alone.
bool gOptimizeLayout = false;

// The shared default icon: a film frame.
const char* const kDefaultIcon[] = {"32 32 11 1",
                                    "  c None",
                                    ". c #202020",
                                    "+ c #505050",
                                    "@ c #E0E0E0",
                                    "# c #6FA8DC",
                                    "$ c #3D85C6",
                                    "% c #93C47D",
                                    "& c #38761D",
                                    "* c #FFD966",
                                    "= c #FFFFFF",
                                    "- c #A0A0A0",
                                    "                                ",
                                    "                                ",
                                    "                                ",
                                    " .............................. ",
                                    " .....++++++++++++++++++++..... ",
                                    " ..@@.+##################+.@@.. ",
                                    " ..@@.+##################+.@@.. ",
                                    " .....+############***###+..... ",
                                    " .....+###==#-#####***###+..... ",
                                    " ..@@.+#####=######***###+.@@.. ",
                                    " ..@@.+##################+.@@.. ",
                                    " .....+##################+..... ",
                                    " .....+##################+..... ",
                                    " ..@@.+##################+.@@.. ",
                                    " ..@@.+$$$$$$$$$$$$$$$$$$+.@@.. ",
                                    " .....+$$$$$$$$$$$$$$$$$$+..... ",
                                    " .....+&&%%%%%%%%%%%%%%%%+..... ",
                                    " ..@@.+&&&%%%%%%%%%%%%%%%+.@@.. ",
                                    " ..@@.+&&&&%%%%%%%%%%%%%%+.@@.. ",
                                    " .....+&&&&&%%%%%%%%%%%%%+..... ",
                                    " .....+&&&&&&%%%%%%%%%%%%+..... ",
                                    " ..@@.+&&&&&&&%%%%%%%%%%%+.@@.. ",
                                    " ..@@.+&&&&&&&&%%%%%%%%%%+.@@.. ",
                                    " .....+&&&&&&&&&%%%%%%%%%+..... ",
                                    " .....+&&&&&&&&&&%%%%%%%%+..... ",
                                    " ..@@.+&&&&&&&&&&&%%%%%%%+.@@.. ",
                                    " ..@@.+&&&&&&&&&&&&%%%%%%+.@@.. ",
                                    " .....++++++++++++++++++++..... ",
                                    " .............................. ",
                                    "                                ",
                                    "                                ",
                                    "                                "};

// Suspends the viewport's updates for a scope; re-enabling them updates the viewport once.
class ViewportUpdatesSuspended {
public:
    explicit ViewportUpdatesSuspended(QWidget* viewport)
        : m_viewport(viewport), m_was(viewport->updatesEnabled()) {
        m_viewport->setUpdatesEnabled(false);
    }
    ~ViewportUpdatesSuspended() { m_viewport->setUpdatesEnabled(m_was); }
    ViewportUpdatesSuspended(const ViewportUpdatesSuspended&) = delete;
    ViewportUpdatesSuspended& operator=(const ViewportUpdatesSuspended&) = delete;

private:
    QWidget* m_viewport;
    bool m_was;
};

// Lists `item` in the first strip from `index` on that meets it, and in the next one when that
// strip does not hold it whole; false when none does. `index` is left at the first strip.
template <typename Append>
bool placeInStrips(std::vector<std::unique_ptr<ZRIconViewStrip>>& strips, ZRIconViewItem* item,
                   bool rows, size_t& index, Append append, ZRIconViewStrip*& first,
                   ZRIconViewStrip*& second) {
    const QRect r = item->rect();
    if (r.isEmpty() || strips.empty()) return false;
    if (index >= strips.size()) index = 0;
    // Items come mostly in the order of the strips; one that starts before the hint is searched
    // from the first strip.
    const QRect hint = strips[index]->rect;
    if (rows ? hint.top() > r.top() : hint.left() > r.left()) index = 0;
    for (;;) {
        const QRect s = strips[index]->rect;
        if (s.intersects(r)) break;
        if (rows ? s.top() > r.bottom() : s.left() > r.right()) return false;
        if (++index == strips.size() && !append()) return false;
    }
    first = strips[index].get();
    first->items.append(item);
    second = nullptr;
    if (!first->rect.contains(r)) {
        if (index + 1 == strips.size() && !append()) return true;
        second = strips[index + 1].get();
        second->items.append(item);
    }
    return true;
}

} // namespace

ZRIconView::ZRIconView(QWidget* parent, const char* name, Qt::WindowFlags f)
    : QAbstractScrollArea(parent) {
    if (f) setWindowFlags(f);
    if (name) setObjectName(QString::fromUtf8(name));
    setFrameShape(QFrame::NoFrame);
    if (auto* skinned = qobject_cast<QSBWidget*>(parent)) {
        m_skinParent = true;
        m_skinned = skinned;
        skinned->registerChild(this, true);
    }
    m_inputTimer = new QTimer(this);
    m_inputTimer->setSingleShot(true);
    connect(m_inputTimer, &QTimer::timeout, this, &ZRIconView::clearInputString);

    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    // The view never erases: every paint composes what lies under the viewport.
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::WheelFocus);
    viewport()->setFocusProxy(this);
    viewport()->setFocusPolicy(Qt::WheelFocus);
    viewport()->installEventFilter(this);
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);

    const ZRFontTag tag = parseFontTag(QLatin1String(kFontTag));
    setFont(QFont(tag.name, tag.pointSize, QFont::Normal));
    defaultImage();
}

ZRIconView::~ZRIconView() {
    m_clearing = true;
    ZRIconViewItem* item = m_firstItem;
    m_firstItem = m_lastItem = nullptr;
    while (item) {
        ZRIconViewItem* next = item->m_next;
        delete item;
        item = next;
    }
    m_strips.clear();
}

const QImage& ZRIconView::defaultImage() {
    static const QImage image = QImage(kDefaultIcon).convertToFormat(QImage::Format_ARGB32);
    return image;
}

bool ZRIconView::hasSkinParent() const {
    return m_skinParent && m_skinned;
}

bool ZRIconView::isRenaming() const {
    for (ZRIconViewItem* i = m_firstItem; i; i = i->m_next)
        if (i->m_renameBox) return true;
    return false;
}

// --- item list ------------------------------------------------------------------------------

void ZRIconView::insertItem(ZRIconViewItem* item, ZRIconViewItem* after) {
    if (!item) return;
    if (!m_firstItem) {
        m_firstItem = m_lastItem = item;
        item->m_prev = item->m_next = nullptr;
    } else if (!after || after == m_lastItem) {
        m_lastItem->m_next = item;
        item->m_prev = m_lastItem;
        item->m_next = nullptr;
        m_lastItem = item;
    } else {
        ZRIconViewItem* next = after->m_next;
        after->m_next = item;
        item->m_prev = after;
        item->m_next = next;
        if (next) next->m_prev = item;
    }
    if (isVisible()) {
        if (!m_autoArrange) {
            insertInGrid(item);
            repaintContents(item->rect());
        } else {
            m_cachedW = std::max(m_cachedW, item->x() + item->width());
            m_cachedH = std::max(m_cachedH, item->y() + item->height());
            slotUpdate();
        }
    }
    ++m_count;
    m_dirty = true;
}

void ZRIconView::takeItem(ZRIconViewItem* item) {
    if (!item) return;
    removeFromContainers(item);
    item->removeRenameBox();
    const QSignalBlocker blocker(m_clearing ? this : nullptr);
    if (item == m_currentItem) {
        m_currentItem = item->m_prev ? item->m_prev : item->m_next;
        Q_EMIT currentChanged(m_currentItem);
        repaintItem(m_currentItem);
    }
    if (item->m_selected) {
        item->m_selected = false;
        Q_EMIT selectionChanged();
    }
    if (item == m_firstItem) {
        m_firstItem = item->m_next;
        if (m_firstItem) m_firstItem->m_prev = nullptr;
    } else if (item->m_prev) {
        item->m_prev->m_next = item->m_next;
    }
    if (item == m_lastItem) {
        m_lastItem = item->m_prev;
        if (m_lastItem) m_lastItem->m_next = nullptr;
    } else if (item->m_next) {
        item->m_next->m_prev = item->m_prev;
    }
    item->m_prev = item->m_next = nullptr;
    --m_count;
    forgetItem(item);
    repaintContents(item->rect());
}

// Every pointer the view keeps to `item` beside the list: a press, a band, a drag or a hover
// under way may outlive the item.
void ZRIconView::forgetItem(ZRIconViewItem* item) {
    if (m_currentItem == item) m_currentItem = nullptr;
    if (m_anchorItem == item) m_anchorItem = nullptr;
    if (m_pressedItem == item) m_pressedItem = nullptr;
    if (m_startDragItem == item) m_startDragItem = nullptr;
    if (m_tmpCurrentItem == item) m_tmpCurrentItem = nullptr;
    if (m_highlightedItem == item) m_highlightedItem = nullptr;
    if (m_lastOnItem == item) m_lastOnItem = nullptr;
    m_selectedAtBandStart.remove(item);
}

QList<ZRIconViewItem*> ZRIconView::referencedItems() const {
    QList<ZRIconViewItem*> refs{m_currentItem,    m_anchorItem,      m_pressedItem, m_startDragItem,
                                m_tmpCurrentItem, m_highlightedItem, m_lastOnItem};
    for (ZRIconViewItem* i : m_selectedAtBandStart)
        refs.append(i);
    refs.removeAll(nullptr);
    return refs;
}

void ZRIconView::clear() {
    setContentsPos(0, 0);
    {
        const QSignalBlocker blocker(this);
        clearSelection();
    }
    m_clearing = true;
    ZRIconViewItem* item = m_firstItem;
    m_firstItem = m_lastItem = nullptr;
    while (item) {
        ZRIconViewItem* next = item->m_next;
        delete item;
        item = next;
    }
    m_clearing = false;
    m_strips.clear();
    m_count = 0;
    m_currentItem = m_anchorItem = m_pressedItem = m_startDragItem = nullptr;
    m_tmpCurrentItem = m_highlightedItem = m_lastOnItem = nullptr;
    m_selectedAtBandStart.clear();
    m_clearedDuringDrag = true;
    m_cachedW = m_cachedH = 0;
    resizeContents(0, 0);
    viewport()->update();
}

void ZRIconView::repaintItem(ZRIconViewItem* item) {
    if (!item || item->m_dirty) return;
    const QRect visible(contentsX(), contentsY(), visibleWidth(), visibleHeight());
    if (item->rect().intersects(visible)) repaintContents(item->rect());
}

// --- settings --------------------------------------------------------------------------------

void ZRIconView::setGridX(int rx) {
    m_gridX = rx < 0 ? -1 : rx;
}

void ZRIconView::setGridY(int ry) {
    m_gridY = ry < 0 ? -1 : ry;
}

void ZRIconView::setSpacing(int sp) {
    m_spacing = sp;
}

void ZRIconView::setItemTextPos(int pos) {
    if ((pos != Bottom && pos != Right) || pos == m_itemTextPos) return;
    m_itemTextPos = pos;
    calcItemsAgain();
    arrangeItemsInGrid(true);
}

void ZRIconView::setItemTextBackground(const QBrush& brush) {
    m_itemTextBackground = brush;
}

void ZRIconView::setArrangement(int arrangement) {
    if (arrangement == m_arrangement) return;
    m_arrangement = arrangement;
    {
        const ViewportUpdatesSuspended suspended(viewport());
        resizeContents(viewport()->width(), viewport()->height());
    }
    arrangeItemsInGrid(true);
}

void ZRIconView::setResizeMode(int mode) {
    m_resizeMode = mode;
}

void ZRIconView::setMaxItemWidth(int w) {
    m_maxItemWidth = w;
}

void ZRIconView::setMaxItemTextLength(int w) {
    m_maxItemTextLength = w;
}

void ZRIconView::setAutoArrange(bool b) {
    m_autoArrange = b;
}

void ZRIconView::setShowToolTips(bool b) {
    m_showToolTips = b;
}

void ZRIconView::setItemsMovable(bool b) {
    m_itemsMovable = b;
}

void ZRIconView::setWordWrapIconText(bool b) {
    if (b == m_wordWrapIconText) return;
    m_wordWrapIconText = b;
    calcItemsAgain();
    arrangeItemsInGrid(true);
}

void ZRIconView::calcItemsAgain() {
    for (ZRIconViewItem* i = m_firstItem; i; i = i->m_next) {
        i->m_dirty = true;
        i->calcRect();
    }
}

void ZRIconView::sort(bool ascending) {
    m_sortDirection = ascending;
    if (!m_firstItem) return;
    std::vector<ZRIconViewItem*> items;
    items.reserve(size_t(m_count));
    for (ZRIconViewItem* i = m_firstItem; i; i = i->m_next)
        items.push_back(i);
    std::stable_sort(items.begin(), items.end(),
                     [](ZRIconViewItem* a, ZRIconViewItem* b) { return a->compare(b) < 0; });
    if (!ascending) std::reverse(items.begin(), items.end());
    ZRIconViewItem* prev = nullptr;
    for (ZRIconViewItem* i : items) {
        i->m_prev = prev;
        i->m_next = nullptr;
        if (prev) prev->m_next = i;
        prev = i;
    }
    m_firstItem = items.front();
    m_lastItem = items.back();
    arrangeItemsInGrid(true);
}

// --- skin ------------------------------------------------------------------------------------

void ZRIconView::repaintSkinRect(int x, int y, int w, int h) {
    repaintSkinRegion(QRegion(x, y, w, h));
}

void ZRIconView::repaintSkinRegion(const QRegion& region) {
    if (!hasSkinParent()) return;
    m_skinned->composeRegion(region.translated(mapTo(m_skinned, QPoint(0, 0))));
}

void ZRIconView::drawSkinBackground(QPainter* painter, const QRect& r) {
    if (!hasSkinParent() || !painter) return;
    QImage* image = m_skinned->composedImage();
    if (!image || image->isNull()) return;
    repaintSkinRegion(QRegion(QRect(viewport()->mapTo(this, r.topLeft()), r.size())));
    const QRect source =
        m_skinned->mapRectToSkinRoot(QRect(viewport()->mapTo(m_skinned, r.topLeft()), r.size()))
            .intersected(image->rect());
    drawImageOpaque(*painter, QPoint(0, 0), *image, source);
}

// --- contents coordinates --------------------------------------------------------------------

int ZRIconView::contentsX() const {
    return horizontalScrollBar()->value();
}

int ZRIconView::contentsY() const {
    return verticalScrollBar()->value();
}

int ZRIconView::visibleWidth() const {
    return viewport()->width();
}

int ZRIconView::visibleHeight() const {
    return viewport()->height();
}

QPoint ZRIconView::viewportToContents(const QPoint& p) const {
    return p + QPoint(contentsX(), contentsY());
}

QPoint ZRIconView::contentsToViewport(const QPoint& p) const {
    return p - QPoint(contentsX(), contentsY());
}

void ZRIconView::resizeContents(int w, int h) {
    m_contentsWidth = std::max(w, 0);
    m_contentsHeight = std::max(h, 0);
    updateScrollBars();
}

void ZRIconView::updateScrollBars() {
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    h->setPageStep(std::max(visibleWidth(), 1));
    v->setPageStep(std::max(visibleHeight(), 1));
    h->setRange(0, std::max(0, m_contentsWidth - visibleWidth()));
    v->setRange(0, std::max(0, m_contentsHeight - visibleHeight()));
}

void ZRIconView::setContentsPos(int x, int y) {
    m_savedScroll = -1;
    horizontalScrollBar()->setValue(std::max(x, 0));
    verticalScrollBar()->setValue(std::max(y, 0));
}

void ZRIconView::repaintContents(const QRect& r) {
    const QRect inViewport =
        r.translated(-contentsX(), -contentsY()).intersected(viewport()->rect());
    if (!inViewport.isEmpty()) viewport()->update(inViewport);
}

void ZRIconView::updateContents() {
    viewport()->update();
}

void ZRIconView::scrollContentsBy(int dx, int dy) {
    movedContents(contentsX(), contentsY());
    for (ZRIconViewItem* i = m_firstItem; i; i = i->m_next)
        if (i->m_renameBox) i->m_renameBox->move(i->m_renameBox->pos() + QPoint(dx, dy));
    // The skin does not scroll with the contents: the whole viewport is composed again.
    viewport()->update();
}

void ZRIconView::ensureItemVisible(ZRIconViewItem* item) {
    if (!item) return;
    slotUpdate();
    const int mx = item->width() / 2 + 1;
    const int my = item->height() / 2 + 1;
    const QPoint centre(item->x() + item->width() / 2, item->y() + item->height() / 2);
    // The least scroll that shows the centre with its margins.
    int cx = contentsX(), cy = contentsY();
    if (centre.x() - mx < cx)
        cx = centre.x() - mx;
    else if (centre.x() + mx > cx + visibleWidth())
        cx = centre.x() + mx - visibleWidth();
    if (centre.y() - my < cy)
        cy = centre.y() - my;
    else if (centre.y() + my > cy + visibleHeight())
        cy = centre.y() + my - visibleHeight();
    setContentsPos(cx, cy);
}

// --- layout ----------------------------------------------------------------------------------

ZRIconViewItem* ZRIconView::makeRowLayout(ZRIconViewItem* begin, int& y, bool& changed) {
    const int sp = m_spacing;
    const bool rightText = m_itemTextPos == Right;
    ZRIconViewItem* end = begin;
    if (m_arrangement == LeftToRight) {
        // A grid width of 0 would divide by zero: it lays out as no grid.
        const bool grid = m_gridX > 0;
        const bool rtl = layoutDirection() == Qt::RightToLeft;
        const auto cellsOf = [&](const ZRIconViewItem* i) {
            return (i->width() + m_gridX - 1) / m_gridX;
        };
        if (!grid) {
            long long sum = begin->width() + sp;
            for (ZRIconViewItem* i = begin->m_next; i; i = i->m_next) {
                sum += i->width() + sp;
                if (sum > visibleWidth()) break;
                end = i;
            }
        } else {
            long long cells = cellsOf(begin);
            for (ZRIconViewItem* i = begin->m_next; i; i = i->m_next) {
                cells += cellsOf(i);
                if ((long long)(m_gridX + sp) * cells > visibleWidth()) break;
                end = i;
            }
        }
        int rowHeight = 0, iconHeight = 0;
        for (ZRIconViewItem* i = begin;; i = i->m_next) {
            rowHeight = std::max(rowHeight, i->height());
            iconHeight = std::max(iconHeight, i->pixmapRect().height());
            if (i == end) break;
        }
        if (m_gridY > rowHeight) rowHeight = m_gridY;
        int x = 0, cellsBefore = 0;
        ZRIconViewItem* prev = nullptr;
        for (ZRIconViewItem* i = begin;; i = i->m_next) {
            if (!grid) {
                if (!prev)
                    x = rtl ? visibleWidth() - sp - i->width() : sp;
                else
                    x = rtl ? x - sp - i->width() : x + prev->width() + sp;
            } else {
                const int cells = cellsOf(i);
                const int centring = rightText ? 0 : (m_gridX * cells - i->width()) / 2;
                x = prev ? sp * (cellsBefore + cells) + m_gridX * cellsBefore + centring
                         : sp + centring;
                cellsBefore += cells;
            }
            // Icon bottoms on one line.
            const int itemY = y + (iconHeight - i->pixmapRect().height());
            changed |= i->move(x, itemY);
            i->m_dirty = false;
            if (itemY + i->height() > y + rowHeight)
                rowHeight = std::max(rowHeight, i->textRect().height() + iconHeight + 1);
            prev = i;
            if (i == end) break;
        }
        y += sp + rowHeight;
    } else {
        long long sum = begin->height() + sp;
        for (ZRIconViewItem* i = begin->m_next; i; i = i->m_next) {
            sum += i->height() + sp;
            if (sum > visibleHeight()) break;
            end = i;
        }
        int columnWidth = 0;
        for (ZRIconViewItem* i = begin;; i = i->m_next) {
            columnWidth = std::max(columnWidth, i->width());
            if (i == end) break;
        }
        if (m_gridX > columnWidth) columnWidth = m_gridX;
        int itemY = sp;
        for (ZRIconViewItem* i = begin;; i = i->m_next) {
            const int x = rightText ? y : y + (columnWidth - i->width()) / 2;
            changed |= i->move(x, itemY);
            i->m_dirty = false;
            itemY += i->height() + sp;
            if (i == end) break;
        }
        y += sp + columnWidth;
    }
    return end;
}

// The furthest right and bottom edges of all items after a layout from the first item;
// `flow` is where the running coordinate ended.
QSize ZRIconView::layOutAll(bool& changed) {
    int y = m_spacing, w = 0, h = 0;
    for (ZRIconViewItem* row = m_firstItem; row;) {
        ZRIconViewItem* last = makeRowLayout(row, y, changed);
        for (ZRIconViewItem* i = row;; i = i->m_next) {
            w = std::max(w, i->x() + i->width());
            h = std::max(h, i->y() + i->height());
            if (i == last) break;
        }
        row = last->m_next;
    }
    if (m_arrangement == LeftToRight)
        h = std::max(h, y);
    else
        w = std::max(w, y);
    return QSize(std::max(w, m_cachedW), std::max(h, m_cachedH));
}

void ZRIconView::arrangeItemsInGrid(bool update) {
    if (!m_firstItem || !m_lastItem) return;
    m_arranging = true;
    bool changed = false;
    {
        const ViewportUpdatesSuspended suspended(viewport());
        const auto visible = [this] {
            return m_arrangement == LeftToRight ? visibleWidth() : visibleHeight();
        };
        const int before = visible();
        QSize size = layOutAll(changed);
        resizeContents(size.width(), size.height());
        // A scroll bar came or went: the rows fit another width now.
        if (visible() != before) {
            size = layOutAll(changed);
            resizeContents(size.width(), size.height());
        }
    }
    m_arranging = false;
    m_dirty = false;
    rebuildContainers();
    if (update && (!gOptimizeLayout || changed)) viewport()->update();
}

void ZRIconView::arrangeItemsInGrid(const QSize& grid, bool update) {
    if (!m_firstItem) return;
    int gw = grid.width(), gh = grid.height();
    if (gw < 0 || gh < 0) {
        int widest = 0, tallest = 0;
        for (ZRIconViewItem* i = m_firstItem; i; i = i->m_next) {
            widest = std::max(widest, i->width());
            tallest = std::max(tallest, i->height());
        }
        gw = std::max(m_gridX + m_spacing, widest);
        gh = std::max(m_gridY + m_spacing, tallest);
    }
    if (gw <= 0 || gh <= 0) return;
    m_arranging = true;
    int w = 0, h = 0;
    for (ZRIconViewItem* i = m_firstItem; i; i = i->m_next) {
        i->move(i->x() - i->x() % gw, i->y() - i->y() % gh);
        w = std::max(w, i->x() + i->width());
        h = std::max(h, i->y() + i->height());
    }
    m_arranging = false;
    resizeContents(std::max(w, m_contentsWidth), std::max(h, m_contentsHeight));
    rebuildContainers();
    if (update) viewport()->update();
}

void ZRIconView::slotUpdate() {
    if (!m_firstItem || !m_lastItem) return;
    if (m_sortOnInsert) {
        sort(m_sortDirection);
        return;
    }
    bool changed = false;
    const QSize size = layOutAll(changed);
    {
        const ViewportUpdatesSuspended suspended(viewport());
        resizeContents(size.width(), size.height());
    }
    if (isVisible()) m_dirty = false;
    viewport()->update();
    if (m_savedScroll != -1) {
        const int saved = m_savedScroll;
        setContentsPos(m_arrangement == LeftToRight ? contentsX() : saved,
                       m_arrangement == LeftToRight ? saved : contentsY());
    }
}

void ZRIconView::adjustItems() {
    if (m_resizeMode == Adjust) arrangeItemsInGrid(true);
}

void ZRIconView::insertInGrid(ZRIconViewItem* item) {
    if (!item) return;
    if (m_autoArrange) {
        bool changed = false;
        layOutAll(changed);
        return;
    }
    QRegion free(QRect(0, 0, std::max(m_contentsWidth, visibleWidth()),
                       std::max(m_contentsHeight, visibleHeight())));
    int lowest = 0;
    for (ZRIconViewItem* i = m_firstItem; i; i = i->m_next) {
        if (i == item) continue;
        free -= i->rect();
        lowest = std::max(lowest, i->y() + i->height());
    }
    bool placed = false;
    for (const QRect& r : free) {
        if (r.width() < item->width() || r.height() < item->height()) continue;
        const int dx = r.width() >= item->width() + m_spacing ? m_spacing : 0;
        const int dy = r.height() >= item->height() + m_spacing ? m_spacing : 0;
        item->move(r.x() + dx, r.y() + dy);
        placed = true;
        break;
    }
    if (!placed) item->move(m_spacing, lowest + m_spacing);
    item->m_dirty = false;
    resizeContents(std::max(m_contentsWidth, item->x() + item->width()),
                   std::max(m_contentsHeight, item->y() + item->height()));
}

// --- strip index -----------------------------------------------------------------------------

ZRIconViewStrip* ZRIconView::appendStrip() {
    QRect r;
    const bool rows = m_arrangement == LeftToRight;
    if (m_strips.empty()) {
        r = rows ? QRect(0, 0, kStripLength, kStripSize) : QRect(0, 0, kStripSize, kStripLength);
    } else {
        const QRect last = m_strips.back()->rect;
        if ((rows ? last.bottom() : last.right()) > INT_MAX - kStripSize) return nullptr;
        // The next strip starts on the last row (column) of the one before.
        r = rows ? QRect(last.bottomLeft(), QSize(kStripLength, kStripSize))
                 : QRect(last.topRight(), QSize(kStripSize, kStripLength));
    }
    m_strips.push_back(std::make_unique<ZRIconViewStrip>());
    m_strips.back()->rect = r;
    return m_strips.back().get();
}

void ZRIconView::removeFromContainers(ZRIconViewItem* item) {
    for (ZRIconViewStrip* s : {item->m_strip1, item->m_strip2})
        if (s) s->items.removeOne(item);
    item->m_strip1 = item->m_strip2 = nullptr;
}

void ZRIconView::updateItemContainer(ZRIconViewItem* item) {
    if (!item || !isVisible() || m_arranging) return;
    removeFromContainers(item);
    if (m_strips.empty()) appendStrip();
    size_t index = 0;
    if (!placeInStrips(
            m_strips, item, m_arrangement == LeftToRight, index,
            [this] { return appendStrip() != nullptr; }, item->m_strip1, item->m_strip2))
        qWarning("ZRIconViewItem::updateItemContainer(): No fitting container found!");
}

void ZRIconView::rebuildContainers() {
    m_strips.clear();
    appendStrip();
    size_t index = 0;
    for (ZRIconViewItem* i = m_firstItem; i; i = i->m_next) {
        i->m_strip1 = i->m_strip2 = nullptr;
        if (!placeInStrips(
                m_strips, i, m_arrangement == LeftToRight, index,
                [this] { return appendStrip() != nullptr; }, i->m_strip1, i->m_strip2))
            qWarning("ZRIconViewItem::updateItemContainer(): No fitting container found!");
    }
}

ZRIconViewItem* ZRIconView::findItem(const QPoint& pos) const {
    bool met = false;
    for (const auto& s : m_strips) {
        if (!s->rect.contains(pos)) {
            if (met) break;
            continue;
        }
        met = true;
        for (auto it = s->items.crbegin(); it != s->items.crend(); ++it)
            if ((*it)->contains(pos)) return *it;
    }
    return nullptr;
}

ZRIconViewItem* ZRIconView::findVisibleItem(const QRect& r, bool first) const {
    ZRIconViewItem* best = nullptr;
    bool met = false;
    for (const auto& s : m_strips) {
        if (!s->rect.intersects(r)) {
            if (met) break;
            continue;
        }
        met = true;
        for (ZRIconViewItem* i : s->items) {
            if (!i->rect().intersects(r)) continue;
            if (!best ||
                (first ? (i->y() < best->y() || (i->y() == best->y() && i->x() < best->x()))
                       : (i->y() > best->y() || (i->y() == best->y() && i->x() > best->x()))))
                best = i;
        }
    }
    return best;
}

ZRIconViewItem* ZRIconView::findFirstVisibleItem(const QRect& r) const {
    return findVisibleItem(r, true);
}

ZRIconViewItem* ZRIconView::findLastVisibleItem(const QRect& r) const {
    return findVisibleItem(r, false);
}

// --- painting --------------------------------------------------------------------------------

bool ZRIconView::hasViewFocus() const {
    return hasFocus() || viewport()->hasFocus();
}

QPalette ZRIconView::paintPalette() const {
    QPalette p = palette();
    const bool active =
        hasViewFocus() ||
        !style()->styleHint(QStyle::SH_ItemView_ChangeHighlightOnFocus, nullptr, this);
    p.setCurrentColorGroup(active ? QPalette::Active : QPalette::Inactive);
    return p;
}

void ZRIconView::paintEvent(QPaintEvent* e) {
    viewportPaintEvent(e);
}

void ZRIconView::viewportPaintEvent(QPaintEvent* e) {
    const QRect clip = e->rect().intersected(viewport()->rect());
    if (clip.isEmpty()) return;
    QPainter painter(viewport());
    QImage* target = nullptr;
    QPoint offset;
    QImage* composed = hasSkinParent() ? m_skinned->composedImage() : nullptr;
    if (composed && !composed->isNull()) {
        target = composed;
        offset = m_skinned->mapPointToSkinRoot(viewport()->mapTo(m_skinned, QPoint(0, 0)));
        // The skin under translucent items is rebuilt before they are blended again.
        repaintSkinRegion(QRegion(clip.translated(viewport()->mapTo(this, QPoint(0, 0)))));
    } else {
        const QSize need = viewport()->size();
        if (m_ownImage.width() < need.width() || m_ownImage.height() < need.height())
            m_ownImage = QImage(need.expandedTo(m_ownImage.size()), QImage::Format_ARGB32);
        m_ownImage.fill(palette().color(QPalette::Base).rgb() | 0xFF000000u);
        target = &m_ownImage;
    }
    m_paintTarget = target;
    m_targetOffset = offset;
    m_paintClip = clip.translated(offset).intersected(target->rect());

    painter.translate(-contentsX(), -contentsY());
    drawContents(&painter, clip.x() + contentsX(), clip.y() + contentsY(), clip.width(),
                 clip.height());
    painter.resetTransform();

    const QRect source = m_paintClip;
    if (source.size() != clip.size()) painter.fillRect(clip, palette().brush(QPalette::Window));
    if (!source.isEmpty()) drawImageOpaque(painter, source.topLeft() - offset, *target, source);
    m_paintTarget = nullptr;
    m_paintClip = QRect();

    if (m_rubberShown && !m_rubber.isNull()) drawRubber(&painter);
    if (m_dragOutlinesShown && m_dragPos != QPoint(-1, -1)) drawOutlines(painter);
}

void ZRIconView::drawContents(QPainter* painter, int cx, int cy, int cw, int ch) {
    if (!m_paintTarget) return;
    const QRect area(cx, cy, cw, ch);
    const QPalette pal = paintPalette();
    const QPoint offset = m_targetOffset - QPoint(contentsX(), contentsY());
    const QFont f = font();
    // Through the strips. An item listed in two strips that both meet the area is painted from
    // the first only: blending it twice would darken a translucent icon.
    bool met = false;
    for (const auto& s : m_strips) {
        if (!s->rect.intersects(area)) {
            if (met) break;
            continue;
        }
        met = true;
        for (ZRIconViewItem* i : s->items) {
            if (i->m_dirty || !i->rect().intersects(area)) continue;
            if (i->m_strip2 == s.get() && i->m_strip1 && i->m_strip1->rect.intersects(area))
                continue;
            i->paintItem(offset, f, pal);
        }
    }
    if (m_currentItem && hasViewFocus() && !m_currentItem->m_dirty &&
        m_currentItem->rect().intersects(area))
        m_currentItem->paintFocus(painter, pal);
    // The item a drag hovers shows its focus frame too.
    if (m_highlightedItem && m_highlightedItem != m_currentItem && !m_highlightedItem->m_dirty &&
        m_highlightedItem->rect().intersects(area))
        m_highlightedItem->paintFocus(painter, pal);
}

void ZRIconView::drawRubber(QPainter* painter) {
    if (!painter || m_rubber.isNull()) return;
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = m_rubber.normalized().translated(-contentsX(), -contentsY());
    option.backgroundColor = palette().color(QPalette::Base);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, painter, this);
}

void ZRIconView::drawOutlines(QPainter& painter) const {
    const QRect visible = viewport()->rect();
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.backgroundColor = palette().color(QPalette::Base);
    // Only what meets the viewport is drawn: the rectangles come from any drag source.
    const auto frame = [&](const QRect& r) {
        if (!r.intersects(visible)) return;
        option.rect = r.intersected(visible.adjusted(-2, -2, 2, 2));
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    };
    if (m_iconListDrag) {
        for (const ZRIconDragItem& record : m_iconDragData) {
            frame(record.iconRect().translated(m_dragPos));
            frame(record.textRect().translated(m_dragPos));
        }
        return;
    }
    for (int i = 0; i < m_dragItems; ++i) {
        const long long x = m_dragPos.x() + 40LL * i;
        if (x > visible.right()) break;
        frame(QRect(int(x), m_dragPos.y(), 34, 34));
    }
}

// --- size, show, resize ----------------------------------------------------------------------

QSize ZRIconView::minimumSizeHint() const {
    return QSize(100, 100);
}

QSize ZRIconView::sizeHint() const {
    if (!m_firstItem) return QSize(50, 50);
    auto* self = const_cast<ZRIconView*>(this);
    if (m_dirty) {
        self->resizeContents(std::max(400, m_contentsWidth), std::max(400, m_contentsHeight));
        self->arrangeItemsInGrid(false);
    }
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    return QSize(std::min(400, m_contentsWidth + extent), std::min(400, m_contentsHeight + extent));
}

void ZRIconView::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    updateScrollBars();
    if (m_resizeMode == Adjust) {
        gOptimizeLayout = true;
        arrangeItemsInGrid(true);
        gOptimizeLayout = false;
        viewport()->update();
    }
}

void ZRIconView::showEvent(QShowEvent* e) {
    QAbstractScrollArea::showEvent(e);
    if (!m_dirty) return;
    resizeContents(visibleWidth(), visibleHeight());
    if (m_autoArrange)
        arrangeItemsInGrid(false);
    else
        rebuildContainers();
}

void ZRIconView::changeEvent(QEvent* e) {
    QAbstractScrollArea::changeEvent(e);
    switch (e->type()) {
    case QEvent::FontChange:
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
        calcItemsAgain();
        break;
    case QEvent::ActivationChange:
        if (isVisible()) {
            const QPalette p = palette();
            bool differ = false;
            for (int role = 0; role < QPalette::NColorRoles && !differ; ++role) {
                const auto r = QPalette::ColorRole(role);
                differ = p.color(QPalette::Active, r) != p.color(QPalette::Inactive, r);
            }
            if (differ) viewport()->update();
        }
        break;
    default:
        break;
    }
}
