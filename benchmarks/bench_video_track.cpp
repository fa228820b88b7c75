// The video track over 1,000 clips (the render tests' counting clip, 2 s each) in a 1200 x 300
// offscreen timeline view at 25 fps, zoom level 2 (3 pixels a frame), scrolled to the middle:
// - DragMovePlacement: one drag-move event while clip 500 is dragged over the track (its place
//   found among the 1,000 clips, the ripple preview asked for), the pointer alternating between
//   two points;
// - TrimStep: one mouse move while the end of clip 500 is trimmed, alternating between two
//   widths;
// - TrackRepaint: the video and clip-audio tracks composed once (for scale).
// Goal: the placement and the trim step under 2 ms each. The repaints they ask for are queued,
// not run, as in the program.
#include "benchmarks/EditorBench.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/ZRScrollBar.h"
#include "editor/ZRVeskEditorDrag.h"
#include "engine/api/IZRTimeline.h"
#include "views/ZRAudioTrack.h"
#include "views/ZRTimelineView.h"
#include "views/ZRVideoTrack.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDrag>
#include <QDragMoveEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QThread>

#include <functional>
#include <memory>

namespace {

class OpenView : public ZRTimelineView {
public:
    using ZRTimelineView::dragEnterEvent;
    using ZRTimelineView::dragLeaveEvent;
    using ZRTimelineView::dragMoveEvent;
};

/// A move drag that runs the benchmark loop in place of the system's drag loop.
class LoopDrag : public ZRVeskEditorDrag {
public:
    using ZRVeskEditorDrag::ZRVeskEditorDrag;
    std::function<void(QMimeData*)> during;

protected:
    Qt::DropAction execute(QDrag& drag) override {
        during(drag.mimeData());
        return Qt::IgnoreAction;
    }
};

struct Fixture : editorbench::EditorTimeline {
    std::unique_ptr<OpenView> view;
    ZRVideoTrack* video = nullptr;
    IZRObject* middle = nullptr;

    Fixture() : EditorTimeline(CLIPSTEAD_RENDER_FIXTURE) {
        setSkinBaseFolder(QStringLiteral(CLIPSTEAD_BIN_DIR));
        preloadSkins();
        // Thumbnails are not what is measured: the clips get none.
        editor->setSmallThumbSize(QSize());
        appendCountingClips(1000);
        middle = editor->objectAt(500);
        view = std::make_unique<OpenView>();
        video = new ZRVideoTrack("VIDEO", 1000, 1002, 1001);
        view->insertTrack(video, -1);
        view->insertTrack(new ZRAudioTrack("AUDIO1", -1, 1001, 1002), -1);
        view->setEditor(editor.get());
        view->resize(1200, 300);
        view->show();
        while (view->zoomLevel() > 2)
            view->slotZoomIn();
        // Clip 500 starts at frame 25000: its start in the middle of the view.
        const int unit = int(view->timeScale().unitOfFrames(middle->startPos()->toFrames()));
        view->horizontalBar()->setValue(unit - 3);
        QApplication::processEvents();
    }
    /// View x of a frame on the video track.
    int xOf(double frame) const {
        const QRect content = video->contentRect();
        const int64_t origin = int64_t(view->horizontalValue()) * view->timeScale().pixelsPerUnit();
        return int(view->timeScale().xOfFrames(frame) - origin + content.left());
    }
    int y() const { return video->contentRect().center().y(); }
};

// Made on first use and destroyed by main while the application still exists: the fixture
// owns widgets.
std::unique_ptr<Fixture> sharedFixture;

Fixture& fixture() {
    if (!sharedFixture) sharedFixture = std::make_unique<Fixture>();
    return *sharedFixture;
}

void DragMovePlacement(benchmark::State& state) {
    Fixture& f = fixture();
    const double start = f.middle->startPos()->toFrames();
    const QPoint a(f.xOf(start + 60), f.y()), b(f.xOf(start + 140), f.y());
    LoopDrag drag(f.view.get(), "Moving Editor Object");
    drag.setPayload(reinterpret_cast<uintptr_t>(QThread::currentThread()),
                    reinterpret_cast<uintptr_t>(f.middle), 0);
    drag.during = [&](QMimeData* data) {
        QDragEnterEvent enter(a, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
        f.view->dragEnterEvent(&enter);
        bool flip = false;
        for (auto _ : state) {
            QDragMoveEvent move(flip ? a : b, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
            f.view->dragMoveEvent(&move);
            flip = !flip;
        }
        if (!f.video->dropValid()) state.SkipWithError("the drag found no place");
        QDragLeaveEvent leave;
        f.view->dragLeaveEvent(&leave);
    };
    drag.dragCopyOrMove();
    QApplication::processEvents();
}
BENCHMARK(DragMovePlacement)->Unit(benchmark::kMicrosecond);

void TrimStep(benchmark::State& state) {
    Fixture& f = fixture();
    const QPoint edge(f.xOf(f.middle->endPos()->toFrames() + 1) - 2, f.y());
    auto send = [&](QEvent::Type type, QPoint p, Qt::MouseButtons buttons) {
        QMouseEvent e(type, p, f.view->mapToGlobal(p), Qt::LeftButton, buttons, Qt::NoModifier);
        if (type == QEvent::MouseButtonPress)
            f.video->MousePressEvent(&e);
        else if (type == QEvent::MouseMove)
            f.video->MouseMoveEvent(&e);
        else
            f.video->MouseReleaseEvent(&e);
    };
    send(QEvent::MouseButtonPress, edge, Qt::LeftButton);
    if (f.video->mouseState() != 1) state.SkipWithError("the press started no trim");
    bool flip = false;
    for (auto _ : state) {
        send(QEvent::MouseMove, edge - QPoint(flip ? 30 : 60, 0), Qt::LeftButton);
        flip = !flip;
    }
    // Released where it was pressed: the clip keeps its length.
    send(QEvent::MouseMove, edge, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, edge, Qt::NoButton);
    QApplication::processEvents();
}
BENCHMARK(TrimStep)->Unit(benchmark::kMicrosecond);

void TrackRepaint(benchmark::State& state) {
    Fixture& f = fixture();
    const QRect tracks = f.video->trackRect() | f.view->trackAt(1)->trackRect();
    for (auto _ : state)
        f.view->repaint(tracks);
}
BENCHMARK(TrackRepaint)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return editorbench::runOffscreen(argc, argv, [] { sharedFixture.reset(); });
}
