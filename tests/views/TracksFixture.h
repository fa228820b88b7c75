#pragma once

// The video and audio track tests: a timeline view holding the real video track and the three
// audio tracks between recording stand-ins for the transition and title tracks (or the real
// ones), over the module tree (counting clips, transitions, effects, titles and fonts) at
// 25 fps, zoomed to 3 pixels a frame.

#include "engine/api/IZRObject.h"
#include "engine/api/IZRSettings.h"
#include "tests/views/TimelineFixture.h"
#include "tests/views/TrackEditFixture.h"
#include "views/ZRAudioTrack.h"
#include "views/ZRTitleTrack.h"
#include "views/ZRTransitionTrack.h"
#include "views/ZRVideoTrack.h"

#include <QMimeData>
#include <QMouseEvent>
#include <QThread>

#include <functional>
#include <memory>

namespace viewstest {

/// A main window that keeps its status texts.
class RecordingHub : public FakeHub {
public:
    QStringList messages;
    void message(const QString& text, int) override { messages.append(text); }
};

class TracksTest : public ViewsTest {
protected:
    enum Index { Transition = 0, Video, Audio1, Titles, Audio2, Audio3 };

    void SetUp() override {
        ViewsTest::SetUp();
        useModuleTree();
        if (HasFatalFailure()) return;
        appState().hub = &statusHub;
        statusHub.position = pos(0);
        {
            std::lock_guard lock(appState().lock);
            appState().frameRate = kRate;
        }
        qRegisterMetaType<IZRObject*>();
        editor = std::make_unique<ZRVeskEditor>();
        editor->setTimeline(timeline);
        appState().editor = editor.get();
        view = std::make_unique<OpenTimelineView>();
        view->insertTrack(
            realTransitionAndTitleTracks()
                ? static_cast<ZRTimelineTrack*>(new ZRTransitionTrack("TRANSITION", 1001, 1000))
                : new RecordingTrack(2, true, "TRANSITION", 15, 1000),
            -1);
        view->insertTrack(new ZRVideoTrack("VIDEO", 1000, 1002, 1001), -1);
        view->insertTrack(new ZRAudioTrack("AUDIO1", -1, 1001, 1002), -1);
        view->insertTrack(realTransitionAndTitleTracks()
                              ? static_cast<ZRTimelineTrack*>(new ZRTitleTrack("TITLES", 4, -1))
                              : new RecordingTrack(4, true, "TITLES", 27, -1),
                          -1);
        view->insertTrack(new ZRAudioTrack("AUDIO2", 10, -1, 2), -1);
        view->insertTrack(new ZRAudioTrack("AUDIO3", 11, -1, 3), -1);
        view->setEditor(editor.get());
        view->resize(1400, 300);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        while (view->zoomLevel() > 2)
            view->slotZoomIn();
        if (withRenderer()) {
            // The renderer runs, so that the engine reports its pauses.
            settings()->setIntSetting("Enable Background Rendering", 1);
            watchPauses();
        }
    }

    void TearDown() override {
        if (timeline) settings()->setIntSetting("Enable Background Rendering", 0);
        view.reset();
        appState().editor = nullptr;
        editor.reset();
        ViewsTest::TearDown();
    }

    /// True to run the background renderer and watch the pauses of every change.
    virtual bool withRenderer() const { return false; }
    /// True for the real transition and title tracks in place of the recording stand-ins.
    virtual bool realTransitionAndTitleTracks() const { return false; }

    ZRVideoTrack* video() { return static_cast<ZRVideoTrack*>(view->trackAt(Video)); }
    ZRAudioTrack* audio(int index) { return static_cast<ZRAudioTrack*>(view->trackAt(index)); }

    /// Appends `n` counting clips (50 frames each) named "clip<i>.avi".
    void addClips(int n, const char* word = "") {
        for (int i = 0; i < n; ++i) {
            const std::string name = "clip" + std::to_string(editor->objectCount()) + word + ".avi";
            ASSERT_TRUE(editor->insertClip(clip(name), editor->objectCount()));
        }
        view->updateHorizontalRange();
    }

