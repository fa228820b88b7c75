#include "browser/ZRIconViewItem.h"

#include "browser/ZRIconView.h"
#include "classes/painting/ZRImagePainting.h"
#include "classes/pixels/ZRPixelRoutines.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QTextDocument>
#include <QTextLayout>

#include <cmath>

namespace {

constexpr uint32_t kSelectedTint = 0xA6150185u;
constexpr uint32_t kTextBackgroundTint = 0xA6DDDDDDu;

// A wrapped caption breaks at spaces and cuts a word only when it alone is wider than the box,
// as the rename editor does. The painter's alignment flags cannot say this: with
// Qt::TextWrapAnywhere set, any character may end a line ("Happy Birth / day!").
QTextOption captionOption(Qt::Alignment alignment, bool wrap) {
    QTextOption option(alignment);
    option.setWrapMode(wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    return option;
}

// The size `text` takes when wrapped as a caption into `width` pixels: the widest line by the
// lines' heights.
QSize wrappedCaptionSize(const QFont& font, int width, const QString& text) {
    QTextLayout layout(text, font);
    layout.setTextOption(captionOption(Qt::AlignHCenter, true));
    qreal height = 0;
    qreal widest = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
        widest = std::max(widest, line.naturalTextWidth());
    }
    layout.endLayout();
    return QSize(int(std::ceil(widest)), int(std::ceil(height)));
}

} // namespace

// --- rename editor ---------------------------------------------------------------------------

ZRIconViewItemLineEdit::ZRIconViewItemLineEdit(const QString& text, QWidget* parent,
                                               ZRIconViewItem* item, const char* name)
    : QTextEdit(parent), m_item(item), m_startText(text) {
    setObjectName(QString::fromLatin1(name));
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAcceptRichText(false);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setLineWrapMode(QTextEdit::FixedPixelWidth);
    ZRIconView* view = item->iconView();
    int wrap = view->maxItemWidth();
    if (view->itemTextPos() == ZRIconView::Right) wrap -= item->pixmapRect().width();
    setLineWrapColumnOrWidth(wrap);
    resize(200, 200);
    setPlainText(text);
    selectAll();
    setAlignment(Qt::AlignCenter);
    document()->setTextWidth(wrap);
    resize(wrap + 2, int(document()->size().height()) + 2);
}

void ZRIconViewItemLineEdit::keyPressEvent(QKeyEvent* e) {
    if (!m_item) return;
    if (e->key() == Qt::Key_Escape) {
        // The item's own setText keeps a subclass's view of the caption in step.
        m_item->ZRIconViewItem::setText(m_startText);
        m_item->cancelRenameItem();
        return;
    }
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        m_item->renameItem();
        return;
    }
    QTextEdit::keyPressEvent(e);
    resize(width(), int(document()->size().height()) + 2);
}

void ZRIconViewItemLineEdit::focusOutEvent(QFocusEvent* e) {
    if (m_item && e->reason() != Qt::PopupFocusReason) {
        m_item->cancelRenameItem();
        return;
    }
    QTextEdit::focusOutEvent(e);
}

// --- item ------------------------------------------------------------------------------------

ZRIconViewItem::ZRIconViewItem(ZRIconView* view) {
    init(view, QString(), nullptr);
}

ZRIconViewItem::ZRIconViewItem(ZRIconView* view, const QString& text, const QImage& icon) {
    init(view, text, icon.isNull() ? nullptr : &icon);
}

void ZRIconViewItem::init(ZRIconView* view, const QString& text, const QImage* icon) {
    m_view = view;
    m_text = text;
    if (icon) m_icon = std::make_unique<QImage>(icon->convertToFormat(QImage::Format_ARGB32));
    if (!m_view) return;
    m_key = m_text;
    m_dirty = true;
    m_wordWrapDirty = true;
    calcRect();
    m_view->insertItem(this);
}

ZRIconViewItem::~ZRIconViewItem() {
    removeRenameBox();
    if (m_view && !m_view->m_clearing) m_view->takeItem(this);
}

void ZRIconViewItem::setRenameEnabled(bool allow) {
    m_renameEnabled = allow;
}

void ZRIconViewItem::setDragEnabled(bool allow) {
    m_dragEnabled = allow;
}

void ZRIconViewItem::setDropEnabled(bool allow) {
    m_dropEnabled = allow;
}

QString ZRIconViewItem::text() const {
    return m_text;
}

