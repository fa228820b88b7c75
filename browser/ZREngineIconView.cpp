#include "browser/ZREngineIconView.h"

#include "browser/ZREngineIconViewItem.h"
#include "classes/skins/ZRSkinPreload.h"
#include "editor/ZREngineDrag.h"

#include <QDrag>
#include <QLoggingCategory>

namespace {

Q_LOGGING_CATEGORY(lcEngineView, "clipstead.browser.engine", QtInfoMsg)

void take(ZREngineSkinLayer& layer, const char* file, const char* set, const char* name) {
    QDict<PSDLayer>* layers = preloadedSkinSetLayers(file, set);
    const PSDLayer* found = layers ? layers->find(QLatin1String(name)) : nullptr;
    if (!found) return;
    layer.image = &found->image;
    layer.position = found->position;
}

} // namespace

ZREngineSkinLayers ZREngineSkinLayers::fromSkin() {
    ZREngineSkinLayers l;
    take(l[ClosedFolder], "small_icon", "icons", "closed_folder");
    take(l[OpenFolder], "small_icon", "icons", "open_folder");
    take(l[ClipA], "small_icon", "icons", "clip_A");
    take(l[ClipB], "small_icon", "icons", "clip_B");
    take(l[Effects], "small_icon", "icons", "effects");
    take(l[SmallIcon], "small_icon", "icons", "small_icon");
    take(l[EffectNormal], "engine_icons", "effects", "normal");
    take(l[EffectSelected], "engine_icons", "effects", "selected");
    take(l[TransitionNormal], "engine_icons", "transition", "normal");
    take(l[TransitionSelected], "engine_icons", "transition", "selected");
    return l;
}

ZREngineIconView::ZREngineIconView(QWidget* parent, const char* name, Qt::WindowFlags flags)
    : ZRIconView(parent, name, flags), m_layers(ZREngineSkinLayers::fromSkin()) {
    setAcceptDrops(false);
    viewport()->setAcceptDrops(false);
    setLineWidth(1);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    viewport()->setAttribute(Qt::WA_StaticContents);
    setSelectionMode(Single);
    setResizeMode(Adjust);
    setWordWrapIconText(true);
    setAutoArrange(true);
}

IZRTimeline* ZREngineIconView::setTimeline(IZRTimeline* timeline) {
    IZRTimeline* previous = m_timeline;
    m_timeline = timeline;
    reload();
    return previous;
}

void ZREngineIconView::reload() {}

QPixmap ZREngineIconView::dragPixmap() {
    ZRIconViewItem* item = currentItem();
    const QImage* picture = item ? item->pixmap() : nullptr;
    if (!picture) return {};
    return QPixmap::fromImage(*picture, Qt::MonoOnly);
}

QDrag* ZREngineIconView::dragObject() {
    auto* current = dynamic_cast<ZREngineIconViewItem*>(currentItem());
    if (!current || current->isFolder()) return nullptr;
    QList<ZREngineIconViewItem*> dragged;
    for (ZRIconViewItem* i = firstItem(); i; i = i->nextItem()) {
        auto* item = dynamic_cast<ZREngineIconViewItem*>(i);
        if (!item || !item->isSelected()) continue;
        // The receiver splits the payload at the separator: a text it would cut or shift must
        // not start a drag that lands as some other object.
        if (!ZREngineDrag::carriesWhole(item->kind(), item->group(), item->name())) {
            qCDebug(lcEngineView) << "no drag: the texts of" << item->group() << item->name()
                                  << "cannot cross the payload whole";
            return nullptr;
        }
        dragged.append(item);
    }
    auto* data = new ZREngineDrag(viewport(), "engine drag");
    for (ZREngineIconViewItem* item : dragged)
        data->setEngineItem(ZRIconDragItem(), QRect(), QRect(), 100, item->kind(), item->group(),
                            item->name());
    auto* drag = new QDrag(viewport());
    drag->setMimeData(data);
    QPixmap picture = dragPixmap();
    if (picture.isNull() && current->pixmap()) picture = QPixmap::fromImage(*current->pixmap());
    if (!picture.isNull()) {
        drag->setPixmap(picture);
        drag->setHotSpot(QPoint(picture.width() / 2, picture.height() / 2));
    }
    return drag;
}

void ZREngineIconView::setCurrentItem(ZRIconViewItem* item) {
    if (!item) clearSelection();
    ZRIconView::setCurrentItem(item);
}
