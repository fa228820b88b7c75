#include "app/ZRVeskTopBar.h"

#include "classes/painting/ZRImagePainting.h"
#include "classes/skins/ZRSkinPreload.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace {

QSize sizeOf(const QImage* image) {
    return image ? image->size() : QSize(0, 0);
}

} // namespace

ZRVeskTopBar::ZRVeskTopBar(QWidget* parent, const char* name, Qt::WindowFlags flags)
    : QSBWidget(parent, name, flags) {
    QDict<PSDLayerSet>* sets = preloadedSkinSets("vesk_bar");
    auto take = [&](const char* set, const char* layer) {
        Layer result;
        PSDLayerSet* found = sets ? sets->find(QLatin1String(set)) : nullptr;
        PSDLayer* l = found ? found->layers.find(QLatin1String(layer)) : nullptr;
        if (!l || l->image.isNull()) return result;
        result.image = &l->image;
        result.position = QPoint(found->originX, found->originY) + l->position;
        return result;
    };
    m_left = take("bar", "left");
    m_middle = take("bar", "middle");
    m_right = take("bar", "right");
    m_version = take("text", "vesk_version");
    setFixedHeight(std::max({sizeOf(m_left.image).height(), sizeOf(m_middle.image).height(),
                             sizeOf(m_right.image).height()}));
}

ZRVeskTopBar::~ZRVeskTopBar() = default;

QRect ZRVeskTopBar::leftRect() const {
    return m_left.image ? QRect(QPoint(0, 0), m_left.image->size()) : QRect();
}

QRect ZRVeskTopBar::rightRect() const {
    if (!m_right.image) return QRect();
    return QRect(QPoint(width() - m_right.image->width(), 0), m_right.image->size());
}

QRect ZRVeskTopBar::middleRect() const {
    if (!m_middle.image) return QRect();
    const int left = sizeOf(m_left.image).width();
    const int right = width() - sizeOf(m_right.image).width();
    if (right <= left) return QRect();
    return QRect(left, 0, right - left, m_middle.image->height());
}

QRect ZRVeskTopBar::versionRect() const {
    if (!m_version.image) return QRect();
    const int x = (width() - 1) - m_version.image->width() - 10;
    return QRect(QPoint(x, m_version.position.y()), m_version.image->size());
}

void ZRVeskTopBar::resizeEvent(QResizeEvent* e) {
    const QRect middle = middleRect();
    if (middle.isEmpty())
        m_stretchedMiddle = QImage();
    else if (m_stretchedMiddle.size() != middle.size())
        m_stretchedMiddle =
            m_middle.image->scaled(middle.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    QSBWidget::resizeEvent(e);
}

void ZRVeskTopBar::composeBackground(int x, int y, int w, int h) {
    QSBWidget::composeBackground(x, y, w, h);
    QImage* image = composedImage();
    const QRect r = QRect(x, y, w, h).intersected(rect());
    if (!image || image->isNull() || r.isEmpty()) return;
    const QPoint root = mapPointToSkinRoot(QPoint(0, 0));
    const QRegion clip(r.translated(root));
    if (m_left.image) blendImageClipped(clip, *image, leftRect().topLeft() + root, *m_left.image);
    if (!m_stretchedMiddle.isNull())
        blendImageClipped(clip, *image, middleRect().topLeft() + root, m_stretchedMiddle);
    if (m_right.image)
        blendImageClipped(clip, *image, rightRect().topLeft() + root, *m_right.image);
}

void ZRVeskTopBar::paintEvent(QPaintEvent* e) {
    QImage* image = composedImage();
    if (!image || image->isNull()) return;
    const QRegion region = e->region().intersected(rect());
    composeRegion(region);
    if (m_version.image) {
        const QPoint root = mapPointToSkinRoot(QPoint(0, 0));
        blendImageClipped(region.translated(root), *image, versionRect().topLeft() + root,
                          *m_version.image);
    }
    QPainter painter(this);
    for (const QRect& r : region)
        presentComposedRect(painter, r);
}