    /// A transition of `frames` frames after the clip at `index`.
    void addTransition(int index, int frames) {
        IZRObject* t = factory()->createObject("Transition", "Basic", "Test Fade", nullptr);
        ASSERT_NE(t, nullptr);
        timeline->setObjectMarkOut(t, pos(frames));
        ASSERT_TRUE(editor->setTransition(index, t));
    }

    /// The view point over `frame` on a track (vertically in its middle, or `dy` below its top).
    QPoint at(int track, double frame, int dy = -1) {
        ZRTimelineTrack* t = view->trackAt(track);
        const QRect content = t->contentRect().translated(0, -view->verticalValue());
        const int64_t origin = int64_t(view->horizontalValue()) * view->timeScale().pixelsPerUnit();
        const int64_t x = view->timeScale().xOfFrames(frame) - origin + content.left();
        return QPoint(int(x), dy < 0 ? content.center().y() : content.top() + dy);
    }

    /// The view x where a frame's pixels start (3 pixels a frame).
    int xOf(int track, double frame) { return at(track, frame).x(); }

    void press(ZRTimelineTrack* t, QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QMouseEvent e(QEvent::MouseButtonPress, p, view->mapToGlobal(p), Qt::LeftButton,
                      Qt::LeftButton, mods);
        t->MousePressEvent(&e);
    }
    void move(ZRTimelineTrack* t, QPoint p, Qt::MouseButtons buttons = Qt::LeftButton) {
        QMouseEvent e(QEvent::MouseMove, p, view->mapToGlobal(p), Qt::NoButton, buttons,
                      Qt::NoModifier);
        t->MouseMoveEvent(&e);
    }
    void release(ZRTimelineTrack* t, QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QMouseEvent e(QEvent::MouseButtonRelease, p, view->mapToGlobal(p), Qt::LeftButton,
                      Qt::NoButton, mods);
        t->MouseReleaseEvent(&e);
    }

    /// Plays a drag of `data` entering the view at `p` and dropping there; true when the
    /// track under the point took the drag on entering.
    bool dropOnView(QMimeData* data, QPoint p, Qt::DropAction action = Qt::CopyAction) {
        std::unique_ptr<QMimeData> owned(data);
        QDragEnterEvent enter(p, action, data, Qt::LeftButton, Qt::NoModifier);
        view->dragEnterEvent(&enter);
        const bool taken = enter.isAccepted();
        QDropEvent drop(p, action, data, Qt::LeftButton, Qt::NoModifier);
        view->dropEvent(&drop);
        return taken;
    }

    IZRSettings* settings() { return timeline->settings(); }

    /// Runs this program's drag of `object` while `play` sends the drag's events.
    void whileDragging(IZRObject* object, const std::function<void(const QMimeData*)>& play) {
        PlayedDrag drag(view.get(), "Moving Editor Object");
        drag.setPayload(reinterpret_cast<uintptr_t>(QThread::currentThread()),
                        reinterpret_cast<uintptr_t>(object), 0);
        drag.during = [&](const QMimeData* data) {
            play(data);
            return Qt::IgnoreAction;
        };
        (void)drag.dragCopyOrMove();
    }

    /// Records the pause setting whenever the editor announces a change.
    void watchPauses() {
        QObject::connect(editor.get(), &ZRVeskEditor::projectChanged, [this] {
            int value = -1;
            settings()->getIntSetting("Pause Background Rendering", &value);
            pausedOnChange.push_back(value);
        });
    }
    /// Every change made since `watchPauses` ran with the renderer paused.
    void expectPausedThroughout() {
        EXPECT_FALSE(pausedOnChange.empty());
        for (int value : pausedOnChange)
            EXPECT_EQ(value, 1);
    }
    std::vector<int> pausedOnChange;

    RecordingHub statusHub;
    std::unique_ptr<ZRVeskEditor> editor;
    std::unique_ptr<OpenTimelineView> view;
};

} // namespace viewstest