QImage* ZRIconViewItem::pixmap() const {
    return m_icon.get();
}

QString ZRIconViewItem::key() const {
    return m_key;
}

void ZRIconViewItem::setSelected(bool select) {
    setSelected(select, false);
}

void ZRIconViewItem::setSelected(bool select, bool keepOthers) {
    if (!m_view || m_view->selectionMode() == ZRIconView::NoSelection || !m_selectable ||
        select == m_selected)
        return;
    ZRIconView* view = m_view;
    const int mode = view->selectionMode();
    if (mode == ZRIconView::Single && view->m_currentItem != this) {
        ZRIconViewItem* old = view->m_currentItem;
        if (old) old->m_selected = false;
        view->m_currentItem = this;
        if (old) old->repaint();
        Q_EMIT view->currentChanged(this);
    }
    if (select && (mode == ZRIconView::Single || (mode == ZRIconView::Extended && !keepOthers))) {
        const bool blocked = view->blockSignals(true);
        view->selectAll(false);
        view->blockSignals(blocked);
    }
    m_selected = select;
    repaint();
    if (!view->signalsBlocked()) {
        Q_EMIT view->selectionChanged();
        if (mode == ZRIconView::Single && select) Q_EMIT view->selectionChanged(this);
    }
}

void ZRIconViewItem::setSelectable(bool allow) {
    m_selectable = allow;
}

void ZRIconViewItem::repaint() {
    if (m_view) m_view->repaintItem(this);
}

bool ZRIconViewItem::move(const QPoint& pos) {
    return move(pos.x(), pos.y());
}

bool ZRIconViewItem::move(int x, int y) {
    if (x == this->x() && y == this->y()) return false;
    m_itemRect.moveTo(x, y);
    checkRect();
    if (m_view) m_view->updateItemContainer(this);
    return true;
}

void ZRIconViewItem::moveBy(const QPoint& delta) {
    moveBy(delta.x(), delta.y());
}

void ZRIconViewItem::moveBy(int dx, int dy) {
    m_itemRect.translate(dx, dy);
    checkRect();
    if (m_view) m_view->updateItemContainer(this);
}

bool ZRIconViewItem::acceptDrop(const QMimeData*) const {
    return false;
}

int ZRIconViewItem::compare(ZRIconViewItem* other) const {
    return QString::localeAwareCompare(key(), other->key());
}

void ZRIconViewItem::setText(const QString& text, bool recalc, bool redraw) {
    const QRect old = m_itemRect;
    m_text = text;
    m_wordWrapDirty = true;
    if (recalc) calcRect();
    if (redraw) repaintChange(old);
}

void ZRIconViewItem::setText(const QString& text) {
    if (text == m_text) return;
    m_wordWrapDirty = true;
    m_text = text;
    if (m_key.isEmpty()) m_key = m_text;
    const QRect old = m_itemRect;
    calcRect();
    repaintChange(old);
}

void ZRIconViewItem::setPixmap(const QImage& icon, bool recalc, bool redraw) {
    const QRect old = m_itemRect;
    m_icon = std::make_unique<QImage>(icon.convertToFormat(QImage::Format_ARGB32));
    if (recalc) calcRect();
    if (redraw) repaintChange(old);
}

void ZRIconViewItem::setPixmap(const QImage& icon) {
    setPixmap(icon, true, true);
}

void ZRIconViewItem::repaintChange(const QRect& oldRect) {
    if (!m_view) return;
    const QRect changed = oldRect.united(m_itemRect).adjusted(-1, -1, 1, 1);
    const QRect visible(m_view->contentsX(), m_view->contentsY(), m_view->visibleWidth(),
                        m_view->visibleHeight());
    if (changed.intersects(visible)) m_view->repaintContents(changed);
}

void ZRIconViewItem::setKey(const QString& key) {
    if (key == m_key) return;
    m_key = key;
}

void* ZRIconViewItem::picture() const {
    return nullptr;
}

void ZRIconViewItem::removeRenameBox() {
    if (!m_renameBox) return;
    ZRIconViewItemLineEdit* box = m_renameBox;
    m_renameBox = nullptr;
    const bool hadFocus = box->hasFocus();
    box->detach();
    // The editor may be inside its own key or focus handler: delete it once that returns.
    box->hide();
    box->deleteLater();
    if (m_view && m_view->viewport()->focusProxy() == box) {
        m_view->viewport()->setFocusProxy(m_view);
        if (hadFocus) m_view->setFocus();
    }
}

