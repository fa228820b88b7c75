#pragma once

// The timeline tests' shared pieces: a track that records what it is asked to draw and which
// events reach it, an editor that notes whether the background renderer is paused when a track
// calls it, and a view with that editor over the fixture's timeline.

#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRTimeline.h"
#include "tests/views/ViewsFixture.h"
#include "views/ZRTimelineTrack.h"
#include "views/ZRTimelineView.h"

#include <QEvent>

#include <memory>
#include <vector>

namespace viewstest {

class RecordingTrack : public ZRTimelineTrack {
public:
    using ZRTimelineTrack::ZRTimelineTrack;

    struct Drawn {
        IZRObject* object;
        int64_t x;
        int64_t width;
        QRect span;
    };
    std::vector<Drawn> drawn;
    int presses = 0, releases = 0, moves = 0, enters = 0, leaves = 0;
    int dragEnters = 0, dragMoves = 0, dragLeaves = 0, drops = 0;

    void paintObject(const QRegion&, QImage*, const QPoint&, int64_t x, int64_t width,
                     IZRObject* object) override {
        drawn.push_back({object, x, width, objectSpan(x, width)});
    }
    void MousePressEvent(QMouseEvent*) override { ++presses; }
    void MouseReleaseEvent(QMouseEvent*) override { ++releases; }
    void MouseMoveEvent(QMouseEvent*) override { ++moves; }
    void enterEvent(QEvent*) override { ++enters; }
    void leaveEvent(QEvent*) override { ++leaves; }
    void DragEnterEvent(QDragEnterEvent*) override { ++dragEnters; }
    void DragMoveEvent(QDragMoveEvent*) override { ++dragMoves; }
    void DragLeaveEvent(QDragLeaveEvent*) override { ++dragLeaves; }
    void DragDropEvent(QDropEvent*) override { ++drops; }
    void setRipple(bool on) { m_rippleInsert = on; }
};

/// "Pause Background Rendering" as the engine reports it now.
inline int pausedNow(IZRTimeline* timeline) {
    int paused = -1;
    timeline->settings()->getIntSetting("Pause Background Rendering", &paused);
    return paused;
}

/// An editor that notes the pause setting as a track calls it, before it pauses itself.
class ProbeEditor : public ZRVeskEditor {
public:
    /// The setting at each noted call.
    std::vector<int> pauses;

    bool insertTitle(IZRPos* at, IZRObject* title) override {
        note();
        return ZRVeskEditor::insertTitle(at, title);
    }
    void detachObject(IZRObject* object) override {
        note();
        ZRVeskEditor::detachObject(object);
    }
    void trimTrackObject(IZRObject* object, IZRPos* start, IZRPos* end) override {
        note();
        ZRVeskEditor::trimTrackObject(object, start, end);
    }
    void setTransitionLength(IZRObject* transition, IZRPos* start, IZRPos* end) override {
        note();
        ZRVeskEditor::setTransitionLength(transition, start, end);
    }

private:
    void note() {
        if (timeline()) pauses.push_back(pausedNow(timeline()));
    }
};

/// The view with its drag handlers reachable: Qt routes synthetic drag events only during a
/// real drag.
class OpenTimelineView : public ZRTimelineView {
public:
    using ZRTimelineView::dragEnterEvent;
    using ZRTimelineView::dragLeaveEvent;
    using ZRTimelineView::dragMoveEvent;
    using ZRTimelineView::dropEvent;
};

class TimelineTest : public ViewsTest {
protected:
    void SetUp() override {
        ViewsTest::SetUp();
        {
            std::lock_guard lock(appState().lock);
            appState().frameRate = kRate;
        }
        editor.setTimeline(timeline);
        appState().editor = &editor;
    }

    void TearDown() override {
        view.reset();
        appState().editor = nullptr;
        // The editor gives its positions back to the timeline, which goes next.
        editorHolder.reset();
        ViewsTest::TearDown();
    }

    /// A view with the six tracks' numbers, heights and ids, shown at `size`.
    OpenTimelineView* makeView(QSize size = QSize(900, 260)) {
        view = std::make_unique<OpenTimelineView>();
        struct Row {
            int number;
            bool video;
            const char* name;
            int height;
            int id;
        };
        const Row rows[] = {{2, true, "TRANSITION", 15, 1000}, {1, true, "VIDEO", 40, 1001},
                            {-1, false, "AUDIO1", 15, 1002},   {4, true, "TITLES", 27, -1},
                            {10, false, "AUDIO2", 15, 2},      {11, false, "AUDIO3", 15, 3}};
        for (const Row& r : rows)
            view->insertTrack(new RecordingTrack(r.number, r.video, r.name, r.height, r.id), -1);
        view->setEditor(&editor);
        view->resize(size);
        view->show();
        (void)QTest::qWaitForWindowExposed(view.get());
        return view.get();
    }

    RecordingTrack* track(int i) { return static_cast<RecordingTrack*>(view->trackAt(i)); }

    /// Appends `n` clips to the chain.
    void addClips(int n) {
        for (int i = 0; i < n; ++i)
            ASSERT_TRUE(editor.insertClip(clip(), editor.objectCount()));
        view->updateHorizontalRange();
    }

    std::unique_ptr<ProbeEditor> editorHolder = std::make_unique<ProbeEditor>();
    ProbeEditor& editor = *editorHolder;
    std::unique_ptr<OpenTimelineView> view;
};

} // namespace viewstest
