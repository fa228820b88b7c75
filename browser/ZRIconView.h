#pragma once

#include "editor/ZRIconDrag.h"
#include "classes/widgets/ZRSkinDrawingView.h"

#include <QAbstractScrollArea>
#include <QBrush>
#include <QFontMetrics>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QSet>
#include <QString>

#include <memory>
#include <vector>

class QDrag;
class QDragEnterEvent;
class QDragLeaveEvent;
class QDragMoveEvent;
class QDropEvent;
class QMimeData;
class QTimer;
class ZRIconViewItem;
class QSBWidget;

/// One band of the strip index: a rectangle 300 pixels high (wide for TopToBottom) and the items
/// that touch it, in list order.
struct ZRIconViewStrip {
    QRect rect;
    QList<ZRIconViewItem*> items;
};

/// The scrolling view of icons with captions under every browser page. It owns a doubly linked
/// list of ZRIconViewItems, lays them out in rows (LeftToRight) or columns (TopToBottom), keeps a
/// strip index of 300-pixel bands for hit testing and repainting, and handles selection in four
/// modes, keys, type-ahead search, rubber bands, drags out ("application/x-zriconlist") and
/// drops, and in-place renaming.
///
/// Items live in contents coordinates; the scroll bars give the contents position. On a
/// QSBWidget parent the view has no background of its own: each paint composes the parent's
/// skin under the viewport into the parent's composed image, blends the items into it and
/// presents it, so translucent skin pixels under items are rebuilt every time. Without a skinned
/// parent it composes into an image of its own filled with the palette's Base. Painting happens
/// only in the viewport's paint event; repaints of parts are scheduled updates. The rubber band,
/// drag outlines and focus frame are state drawn each paint.
///
/// The view never keeps a pointer to an item it no longer lists: taking or clearing items forgets
/// every reference (current, anchor, pressed, drag and highlighted items, the item a rubber band
/// set aside, the Ctrl set) and closes an open editor.
///
/// GUI thread only.
class ZRIconView : public QAbstractScrollArea, public ZRSkinDrawingView {
    Q_OBJECT
public:
    enum SelectionMode { Single = 0, Multi = 1, Extended = 2, NoSelection = 3 };
    enum ItemTextPos { Bottom = 0, Right = 1 };
    enum Arrangement { LeftToRight = 0, TopToBottom = 1 };
    enum ResizeMode { Fixed = 0, Adjust = 1 };
    enum ComparisonFlag {
        CaseSensitive = 1,
        BeginsWith = 2,
        EndsWith = 4,
        Contains = 8,
        ExactMatch = 16
    };
    /// Height (LeftToRight) or width (TopToBottom) of one strip of the index.
    static constexpr int kStripSize = 300;
    /// The length of a strip along the flow.
    static constexpr int kStripLength = 2147483646;
    /// The default font, as a font tag.
    static constexpr char kFontTag[] = "<name>MS Sans Serif</name><size>8</size>";

    /// On a QSBWidget parent the view draws on its skin and registers with it.
    explicit ZRIconView(QWidget* parent = nullptr, const char* name = nullptr,
                        Qt::WindowFlags f = {});
    /// Deletes the remaining items.
    ~ZRIconView() override;