void ZRIconViewItem::calcTmpText() {
    if (!m_view || m_view->wordWrapIconText() || !m_wordWrapDirty) return;
    m_wordWrapDirty = false;
    const QFontMetrics fm = m_view->fontMetrics();
    int w = m_view->maxItemWidth();
    if (m_view->itemTextPos() == ZRIconView::Right) w -= m_iconRect.width();
    if (fm.horizontalAdvance(m_text) < w) {
        m_shownText = m_text;
        return;
    }
    QString shown = QStringLiteral("...");
    for (const QChar c : m_text) {
        if (fm.horizontalAdvance(shown + c) >= w) break;
        shown += c;
    }
    shown.remove(0, 3);
    shown += QStringLiteral("...");
    m_shownText = shown;
}

void ZRIconViewItem::calcRect(const QString& text) {
    if (!m_view) return;
    m_wordWrapDirty = true;
    const QImage& image = m_icon ? *m_icon : ZRIconView::defaultImage();
    QRect icon(0, 0, image.width() + 2, image.height() + 2);
    m_iconRect = icon;
    calcTmpText();

    const bool wrap = m_view->wordWrapIconText();
    const bool right = m_view->itemTextPos() == ZRIconView::Right;
    QString measured = text;
    if (measured.isEmpty()) measured = wrap ? m_text : m_shownText;
    const QFontMetrics fm = m_view->fontMetrics();
    const int maxWidth = m_view->maxItemWidth() - (right ? icon.width() : 0);
    QRect caption;
    if (wrap) {
        caption = QRect(QPoint(0, 0), wrappedCaptionSize(m_view->font(), maxWidth - 4, measured));
    } else {
        caption = QRect(0, 0, fm.horizontalAdvance(measured) + 4, fm.height());
    }
    if (caption.width() > maxWidth) caption.setWidth(maxWidth);
    const int minimum = fm.horizontalAdvance(QLatin1Char('X'));
    if (caption.width() < minimum) caption.setWidth(minimum);

    int w, h;
    if (!right) {
        w = std::max(icon.width(), caption.width());
        h = icon.height() + caption.height() + 1;
        caption.moveTo((w - caption.width()) / 2, h - caption.height());
        icon.moveTo((w - icon.width()) / 2, 0);
    } else {
        w = icon.width() + caption.width() + 1;
        h = std::max(icon.height(), caption.height());
        caption.moveTo(w - caption.width(), (h - caption.height()) / 2);
        icon.moveTo(0, (h - icon.height()) / 2);
    }
    m_itemRect = QRect(m_itemRect.x(), m_itemRect.y(), w, h);
    m_textRect = caption;
    m_iconRect = icon;
    m_view->updateItemContainer(this);
}

void ZRIconViewItem::paintItem(const QPoint& offset, const QFont& font, const QPalette& palette) {
    if (!m_view) return;
    QImage* target = m_view->paintTarget();
    if (!target) return;
    const QRect clip = m_view->paintClip();
    if (clip.isEmpty()) return;
    const bool selectedWithFocus = m_selected && m_view->hasViewFocus();

    if (m_icon) {
        QPoint at;
        if (m_view->itemTextPos() == ZRIconView::Right)
            at = pos() + m_iconRect.topLeft() + QPoint(1, 1);
        else
            at = QPoint(x() + (width() - m_icon->width()) / 2, y());
        at += offset;
        const QRect drawn = QRect(at, m_icon->size()).intersected(clip);
        if (!drawn.isEmpty()) {
            blendImageAt(*target, drawn.topLeft(), *m_icon, drawn.translated(-at));
            if (selectedWithFocus) tintImageRect(*target, drawn, kSelectedTint);
        }
    }

    const QRect text = textRect(false).translated(offset);
    const QRect textClip = text.intersected(clip);
    if (textClip.isEmpty()) return;
    QColor pen(Qt::black);
    if (selectedWithFocus) {
        tintImageRect(*target, textClip, kSelectedTint);
        pen = palette.color(QPalette::HighlightedText);
    } else if (m_view->itemTextBackground().style() != Qt::NoBrush) {
        tintImageRect(*target, textClip, kTextBackgroundTint);
    }
    const bool wrap = m_view->wordWrapIconText();
    const Qt::Alignment alignment = m_view->itemTextPos() == ZRIconView::Bottom
                                        ? Qt::AlignHCenter | Qt::AlignTop
                                        : Qt::AlignLeft | Qt::AlignTop;
    QPainter p(target);
    p.setClipRect(textClip);
    p.setFont(font);
    p.setPen(pen);
    p.drawText(QRectF(text), wrap ? m_text : m_shownText, captionOption(alignment, wrap));
}

