// Editing on a timeline track holding 1,000 objects (and a 1,000-clip chain under them, so that
// the edit is long enough), 1200 x 260 offscreen, 25 fps, five seconds a ruler unit:
// - PlacementOnDragMove: one drag move over the track placing a dragged object in a gap (the
//   pointer alternates between two points so that every move recomputes);
// - TrimStep: one mouse move while the end of the 500th object is trimmed (hit test, trim step,
//   status text).
// Goal: each under 2 ms.
#include "benchmarks/EditorBench.h"
#include "classes/widgets/ZRScrollBar.h"
#include "engine/api/IZRTimeline.h"
#include "views/ZRTimelineScale.h"
#include "views/ZRTimelineTrack.h"
#include "views/ZRTimelineView.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>

#include <memory>
#include <vector>

namespace {

constexpr int kObjects = 1000;
constexpr int kSpacing = 50; // frames from one object's start to the next
constexpr int kLength = 40;

class EditTrack : public ZRTimelineTrack {
public:
    using ZRTimelineTrack::ZRTimelineTrack;
    void dragIn(IZRObject* object) { beginDrop(object, QPoint(-1, -1), 6); }
    void trimEnd(IZRObject* object, const QPoint& at) { beginTrim(object, 1, at); }
};

struct Fixture : editorbench::EditorTimeline {
    std::unique_ptr<ZRTimelineView> view;
    EditTrack* track = nullptr;
    std::vector<IZRObject*> objects;

    IZRObject* solid(int frames) {
        IZRObjectFactory* f = timeline->factory();
        IZRObject* o = f->createObject("Solid Color", "RGB(90,90,200)", nullptr, nullptr);
        IZRPos* length = f->createPos();
        length->set(0, 0, 0, 0, 25.0);
        length->addFrames(frames);
        timeline->setObjectMarkOut(o, length);
        f->destroyPos(length);
        return o;
    }

    Fixture() : EditorTimeline(nullptr) {
        for (int i = 0; i < kObjects; ++i)
            editor->insertClip(solid(kSpacing), editor->objectCount());
        IZRPos* at = timeline->factory()->createPos();
        for (int i = 0; i < kObjects; ++i) {
            at->set(0, 0, 0, 0, 25.0);
            at->addFrames(i * kSpacing);
            objects.push_back(solid(kLength));
            timeline->insertObject(4, at, objects.back());
        }
        timeline->factory()->destroyPos(at);
        view = std::make_unique<ZRTimelineView>();
        track = new EditTrack(4, true, "TITLES", 27, -1);
        view->insertTrack(track, -1);
        view->setEditor(editor.get());
        view->resize(1200, 260);
        view->show();
        view->updateHorizontalRange();
        QApplication::processEvents();
    }
    /// The view point over a frame of the track, with the view scrolled to show it.
    QPoint pointAt(double frame) {
        const ZRTimelineScale& s = view->timeScale();
        view->horizontalBar()->setValue(int(s.unitOfFrames(frame)));
        const int64_t origin = int64_t(view->horizontalValue()) * s.pixelsPerUnit();
        return QPoint(track->contentRect().left() + int(s.xOfFrames(frame) - origin),
                      track->contentRect().center().y());
    }
};

void PlacementOnDragMove(benchmark::State& state) {
    Fixture f;
    IZRObject* dragged = f.solid(20);
    f.track->dragIn(dragged);
    const QPoint a = f.pointAt(500 * kSpacing + 45);
    const QPoint b = a + QPoint(20, 0);
    QMimeData data;
    int i = 0;
    for (auto _ : state) {
        QDragMoveEvent e(++i % 2 ? a : b, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        f.track->DragMoveEvent(&e);
        benchmark::DoNotOptimize(f.track->dropValid());
    }
    f.track->forgetObject(dragged);
    f.timeline->factory()->destroyObject(dragged);
}
BENCHMARK(PlacementOnDragMove)->Unit(benchmark::kMicrosecond);

void TrimStep(benchmark::State& state) {
    Fixture f;
    IZRObject* o = f.objects[500];
    const QPoint edge = f.pointAt(o->endPos()->toFrames());
    f.track->trimEnd(o, edge);
    int i = 0;
    for (auto _ : state) {
        const QPoint p = edge + QPoint(++i % 2 ? -4 : 4, 0);
        QMouseEvent e(QEvent::MouseMove, p, p, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        f.track->MouseMoveEvent(&e);
    }
}
BENCHMARK(TrimStep)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return editorbench::runOffscreen(argc, argv);
}
