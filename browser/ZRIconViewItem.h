#pragma once

#include "editor/ZRIconDrag.h"

#include <QImage>
#include <QList>
#include <QPalette>
#include <QRect>
#include <QString>
#include <QTextEdit>

#include <memory>

class QDropEvent;
class QFont;
class QMimeData;
class QPainter;
class ZRIconView;
class ZRIconViewItem;
struct ZRIconViewStrip;

/// The in-place rename editor of an icon view item ("qt_renamebox"): a boxed text edit on the
/// view's viewport that holds its item and the caption at the start of the rename. Escape
/// restores that caption and cancels, Return or Enter accept, losing the focus (not to a popup)
/// cancels; the editor grows with its text. GUI thread only.
class ZRIconViewItemLineEdit : public QTextEdit {
    Q_OBJECT
public:
    ZRIconViewItemLineEdit(const QString& text, QWidget* parent, ZRIconViewItem* item,
                           const char* name = "qt_renamebox");

    ZRIconViewItem* item() const { return m_item; }
    QString startText() const { return m_startText; }
    /// Cuts the editor loose from its item, which is closing it: later keys and focus changes
    /// reach no item.
    void detach() { m_item = nullptr; }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    ZRIconViewItem* m_item;
    QString m_startText;
};

/// One entry of a ZRIconView: caption, sort key, an owned 32-bit icon (or none, when the view's
/// shared default image gives only the size), its rectangles in contents coordinates (text and
/// icon rectangles relative to the item's top-left), selection and permission flags and the
/// rename editor. A view owns its items: constructing an item with a view appends it there, and
/// deleting it takes it out. Without a view an item computes, paints and renames nothing.
/// GUI thread only.
class ZRIconViewItem {
public:
    explicit ZRIconViewItem(ZRIconView* view);
    ZRIconViewItem(ZRIconView* view, const QString& text, const QImage& icon = QImage());
    ZRIconViewItem(const ZRIconViewItem&) = delete;
    ZRIconViewItem& operator=(const ZRIconViewItem&) = delete;

    /// Takes the item out of its view (unless the view is clearing) and closes its editor.
    virtual ~ZRIconViewItem();
    virtual void setRenameEnabled(bool allow);
    virtual void setDragEnabled(bool allow);
    virtual void setDropEnabled(bool allow);
    virtual QString text() const;
    /// The owned icon, or null.
    virtual QImage* pixmap() const;
    virtual QString key() const;
    virtual void setSelected(bool select);
    /// Ignored without a view, in NoSelection mode, for an unselectable item or when nothing
    /// would change. In Single mode the item becomes current first; selecting in Single mode, or
    /// in Extended mode without `keepOthers`, clears the rest of the selection silently. Emits
    /// the view's selectionChanged() (and selectionChanged(item) for a Single selection) unless
    /// its signals are blocked.
    virtual void setSelected(bool select, bool keepOthers);
    virtual void setSelectable(bool allow);
    /// Asks the view to repaint the item.
    virtual void repaint();
    virtual bool move(const QPoint& pos);
    /// False when the position is unchanged; otherwise moves (negative coordinates become 0) and
    /// updates the view's strip index.
    virtual bool move(int x, int y);
    virtual void moveBy(const QPoint& delta);
    virtual void moveBy(int dx, int dy);
    /// Whether a drop of `mime` onto the item is welcome; the base answers false.
    virtual bool acceptDrop(const QMimeData* mime) const;
    /// Locale-aware comparison of the keys; negative when this item sorts first.
    virtual int compare(ZRIconViewItem* other) const;
    /// Stores the caption (not the key); recomputes and repaints as asked.
    virtual void setText(const QString& text, bool recalc, bool redraw);
    /// When the caption changes: stores it (and as the key while that is empty), recomputes the
    /// rectangles and repaints the old and new place.
    virtual void setText(const QString& text);
    virtual void setPixmap(const QImage& icon, bool recalc, bool redraw);
    /// Replaces the icon by an owned copy; recomputes and repaints as setText does.
    virtual void setPixmap(const QImage& icon);
    virtual void setKey(const QString& key);
    /// A null pointer: items hold no pictures.
    virtual void* picture() const;
    /// Deletes the editor; the view takes back the focus it had given it.
    virtual void removeRenameBox();
    /// Recomputes the shortened caption and the rectangles for `text` (the caption when empty),
    /// keeping the top-left corner, and updates the view's strip index.
    virtual void calcRect(const QString& text = QString());
    /// Paints the icon and caption into the view's paint target, `offset` added to contents
    /// coordinates, clipped to the view's paint clip.
    virtual void paintItem(const QPoint& offset, const QFont& font, const QPalette& palette);
    /// Draws the style's focus frame round the text rectangle into the paint target; `painter`
    /// maps contents coordinates to the viewport.
    virtual void paintFocus(QPainter* painter, const QPalette& palette);
    /// A drop of decoded icon-list records onto the item; the base does nothing.
    virtual void dropped(QDropEvent* e, const QList<ZRIconDragItem>& list);
    virtual void dragEntered();
    virtual void dragLeft();

