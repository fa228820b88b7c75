#include "classes/widgets/QSBWidget.h"

#include "classes/painting/ZRImagePainting.h"
#include "classes/painting/ZROpaqueImage.h"
#include "classes/pixels/ZRPixelRoutines.h"

#include <QEvent>
#include <QLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

namespace {

constexpr int kGrowthMargin = 100;

QImage to32Bit(const QImage& image) {
    return image.format() == QImage::Format_ARGB32 ? image
                                                   : image.convertToFormat(QImage::Format_ARGB32);
}

// Calls `update()` on `widget` even while its updates are blocked, and leaves them blocked.
void forceUpdate(QWidget* widget) {
    if (widget->updatesEnabled()) {
        widget->update();
        return;
    }
    widget->setUpdatesEnabled(true);
    widget->update();
    widget->setUpdatesEnabled(false);
}

} // namespace

QSBWidget::QSBWidget(QWidget* parent, const char* name, Qt::WindowFlags flags)
    : QWidget(parent, flags) {
    if (name) setObjectName(QString::fromUtf8(name));
    if (auto* skinned = qobject_cast<QSBWidget*>(parent)) {
        skinned->registerChild(this, true);
        m_hasSkinParent = true;
        m_composed = skinned->m_composed;
    } else {
        m_ownsComposed = true;
        m_composed = std::make_shared<QImage>();
        growComposedImage(QSize((width() + 3) & ~3, height()), false);
    }
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSBWidget::QSBWidget(const QImage& background, bool scaled, QWidget* parent, const char* name,
                     Qt::WindowFlags flags)
    : QSBWidget(parent, name, flags) {
    m_scaled = scaled;
    m_source = to32Bit(background);
    m_working = m_source;
    if (!m_hasSkinParent && !m_working.isNull()) setImageAlpha(m_working, 255);
}

QSBWidget::~QSBWidget() {
    // Qt would delete the children only after this object is gone; they still need it (and the
    // composed image) while they go.
    const QList<QWidget*> children = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* child : children)
        delete child;
    if (QSBWidget* parent = skinParent()) parent->registerChild(this, false);
}

QSBWidget* QSBWidget::skinParent() const {
    return m_hasSkinParent ? qobject_cast<QSBWidget*>(parentWidget()) : nullptr;
}

void QSBWidget::setBackgroundImage(const QImage& image, bool scaled) {
    if (image.isNull()) return;
    m_source = to32Bit(image).copy();
    m_scaled = scaled;
    rebuildWorkingBackground();
    repaintRect(0, 0, width(), height());
    repaintAll();
}

void QSBWidget::setScaledBackground(bool on) {
    if (m_scaled == on) return;
    m_scaled = on;
    rebuildWorkingBackground();
    repaintRect(0, 0, width(), height());
    repaintAll();
}

void QSBWidget::rebuildWorkingBackground(const QSize& size) {
    if (m_source.isNull()) {
        m_working = QImage();
        return;
    }
    m_working =
        m_scaled && !size.isEmpty()
            ? to32Bit(m_source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation))
            : m_source;
    if (!m_hasSkinParent) setImageAlpha(m_working, 255);
}

QImage* QSBWidget::skinImage() {
    return m_working.isNull() ? nullptr : &m_working;
}

void QSBWidget::repaintRect(int x, int y, int w, int h) {
    if (!isVisible()) return;
    update(QRect(x, y, w, h));
}

void QSBWidget::setUseComposedImage(bool on) {
    m_useComposedImage = on;
}

QImage* QSBWidget::composedImage() {
    return m_composed.get();
}

bool QSBWidget::ownsComposedImage() const {
    return m_ownsComposed;
}

bool QSBWidget::hasSkinParent() const {
    return m_hasSkinParent;
}

QPoint QSBWidget::mapPointToSkinRoot(const QPoint& point) const {
    const QSBWidget* parent = skinParent();
    if (!parent) return point;
    // A pop-up sits on its skinned parent where the screen puts it.
    const QPoint inParent =
        isWindow() ? parent->mapFromGlobal(mapToGlobal(point)) : mapToParent(point);
    return parent->mapPointToSkinRoot(inParent);
}

QRect QSBWidget::mapRectToSkinRoot(const QRect& rect) const {
    return QRect(mapPointToSkinRoot(rect.topLeft()), rect.size());
}

QPoint QSBWidget::mapPointFromSkinRoot(const QPoint& point) const {
    const QSBWidget* parent = skinParent();
    if (!parent) return point;
    const QPoint inParent = parent->mapPointFromSkinRoot(point);
    return isWindow() ? mapFromGlobal(parent->mapToGlobal(inParent)) : mapFromParent(inParent);
}

QRect QSBWidget::mapRectFromSkinRoot(const QRect& rect) const {
    return QRect(mapPointFromSkinRoot(rect.topLeft()), rect.size());
}

void QSBWidget::registerChild(QWidget* child, bool add) {
    if (!child || child->parent() != this) return;
    QList<QPointer<QWidget>>& list =
        child->inherits("QSBWidget") ? m_skinnedChildren : m_otherChildren;
    const qsizetype at = list.indexOf(child);
    if (add && at < 0) list.append(child);
    if (!add && at >= 0) list.removeAt(at);
}