void ZRIconViewItem::paintFocus(QPainter* painter, const QPalette& palette) {
    if (!m_view) return;
    QImage* target = m_view->paintTarget();
    if (!target) return;
    const QRect inViewport = painter->transform().mapRect(textRect(false));
    if (!inViewport.intersects(m_view->viewport()->rect())) return;
    const QRect at = inViewport.translated(m_view->viewportToTargetOffset());
    const QRect part = at.intersected(m_view->paintClip());
    if (part.isEmpty()) return;
    QImage frame = target->copy(part).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    {
        QPainter p(&frame);
        QStyleOptionFocusRect option;
        option.initFrom(m_view);
        option.rect = at.translated(-part.topLeft());
        option.palette = palette;
        if (m_selected) {
            option.backgroundColor = palette.color(QPalette::Highlight);
            option.state |= QStyle::State_FocusAtBorder;
        } else {
            option.backgroundColor = palette.color(QPalette::Base);
        }
        m_view->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &p, m_view);
    }
    frame = frame.convertToFormat(QImage::Format_ARGB32);
    setAlphaInRect(frame, frame.rect(), 255);
    copyImageAt(*target, part.topLeft(), frame);
}

void ZRIconViewItem::dropped(QDropEvent*, const QList<ZRIconDragItem>&) {}

void ZRIconViewItem::dragEntered() {}

void ZRIconViewItem::dragLeft() {}

QRect ZRIconViewItem::textRect(bool relative) const {
    return relative ? m_textRect : m_textRect.translated(pos());
}

QRect ZRIconViewItem::pixmapRect(bool relative) const {
    return relative ? m_iconRect : m_iconRect.translated(pos());
}

bool ZRIconViewItem::contains(const QPoint& point) const {
    return textRect(false).contains(point) || pixmapRect(false).contains(point);
}

bool ZRIconViewItem::intersects(const QRect& r) const {
    return textRect(false).intersects(r) || pixmapRect(false).intersects(r);
}

void ZRIconViewItem::rename() {
    if (!m_view) return;
    removeRenameBox();
    m_oldRect = m_itemRect;
    QWidget* viewport = m_view->viewport();
    m_renameBox = new ZRIconViewItemLineEdit(m_text, viewport, this);
    const QRect text = textRect(false);
    const QPoint at(text.x() + text.width() / 2 - m_renameBox->width() / 2, text.y() - 3);
    m_renameBox->move(m_view->contentsToViewport(at));
    m_renameBox->selectAll();
    viewport->setFocusProxy(m_renameBox);
    m_renameBox->setFocus();
    m_renameBox->show();
}

void ZRIconViewItem::renameItem() {
    if (!m_renameBox || !m_view) return;
    ZRIconView* view = m_view;
    if (!view->wordWrapIconText()) {
        m_wordWrapDirty = true;
        calcRect();
    }
    const QRect boxArea(view->viewportToContents(m_renameBox->pos()), m_renameBox->size());
    setText(m_renameBox->toPlainText());
    view->repaintContents(boxArea.adjusted(-1, -1, 1, 1));
    view->repaintContents(m_oldRect.adjusted(-1, -1, 1, 1));
    removeRenameBox();
    Q_EMIT view->itemRenamed(this, m_text);
    Q_EMIT view->itemRenamed(this);
}

void ZRIconViewItem::cancelRenameItem() {
    if (!m_view) return;
    const QRect before = m_itemRect;
    calcRect();
    if (m_renameBox) {
        const QRect boxArea(m_view->viewportToContents(m_renameBox->pos()), m_renameBox->size());
        m_view->repaintContents(boxArea.adjusted(-1, -1, 1, 1));
    }
    m_view->repaintContents(before.adjusted(-1, -1, 1, 1));
    removeRenameBox();
}

void ZRIconViewItem::checkRect() {
    int x = m_itemRect.x(), y = m_itemRect.y();
    if (x >= 0 && y >= 0) return;
    m_itemRect.moveTo(std::max(x, 0), std::max(y, 0));
}