    ZRIconView* iconView() const { return m_view; }
    ZRIconViewItem* prevItem() const { return m_prev; }
    ZRIconViewItem* nextItem() const { return m_next; }
    bool renameEnabled() const { return m_renameEnabled; }
    bool dragEnabled() const { return m_dragEnabled; }
    bool dropEnabled() const { return m_dropEnabled; }
    bool isSelected() const { return m_selected; }
    bool isSelectable() const { return m_selectable; }
    bool isDirty() const { return m_dirty; }
    /// The caption as drawn when the view does not word-wrap (possibly shortened with "...").
    QString shownText() const { return m_shownText; }
    QRect rect() const { return m_itemRect; }
    int x() const { return m_itemRect.x(); }
    int y() const { return m_itemRect.y(); }
    int width() const { return m_itemRect.width(); }
    int height() const { return m_itemRect.height(); }
    QSize size() const { return m_itemRect.size(); }
    QPoint pos() const { return m_itemRect.topLeft(); }
    QRect textRect(bool relative = true) const;
    QRect pixmapRect(bool relative = true) const;
    /// True when the point lies in the icon or the text rectangle.
    bool contains(const QPoint& point) const;
    /// True when the rectangle meets the icon or the text rectangle.
    bool intersects(const QRect& rect) const;
    /// Opens the rename editor over the caption.
    void rename();
    /// Takes the editor's text as the caption and emits the view's itemRenamed signals.
    void renameItem();
    /// Closes the editor without a change and without a signal.
    void cancelRenameItem();
    ZRIconViewItemLineEdit* renameBox() const { return m_renameBox; }

protected:
    /// Recomputes the shortened caption when the view does not word-wrap and it is stale.
    void calcTmpText();
    /// Moves the item back to non-negative coordinates.
    void checkRect();

private:
    friend class ZRIconView;
    void init(ZRIconView* view, const QString& text, const QImage* icon);
    void setItemRect(const QRect& r) { m_itemRect = r; }
    void setTextRect(const QRect& r) { m_textRect = r; }
    void setPixmapRect(const QRect& r) { m_iconRect = r; }
    /// The old and new rectangles, grown by one pixel, repainted where visible.
    void repaintChange(const QRect& oldRect);

    ZRIconView* m_view = nullptr;
    QString m_text;
    QString m_key;
    QString m_shownText;
    std::unique_ptr<QImage> m_icon;
    ZRIconViewItem* m_prev = nullptr;
    ZRIconViewItem* m_next = nullptr;
    bool m_renameEnabled = false;
    bool m_dragEnabled = true;
    bool m_dropEnabled = true;
    bool m_selected = false;
    bool m_selectable = true;
    bool m_dirty = false;
    bool m_wordWrapDirty = false;
    QRect m_itemRect{-1, -1, 0, 0};
    QRect m_textRect;
    QRect m_iconRect;
    ZRIconViewItemLineEdit* m_renameBox = nullptr;
    QRect m_oldRect;
    ZRIconViewStrip* m_strip1 = nullptr;
    ZRIconViewStrip* m_strip2 = nullptr;
};