void QSBWidget::repaintAll() {
    // Walk copies: a child's own repaintAll may register or unregister widgets.
    const QList<QPointer<QWidget>> skinned = m_skinnedChildren;
    for (const QPointer<QWidget>& child : skinned) {
        if (!child) continue;
        forceUpdate(child);
        static_cast<QSBWidget*>(child.data())->repaintAll();
    }
    const QList<QPointer<QWidget>> others = m_otherChildren;
    for (const QPointer<QWidget>& child : others) {
        if (child) forceUpdate(child);
    }
}

void QSBWidget::composeRegion(const QRegion& region) {
    const QRegion inside = region.intersected(rect());
    for (const QRect& r : inside)
        composeBackground(r.x(), r.y(), r.width(), r.height());
}

void QSBWidget::repaintRegion(const QRegion& region) {
    for (auto it = region.end(); it != region.begin();) {
        --it;
        if (!it->isEmpty()) repaintRect(it->x(), it->y(), it->width(), it->height());
    }
}

void QSBWidget::composeBackground(int x, int y, int w, int h) {
    QImage* image = composedImage();
    const QRect r = QRect(x, y, w, h).intersected(rect());
    if (!image || image->isNull() || r.isEmpty()) return;

    if (QSBWidget* parent = skinParent()) {
        const QPoint corner =
            isWindow() ? parent->mapFromGlobal(mapToGlobal(r.topLeft())) : mapToParent(r.topLeft());
        parent->composeRegion(QRegion(QRect(corner, r.size())));
    }

    if (const QImage* skin = skinImage()) {
        if (m_scaled) {
            const QRect part = r.intersected(skin->rect());
            const QPoint at = mapPointToSkinRoot(part.topLeft());
            blendImageOpacityRect(*image, 255, at.x(), at.y(), *skin, part.x(), part.y(),
                                  part.width(), part.height());
        } else {
            tileImageOpacityRect(*image, 255, mapRectToSkinRoot(r), *skin, r.x(), r.y(), false);
        }
        return;
    }
    if (!m_hasSkinParent) composeWithoutSkin(r);
}

// A root without skin shows its palette's window brush: the colour, opaque, so that composing
// the same place again gives the same pixels; a texture is tiled over it as its parent shows it.
void QSBWidget::composeWithoutSkin(const QRect& r) {
    QImage& image = *composedImage();
    const QRect target = mapRectToSkinRoot(r).intersected(image.rect());
    if (target.isEmpty()) return;
    const QBrush brush = palette().brush(backgroundRole());
    fillPixelRect(reinterpret_cast<uint32_t*>(image.scanLine(target.y())) + target.x(),
                  int(image.bytesPerLine()), target.width(), target.height(),
                  brush.color().rgba() | 0xFF000000u);
    const QImage texture = brush.textureImage();
    if (!texture.isNull()) {
        const QPoint phase = parentWidget() ? mapToParent(r.topLeft()) : r.topLeft();
        tileImageOpacityRect(image, 255, target, texture, phase.x(), phase.y(), false);
    }
}

void QSBWidget::presentComposedRect(QPainter& painter, const QRect& rect) {
    QImage* image = composedImage();
    if (!image || image->isNull()) return;
    const QRect source = mapRectToSkinRoot(rect);
    // What lies outside the root's image (a child beyond the root) shows the window brush.
    if (!image->rect().contains(source)) painter.fillRect(rect, palette().brush(backgroundRole()));
    drawImageOpaque(painter, rect.topLeft(), *image, source);
}

void QSBWidget::paintEvent(QPaintEvent* e) {
    QPainter painter(this);
    const bool fromImage = m_useComposedImage && composedImage() && !composedImage()->isNull();
    for (const QRect& r : e->region()) {
        if (fromImage) {
            composeBackground(r);
            presentComposedRect(painter, r);
        } else {
            painter.fillRect(r, palette().brush(backgroundRole()));
        }
    }
}

bool QSBWidget::event(QEvent* e) {
    const bool result = QWidget::event(e);
    if (e->type() == QEvent::LayoutRequest && layout() && layout()->parentWidget() == this)
        update();
    return result;
}

void QSBWidget::moveEvent(QMoveEvent* e) {
    QWidget::moveEvent(e);
    if (parentWidget() && !qobject_cast<QSBWidget*>(parentWidget())) repaintAll();
}

void QSBWidget::setGeometry(int x, int y, int w, int h) {
    const QSize next(w, h);
    if (next != size() && m_ownsComposed) growComposedImage(next, true);
    // A background given scaled at construction is first scaled here, whatever the size.
    if (m_scaled) rebuildWorkingBackground(next);
    QWidget::setGeometry(x, y, w, h);
}

void QSBWidget::resizeEvent(QResizeEvent* e) {
    if (size() == m_cachedSize) return;
    if (m_ownsComposed) growComposedImage(size(), true);
    if (m_scaled) rebuildWorkingBackground();
    QWidget::resizeEvent(e);
    repaintAll();
    m_cachedSize = size();
}

// Re-creates the root's image, in place, when `size` no longer fits it; `withMargin` leaves room
// for the small resizes to come.
void QSBWidget::growComposedImage(const QSize& size, bool withMargin) {
    QImage& image = *m_composed;
    if (!image.isNull() && size.width() <= image.width() && size.height() <= image.height()) return;
    const QSize grown = withMargin ? size + QSize(kGrowthMargin, kGrowthMargin) : size;
    if (grown.isEmpty()) return;
    image = QImage(grown, QImage::Format_ARGB32);
    image.fill(palette().color(backgroundRole()).rgb() | 0xFF000000u);
}
