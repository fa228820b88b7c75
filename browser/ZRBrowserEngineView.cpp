#include "browser/ZRBrowserEngineView.h"

#include "browser/ZREngineIconViewItem.h"
#include "classes/pixels/ZRPixelRoutines.h"
#include "editor/ZRAppState.h"
#include "engine/api/IZRTimeline.h"

#include <QAbstractButton>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cstring>

namespace {

Q_LOGGING_CATEGORY(lcEnginePage, "clipstead.browser.engine", QtInfoMsg)

// Module-list tables hold 50-byte records; a name that fills its record has no zero and is read
// within it, never into the next record.
constexpr size_t kRecordSize = 50;

} // namespace

QStringList ZRBrowserEngineView::moduleTableNames(const void* table) {
    QStringList names;
    if (!table) return names;
    for (const char* record = static_cast<const char*>(table); record[0]; record += kRecordSize)
        names.append(QString::fromUtf8(record, qsizetype(strnlen(record, kRecordSize))));
    return names;
}

void ZREngineAnimation::step() {
    phase += rising ? kStep : -kStep;
    if (phase >= 1.0) {
        phase = 1.0;
        rising = false;
    } else if (phase <= 0.0) {
        phase = 0.0;
        rising = true;
    }
}

ZRBrowserEngineView::ZRBrowserEngineView(QWidget* parent, const char* name, Qt::WindowFlags flags)
    : ZREngineIconView(parent, name, flags), m_animationTimer(new QTimer(this)) {
    const QSize icon = skinLayers()[ZREngineSkinLayers::SmallIcon].size();
    setGridX(icon.width() + 20);
    setGridY(icon.height() + 15);
    setSpacing(5);
    connect(this, qOverload<ZRIconViewItem*>(&ZRIconView::clicked), this,
            &ZRBrowserEngineView::folderClicked);
    connect(m_animationTimer, &QTimer::timeout, this, &ZRBrowserEngineView::paintTimer);
    verticalScrollBar()->installEventFilter(this);
}

ZRBrowserEngineView::~ZRBrowserEngineView() {
    // The items give their engine objects back while the timeline is still known to them.
    m_animationTimer->stop();
    clear();
    releaseImages();
}

bool ZRBrowserEngineView::isAnimating() const {
    return m_animationTimer->isActive();
}

QSize ZRBrowserEngineView::tickImageSize() const {
    return skinLayers()[anchorLayer()].size();
}

QImage ZRBrowserEngineView::layerImage(ZREngineSkinLayers::Which which) const {
    const ZREngineSkinLayer& layer = skinLayers()[which];
    if (layer.isNull()) return {};
    return layer.image->convertToFormat(QImage::Format_ARGB32);
}

bool ZRBrowserEngineView::fillFromLayer(IZRImage* target, const ZREngineSkinLayer& layer) {
    if (!target || layer.isNull()) return false;
    const QImage picture = layer.image->convertToFormat(QImage::Format_ARGB32);
    if (!target->create(picture.width(), picture.height(), 0) || !target->pixels()) return false;
    const int w = std::min(picture.width(), target->width());
    const int h = std::min(picture.height(), target->height());
    copyPixelBlock(reinterpret_cast<uint32_t*>(target->pixels()), target->stride(),
                   reinterpret_cast<const uint32_t*>(picture.constBits()),
                   int(picture.bytesPerLine()), w, h);
    return true;
}