    // 1-40: the operations subclasses override.
    /// Links `item` after `after` (at the end when null); lays it out at once when visible.
    virtual void insertItem(ZRIconViewItem* item, ZRIconViewItem* after = nullptr);
    /// Unlinks without deleting (items call it from their destructor) and forgets every
    /// reference to the item; its previous (else next) item becomes current.
    virtual void takeItem(ZRIconViewItem* item);
    virtual void setCurrentItem(ZRIconViewItem* item);
    virtual void setSelected(ZRIconViewItem* item, bool select, bool keepOthers = false);
    virtual void setSelectionMode(int mode);
    virtual void selectAll(bool select);
    virtual void clearSelection();
    virtual void invertSelection();
    /// Schedules the repaint of the item's rectangle when it is laid out and visible.
    virtual void repaintItem(ZRIconViewItem* item);
    /// Deletes every item and strip, forgetting every item reference; contents become 0 x 0.
    virtual void clear();
    /// Negative grid values are stored as -1 (no grid).
    virtual void setGridX(int rx);
    virtual void setGridY(int ry);
    virtual void setSpacing(int sp);
    /// 0 Bottom or 1 Right; other values are ignored.
    virtual void setItemTextPos(int pos);
    virtual void setItemTextBackground(const QBrush& brush);
    virtual void setArrangement(int arrangement);
    virtual void setResizeMode(int mode);
    virtual void setMaxItemWidth(int w);
    virtual void setMaxItemTextLength(int w);
    virtual void setAutoArrange(bool b);
    virtual void setShowToolTips(bool b);
    virtual void setItemsMovable(bool b);
    virtual void setWordWrapIconText(bool b);
    virtual void sort(bool ascending = true);
    virtual void repaintSkinRect(int x, int y, int w, int h);
    /// With a skinned parent: composes the parent's background under `region` (view
    /// coordinates). Otherwise nothing.
    virtual void repaintSkinRegion(const QRegion& region);

public Q_SLOTS:
    virtual void arrangeItemsInGrid(bool update = true);
    virtual void arrangeItemsInGrid(const QSize& grid, bool update = true);
    virtual void updateContents();
    virtual void doAutoScroll();
    virtual void adjustItems();
    virtual void slotUpdate();
    /// Scrolls so that contents point (x, y) is at the viewport's top-left corner.
    void setContentsPos(int x, int y);

public:
    virtual void drawRubber(QPainter* painter);
    /// The drag of the current item or the selection: a ZRIconDrag with the current icon as its
    /// pixmap; null without a current item.
    virtual QDrag* dragObject();
    virtual void startDrag();
    virtual void insertInGrid(ZRIconViewItem* item);
    virtual void drawSkinBackground(QPainter* painter, const QRect& rect);
    virtual bool hasSkinParent() const;
    virtual void drawDragShapes(const QPoint& pos);
    virtual void initDragEnter(QDropEvent* e);

    // Skin drawing for the style's scroll bars.
    bool drawsOnSkin() const override { return hasSkinParent(); }
    void composeParentRegion(const QRegion& region) override { repaintSkinRegion(region); }

    ZRIconViewItem* firstItem() const { return m_firstItem; }
    ZRIconViewItem* lastItem() const { return m_lastItem; }
    ZRIconViewItem* currentItem() const { return m_currentItem; }
    int count() const { return m_count; }
    int selectionMode() const { return m_selectionMode; }
    int gridX() const { return m_gridX; }
    int gridY() const { return m_gridY; }
    int spacing() const { return m_spacing; }
    int itemTextPos() const { return m_itemTextPos; }
    QBrush itemTextBackground() const { return m_itemTextBackground; }
    int arrangement() const { return m_arrangement; }
    int resizeMode() const { return m_resizeMode; }
    /// gridX - 2 when a grid width is set, else the stored width.
    int maxItemWidth() const { return m_gridX >= 0 ? m_gridX - 2 : m_maxItemWidth; }
    int maxItemTextLength() const { return m_maxItemTextLength; }
    bool autoArrange() const { return m_autoArrange; }
    bool showToolTips() const { return m_showToolTips; }
    bool itemsMovable() const { return m_itemsMovable; }
    bool wordWrapIconText() const { return m_wordWrapIconText; }
    bool sortDirection() const { return m_sortDirection; }
    bool isDirty() const { return m_dirty; }
    bool isRenaming() const;

    /// The item whose icon or text rectangle holds the contents point, found through the strips.
    ZRIconViewItem* findItem(const QPoint& pos) const;
    /// The first item from the current one on (wrapping round) whose text passes any test of
    /// `flags` (ComparisonFlag); 0 and CaseSensitive alone mean ExactMatch.
    ZRIconViewItem* findItem(const QString& text, int flags = BeginsWith) const;
    ZRIconViewItem* findFirstVisibleItem(const QRect& r) const;
    ZRIconViewItem* findLastVisibleItem(const QRect& r) const;
    void ensureItemVisible(ZRIconViewItem* item);

