#include "browser/ZRBrowserTransView.h"

#include "engine/api/IZRTimeline.h"

#include <QPixmap>

namespace {

constexpr char kKind[] = "Transition";

// The transition wipe picture, 28 x 20, '#' black and '.' white.
constexpr const char* kWipeRows[20] = {
    "............................", "............................", "..########################..",
    "..######################.#..", "..#######.........#####..#..", "..#######.........###....#..",
    "..#######.........##.....#..", "..##########...###.......#..", "..##########...#.........#..",
    "..##########...#.........#..", "..##########...#.........#..", "..##########...#.........#..",
    "..#######..#...#.........#..", "..######...#...#.........#..", "..####.....#####.........#..",
    "..##.....................#..", "..#......................#..", "..########################..",
    "............................", "............................",
};

IZRObject* makeTransition(IZRTimeline* timeline, const QString& group, const QString& name) {
    IZRObjectFactory* factory = timeline ? timeline->factory() : nullptr;
    if (!factory) return nullptr;
    return factory->createObject(kKind, group.toUtf8().constData(), name.toUtf8().constData(),
                                 nullptr);
}

} // namespace

ZRTransitionIconViewItem::ZRTransitionIconViewItem(ZRIconView* view, IZRTimeline* timeline,
                                                   const ZREngineModuleEntry& entry)
    : ZREngineIconViewItem(view, false, QString::fromLatin1(kKind), entry.group, entry.name,
                           entry.info, entry.thumbnail),
      m_timeline(timeline), m_object(makeTransition(timeline, entry.group, entry.name)) {}

ZRTransitionIconViewItem::~ZRTransitionIconViewItem() {
    if (m_object) m_timeline->factory()->destroyObject(m_object);
}

ZRBrowserTransView::ZRBrowserTransView(QWidget* parent, const char* name, Qt::WindowFlags flags)
    : ZRBrowserEngineView(parent, name, flags) {}

QString ZRBrowserTransView::engineKind() const {
    return QString::fromLatin1(kKind);
}

ZREngineAnimation& ZRBrowserTransView::sharedAnimation() {
    static ZREngineAnimation animation;
    return animation;
}

ZREngineAnimation& ZRBrowserTransView::animation() const {
    return sharedAnimation();
}

QImage ZRBrowserTransView::dragPicture() {
    return twoColourPicture(kWipeRows, 20);
}

QPixmap ZRBrowserTransView::dragPixmap() {
    return QPixmap::fromImage(dragPicture(), Qt::MonoOnly);
}

ZREngineSkinLayers::Which ZRBrowserTransView::anchorLayer() const {
    return ZREngineSkinLayers::ClipA;
}

// "clip_A" sizes the first picture and the target, "clip_B" the second; the two may differ and
// the modules work on the area the three have in common.
bool ZRBrowserTransView::prepareImages(const std::array<IZRImage*, 3>& images) {
    const ZREngineSkinLayers& layers = skinLayers();
    if (!fillFromLayer(images[Source], layers[ZREngineSkinLayers::ClipA]) ||
        !fillFromLayer(images[Second], layers[ZREngineSkinLayers::ClipB]))
        return false;
    const QSize size = layers[ZREngineSkinLayers::ClipA].size();
    return images[Target]->create(size.width(), size.height(), 0);
}

bool ZRBrowserTransView::renderThumbnail(const QString& group, const QString& name) {
    IZRObject* object = makeTransition(timeline(), group, name);
    // A module that does not bind gives no object: the entry keeps its bare thumbnail.
    if (!object) return false;
    object->renderTransition(image(Source), image(Second), image(Target), 0.5);
    timeline()->factory()->destroyObject(object);
    return true;
}

ZREngineIconViewItem* ZRBrowserTransView::makeEntryItem(const ZREngineModuleEntry& entry) {
    return new ZRTransitionIconViewItem(this, timeline(), entry);
}

bool ZRBrowserTransView::renderEntry(ZREngineIconViewItem* item, double phase) {
    auto* entry = static_cast<ZRTransitionIconViewItem*>(item);
    if (!entry->object()) return false;
    entry->object()->renderTransition(image(Source), image(Second), image(Target), phase);
    return true;
}
