#include "browser/ZRBrowserEffectsView.h"

#include "engine/api/IZRTimeline.h"
#include "engine/api/ZREffect.h"

#include <QPixmap>

namespace {

constexpr char kKind[] = "Video Effect";

// The effect frame picture, 28 x 20, '#' black and '.' white.
constexpr const char* kFrameRows[20] = {
    "............................", "............................", "...######################...",
    "...#....................#...", "...#....................#...", "...#...##############...#...",
    "...#...##############...#...", "...#...##....#.###.##...#...", "...#...##....#....###...#...",
    "...#...##.#####..####...#...", "...#...##....##..####...#...", "...#...##.####....###...#...",
    "...#...##.###.####.##...#...", "...#...##############...#...", "...#...##############...#...",
    "...#....................#...", "...#....................#...", "...######################...",
    "............................", "............................",
};

ZREffect* makeEffect(IZRTimeline* timeline, const QString& group, const QString& name) {
    IZRObjectFactory* factory = timeline ? timeline->factory() : nullptr;
    if (!factory) return nullptr;
    return factory->createEffect(kKind, group.toUtf8().constData(), name.toUtf8().constData());
}

} // namespace

ZREffectIconViewItem::ZREffectIconViewItem(ZRIconView* view, IZRTimeline* timeline,
                                           const ZREngineModuleEntry& entry)
    : ZREngineIconViewItem(view, false, QString::fromLatin1(kKind), entry.group, entry.name,
                           entry.info, entry.thumbnail),
      m_timeline(timeline), m_effect(makeEffect(timeline, entry.group, entry.name)) {}

ZREffectIconViewItem::~ZREffectIconViewItem() {
    if (m_effect) m_timeline->factory()->destroyEffect(m_effect);
}

ZRBrowserEffectsView::ZRBrowserEffectsView(QWidget* parent, const char* name, Qt::WindowFlags flags)
    : ZRBrowserEngineView(parent, name, flags) {}

QString ZRBrowserEffectsView::engineKind() const {
    return QString::fromLatin1(kKind);
}

ZREngineAnimation& ZRBrowserEffectsView::sharedAnimation() {
    static ZREngineAnimation animation;
    return animation;
}

ZREngineAnimation& ZRBrowserEffectsView::animation() const {
    return sharedAnimation();
}

QImage ZRBrowserEffectsView::dragPicture() {
    return twoColourPicture(kFrameRows, 20);
}

QPixmap ZRBrowserEffectsView::dragPixmap() {
    return QPixmap::fromImage(dragPicture(), Qt::MonoOnly);
}

ZREngineSkinLayers::Which ZRBrowserEffectsView::anchorLayer() const {
    return ZREngineSkinLayers::Effects;
}

bool ZRBrowserEffectsView::prepareImages(const std::array<IZRImage*, 3>& images) {
    const ZREngineSkinLayer& effects = skinLayers()[ZREngineSkinLayers::Effects];
    if (!fillFromLayer(images[Source], effects)) return false;
    return images[Target]->create(effects.size().width(), effects.size().height(), 0);
}

bool ZRBrowserEffectsView::renderThumbnail(const QString& group, const QString& name) {
    ZREffect* effect = makeEffect(timeline(), group, name);
    // A module that does not bind gives no effect: the entry keeps its bare thumbnail.
    if (!effect) return false;
    effect->render(image(Source), image(Target), 0.5);
    timeline()->factory()->destroyEffect(effect);
    return true;
}

ZREngineIconViewItem* ZRBrowserEffectsView::makeEntryItem(const ZREngineModuleEntry& entry) {
    return new ZREffectIconViewItem(this, timeline(), entry);
}

bool ZRBrowserEffectsView::renderEntry(ZREngineIconViewItem* item, double phase) {
    auto* entry = static_cast<ZREffectIconViewItem*>(item);
    if (!entry->effect()) return false;
    entry->effect()->render(image(Source), image(Target), phase);
    return true;
}