QImage ZRBrowserEngineView::twoColourPicture(const char* const* rows, int count) {
    const int width = count > 0 ? int(std::strlen(rows[0])) : 0;
    QImage picture(width, count, QImage::Format_RGB32);
    for (int y = 0; y < count; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, rows[y][x] == '#' ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    return picture;
}

void ZRBrowserEngineView::makeImages() {
    IZRTimeline* t = timeline();
    if (m_imageTimeline != t) releaseImages();
    if (!t) return;
    IZRObjectFactory* factory = t->factory();
    if (!factory) return;
    if (!m_images[0]) {
        for (IZRImage*& image : m_images)
            image = factory->createEmptyImage();
        m_imageTimeline = t;
    }
    m_imagesReady = m_images[0] && m_images[1] && m_images[2] && prepareImages(m_images);
}

void ZRBrowserEngineView::releaseImages() {
    if (m_imageTimeline)
        if (IZRObjectFactory* factory = m_imageTimeline->factory())
            for (IZRImage* image : m_images)
                if (image) factory->destroyImage(image);
    m_images = {};
    m_imageTimeline = nullptr;
    m_imagesReady = false;
}

void ZRBrowserEngineView::copyTargetInto(QImage& picture, const QPoint& at) const {
    IZRImage* target = image(Target);
    if (!target || picture.isNull() || !target->pixels()) return;
    // The skin may put the anchor layer partly outside the picture: only the common part is
    // copied (the block copy itself knows nothing of either image's bounds).
    const QRect placed(at, QSize(target->width(), target->height()));
    const QRect copied = placed.intersected(picture.rect());
    if (copied.isEmpty()) return;
    const QPoint from = copied.topLeft() - at;
    const auto* src = reinterpret_cast<const uint32_t*>(
        target->pixels() + ptrdiff_t(from.y()) * target->stride() + ptrdiff_t(from.x()) * 4);
    auto* dst = reinterpret_cast<uint32_t*>(picture.scanLine(copied.y())) + copied.x();
    copyPixelBlock(dst, int(picture.bytesPerLine()), src, target->stride(), copied.width(),
                   copied.height());
    // Modules leave alpha as they like; the picture shows what they drew, opaque.
    setAlphaInRect(picture, copied, 255);
}

void ZRBrowserEngineView::reload() {
    // A second timeline (or the same one again) lists everything anew, not twice.
    clear();
    m_entries.clear();
    m_groups.clear();
    m_currentFolder.clear();
    m_inFolder = false;
    IZRTimeline* t = timeline();
    makeImages();
    if (!t) return;
    const QByteArray kind = engineKind().toUtf8();
    const QImage smallIcon = layerImage(ZREngineSkinLayers::SmallIcon);
    const ZREngineSkinLayer& anchor = skinLayers()[anchorLayer()];
    if (smallIcon.isNull() || !m_imagesReady)
        qCDebug(lcEnginePage) << engineKind()
                              << "thumbnails stay bare: the skin lacks a layer they need";
    m_groups = moduleTableNames(t->moduleList(kind.constData(), nullptr, nullptr, 0));
    for (const QString& group : std::as_const(m_groups)) {
        const QByteArray groupName = group.toUtf8();
        const QStringList names =
            moduleTableNames(t->moduleList(kind.constData(), groupName.constData(), nullptr, 0));
        for (const QString& name : names) {
            ZREngineModuleEntry entry{group, name, QString(), smallIcon};
            if (m_imagesReady && !entry.thumbnail.isNull() && renderThumbnail(group, name))
                copyTargetInto(entry.thumbnail, anchor.position);
            m_entries.append(entry);
        }
    }
    for (ZREngineModuleEntry& entry : m_entries) {
        const QByteArray group = entry.group.toUtf8();
        const QByteArray name = entry.name.toUtf8();
        if (const void* text =
                t->moduleList(kind.constData(), group.constData(), name.constData(), 0))
            entry.info = QString::fromUtf8(static_cast<const char*>(text));
    }
    m_inFolder = true;
    showFolders();
}

void ZRBrowserEngineView::showFolders() {
    if (!m_inFolder) return;
    clear();
    const QImage folder = layerImage(ZREngineSkinLayers::ClosedFolder);
    for (const QString& group : std::as_const(m_groups))
        new ZREngineIconViewItem(this, true, engineKind(), group, group, QString(), folder);
    m_inFolder = false;
    Q_EMIT folderChanged(false);
    Q_EMIT folderNameChanged(engineKind());
}

void ZRBrowserEngineView::folderClicked(ZRIconViewItem* item) {
    auto* folder = dynamic_cast<ZREngineIconViewItem*>(item);
    if (!folder || m_inFolder) return;
    const QString group = folder->group();
    openFolder(group);
    m_inFolder = true;
    Q_EMIT folderChanged(true);
    Q_EMIT folderNameChanged(group);
}

void ZRBrowserEngineView::openFolder(const QString& group) {
    clear();
    for (const ZREngineModuleEntry& entry : std::as_const(m_entries))
        if (entry.group == group) makeEntryItem(entry);
    m_currentFolder = group;
}

void ZRBrowserEngineView::emitFolderState() {
    if (m_inFolder) {
        Q_EMIT folderChanged(true);
        Q_EMIT folderNameChanged(m_currentFolder);
    } else {
        Q_EMIT folderChanged(false);
        Q_EMIT folderNameChanged(engineKind());
    }
}

void ZRBrowserEngineView::startAnimation() {
    m_animationTimer->start(kTickMs);
}

void ZRBrowserEngineView::stopAnimation() {
    m_animationTimer->stop();
}

QRect ZRBrowserEngineView::frameRect(const ZRIconViewItem* item) const {
    const ZREngineSkinLayer& anchor = skinLayers()[anchorLayer()];
    const QRect picture = item->pixmapRect(false);
    return QRect(picture.topLeft() + anchor.position + QPoint(1, 0), anchor.size());
}

void ZRBrowserEngineView::paintTimer() {
    const QSize frameSize = tickImageSize();
    if (m_imagesReady && !frameSize.isEmpty()) {
        const QRect visible = viewport()->rect();
        const QPoint contents(contentsX(), contentsY());
        for (ZRIconViewItem* i = firstItem(); i; i = i->nextItem()) {
            auto* item = dynamic_cast<ZREngineIconViewItem*>(i);
            if (!item || item->isFolder()) continue;
            const QRect picture = item->pixmapRect(false).translated(-contents);
            if (!picture.intersects(visible)) continue;
            if (!renderEntry(item, animation().phase)) continue;
            QImage& frame = item->animationFrame();
            if (frame.size() != frameSize) frame = QImage(frameSize, QImage::Format_ARGB32);
            frame.fill(Qt::black);
            copyTargetInto(frame, QPoint(0, 0));
            // Drawn in the next paint, never here.
            viewport()->update(picture.united(frameRect(item).translated(-contents)));
        }
    }
    animation().step();
}

void ZRBrowserEngineView::drawContents(QPainter* painter, int cx, int cy, int cw, int ch) {
    ZREngineIconView::drawContents(painter, cx, cy, cw, ch);
    QImage* target = paintTarget();
    if (!target) return;
    const QRect area(cx, cy, cw, ch);
    const QPoint offset = viewportToTargetOffset() - QPoint(contentsX(), contentsY());
    QPainter onTarget(target);
    onTarget.setClipRect(paintClip());
    for (ZRIconViewItem* i = firstItem(); i; i = i->nextItem()) {
        auto* item = dynamic_cast<ZREngineIconViewItem*>(i);
        if (!item || item->isFolder() || item->animationFrame().isNull()) continue;
        const QRect at = frameRect(item);
        if (!at.intersects(area)) continue;
        if (item->isSelected()) {
            QImage tinted = item->animationFrame();
            blendColorInRect(tinted, tinted.rect(), kSelectedTint);
            onTarget.drawImage(at.topLeft() + offset, tinted);
        } else {
            onTarget.drawImage(at.topLeft() + offset, item->animationFrame());
        }
    }
}

void ZRBrowserEngineView::showEvent(QShowEvent* e) {
    ZREngineIconView::showEvent(e);
    startAnimation();
    // These buttons serve the media folders page only.
    ZRAppState& state = appState();
    for (QWidget* button : {state.newFolderButton.data(), state.copyButton.data(),
                            state.pasteButton.data(), state.removeButton.data()})
        if (button) button->setEnabled(false);
}

void ZRBrowserEngineView::hideEvent(QHideEvent* e) {
    ZREngineIconView::hideEvent(e);
    stopAnimation();
}

bool ZRBrowserEngineView::event(QEvent* e) {
    if (e->type() == QEvent::MouseButtonPress) {
        stopAnimation();
    } else if (e->type() == QEvent::MouseButtonRelease) {
        const bool handled = ZREngineIconView::event(e);
        if (isVisible()) startAnimation();
        return handled;
    }
    return ZREngineIconView::event(e);
}

void ZRBrowserEngineView::mousePressEvent(QMouseEvent* e) {
    stopAnimation();
    ZREngineIconView::mousePressEvent(e);
}

void ZRBrowserEngineView::mouseReleaseEvent(QMouseEvent* e) {
    ZREngineIconView::mouseReleaseEvent(e);
    if (isVisible()) startAnimation();
}

bool ZRBrowserEngineView::eventFilter(QObject* watched, QEvent* e) {
    if (watched == verticalScrollBar()) {
        if (e->type() == QEvent::MouseButtonPress)
            stopAnimation();
        else if (e->type() == QEvent::MouseButtonRelease && isVisible())
            startAnimation();
    }
    return ZREngineIconView::eventFilter(watched, e);
}