    int contentsX() const;
    int contentsY() const;
    int contentsWidth() const { return m_contentsWidth; }
    int contentsHeight() const { return m_contentsHeight; }
    int visibleWidth() const;
    int visibleHeight() const;
    void resizeContents(int w, int h);
    QPoint viewportToContents(const QPoint& p) const;
    QPoint contentsToViewport(const QPoint& p) const;
    /// Schedules a repaint of a contents rectangle.
    void repaintContents(const QRect& r);
    void repaintContents(int x, int y, int w, int h) { repaintContents(QRect(x, y, w, h)); }

    /// The strips of the index, first to last.
    const std::vector<std::unique_ptr<ZRIconViewStrip>>& strips() const { return m_strips; }
    /// The shared 32 x 32 default icon; items without an icon take its size.
    static const QImage& defaultImage();

    /// While a paint runs: the image items draw into, the offset from viewport to image
    /// coordinates, and the clip (image coordinates). Null outside a paint.
    QImage* paintTarget() const { return m_paintTarget; }
    QPoint viewportToTargetOffset() const { return m_targetOffset; }
    QRect paintClip() const { return m_paintClip; }
    /// True when the view or its viewport has the focus.
    bool hasViewFocus() const;
    /// The rubber band (contents coordinates), null when none.
    QRect rubberBand() const { return m_rubber; }
    /// Where drag outlines are drawn (viewport coordinates), (-1, -1) when none.
    QPoint dragOutlinePoint() const { return m_dragPos; }
    /// The items the view still refers to, for checks that nothing dangles.
    QList<ZRIconViewItem*> referencedItems() const;

Q_SIGNALS:
    void selectionChanged();
    void selectionChanged(ZRIconViewItem* item);
    void currentChanged(ZRIconViewItem* item);
    void clicked(ZRIconViewItem* item);
    void clicked(ZRIconViewItem* item, const QPoint& pos);
    void pressed(ZRIconViewItem* item);
    void pressed(ZRIconViewItem* item, const QPoint& pos);
    void doubleClicked(ZRIconViewItem* item);
    void returnPressed(ZRIconViewItem* item);
    void rightButtonClicked(ZRIconViewItem* item, const QPoint& pos);
    void rightButtonPressed(ZRIconViewItem* item, const QPoint& pos);
    void mouseButtonPressed(int button, ZRIconViewItem* item, const QPoint& pos);
    void mouseButtonClicked(int button, ZRIconViewItem* item, const QPoint& pos);
    void contextMenuRequested(ZRIconViewItem* item, const QPoint& pos);
    void dropped(QDropEvent* e, const QList<ZRIconDragItem>& list);
    void moved();
    void onItem(ZRIconViewItem* item);
    void onViewport();
    void itemRenamed(ZRIconViewItem* item, const QString& text);
    void itemRenamed(ZRIconViewItem* item);

public:
    /// 50 x 50 without items; else the contents (laid out first when dirty) plus the scroll
    /// bar extent, each at most 400.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool eventFilter(QObject* o, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    /// Font, palette and style changes recompute every item; activation changes repaint.
    void changeEvent(QEvent* e) override;
    bool viewportEvent(QEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

    /// The paint of the viewport: composes the background, draws the contents, presents.
    virtual void viewportPaintEvent(QPaintEvent* e);
    /// Paints the items meeting the contents rectangle into the paint target, then the focus
    /// frame; `painter` maps contents coordinates to the viewport.
    virtual void drawContents(QPainter* painter, int cx, int cy, int cw, int ch);
    // Mouse and drag handlers in contents coordinates.
    virtual void contentsMousePressEvent(QMouseEvent* e);
    virtual void contentsMouseReleaseEvent(QMouseEvent* e);
    virtual void contentsMouseMoveEvent(QMouseEvent* e);
    virtual void contentsMouseDoubleClickEvent(QMouseEvent* e);
    virtual void contentsContextMenuEvent(QContextMenuEvent* e);
    virtual void contentsDragEnterEvent(QDragEnterEvent* e);
    virtual void contentsDragMoveEvent(QDragMoveEvent* e);
    virtual void contentsDragLeaveEvent(QDragLeaveEvent* e);
    virtual void contentsDropEvent(QDropEvent* e);
    /// Shows the full caption of a shortened item under the viewport point.
    virtual void maybeTip(const QPoint& viewportPos, const QPoint& globalPos);

    /// Lists `item` in the strips it touches (when visible and not arranging).
    void updateItemContainer(ZRIconViewItem* item);
    void rebuildContainers();
    /// Selects from the type-ahead search.
    void findItemByName(const QString& text);
    /// Whether the type-ahead timer is running.
    bool typeAheadActive() const;
    QString typeAheadString() const { return m_typeAhead; }

private Q_SLOTS:
    void clearInputString();
    void movedContents(int x, int y);

private:
    friend class ZRIconViewItem;

    void removeFromContainers(ZRIconViewItem* item);
    ZRIconViewStrip* appendStrip();
    ZRIconViewItem* makeRowLayout(ZRIconViewItem* begin, int& y, bool& changed);
    QSize layOutAll(bool& changed);
    ZRIconViewItem* findVisibleItem(const QRect& r, bool first) const;
    void calcItemsAgain();
    void forgetItem(ZRIconViewItem* item);
    QPalette paintPalette() const;
    void updateScrollBars();
    void selectByRubber(const QRect& oldRubber);
    void handleItemChange(ZRIconViewItem* old, bool shift, bool control);
    ZRIconViewItem* rowNeighbour(ZRIconViewItem* from, bool before) const;
    ZRIconViewItem* pageNeighbour(ZRIconViewItem* from, bool before) const;
    void drawOutlines(QPainter& painter) const;
    void eraseDragShapes();
    void emitPressSignals(QMouseEvent* e, ZRIconViewItem* item);
    void stopAutoScroll();

    // Item list and the items the view refers to.
    ZRIconViewItem* m_firstItem = nullptr;
    ZRIconViewItem* m_lastItem = nullptr;
    int m_count = 0;
    ZRIconViewItem* m_currentItem = nullptr;
    ZRIconViewItem* m_anchorItem = nullptr;
    ZRIconViewItem* m_pressedItem = nullptr;
    ZRIconViewItem* m_startDragItem = nullptr;
    ZRIconViewItem* m_tmpCurrentItem = nullptr;
    ZRIconViewItem* m_highlightedItem = nullptr;
    QSet<ZRIconViewItem*> m_selectedAtBandStart;

    // Settings.
    int m_selectionMode = Single;
    int m_gridX = -1;
    int m_gridY = -1;
    int m_spacing = 5;
    int m_itemTextPos = Bottom;
    QBrush m_itemTextBackground{Qt::NoBrush};
    int m_arrangement = LeftToRight;
    int m_resizeMode = Fixed;
    int m_maxItemWidth = 100;
    int m_maxItemTextLength = 255;
    bool m_autoArrange = true;
    bool m_showToolTips = true;
    bool m_itemsMovable = false;
    bool m_wordWrapIconText = true;
    bool m_sortDirection = true;
    bool m_sortOnInsert = false;

    // State.
    bool m_dirty = false;
    bool m_mousePressed = false;
    bool m_dragging = false;
    bool m_pressedSelected = false;
    bool m_rubberShown = false;
    bool m_dragOutlinesShown = false;
    bool m_iconListDrag = false;
    bool m_dropAccepted = false;
    bool m_dropped = false;
    bool m_arranging = false;
    bool m_clearing = false;
    bool m_contextMenu = false;
    bool m_movedOnPress = false;
    bool m_clearedDuringDrag = false;
    bool m_skinParent = false;
    QRect m_rubber;
    QPoint m_rubberStart;
    QPoint m_rubberEnd;
    QPoint m_lastMousePos;
    QPoint m_dragStart;
    QPoint m_dragStartInItem;
    QPoint m_dragPos{-1, -1};
    int m_dragItems = 0;
    QList<ZRIconDragItem> m_iconDragData;
    QString m_typeAhead;
    QTimer* m_inputTimer = nullptr;
    QTimer* m_scrollTimer = nullptr;
    int m_cachedW = 0;
    int m_cachedH = 0;
    int m_contentsWidth = 0;
    int m_contentsHeight = 0;
    int m_savedScroll = -1;
    ZRIconViewItem* m_lastOnItem = nullptr;
    std::vector<std::unique_ptr<ZRIconViewStrip>> m_strips;
    QPointer<QSBWidget> m_skinned;
    QImage m_ownImage;

    // Paint state, valid inside a paint event only.
    QImage* m_paintTarget = nullptr;
    QPoint m_targetOffset;
    QRect m_paintClip;
};
