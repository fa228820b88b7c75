#pragma once

// Editing on the tracks: a view whose tracks edit, mouse events sent straight to a track, and the
// program's own move drag played by the test while it runs.

#include "editor/ZRUserData.h"
#include "editor/ZRVeskEditorDrag.h"
#include "engine/api/IZRTimeline.h"
#include "platform/system/SystemPaths.h"
#include "tests/views/TimelineFixture.h"
#include "views/ZRTimelineScale.h"

#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QThread>

#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

namespace viewstest {

/// A move drag whose run the test plays: `during` gets the drag's data while it counts as
/// running and answers the action the drop took.
class PlayedDrag : public ZRVeskEditorDrag {
public:
    using ZRVeskEditorDrag::ZRVeskEditorDrag;
    std::function<Qt::DropAction(const QMimeData*)> during;

protected:
    Qt::DropAction execute(QDrag& drag) override {
        return during ? during(drag.mimeData()) : Qt::IgnoreAction;
    }
};

/// A track of kind `Base` that notes the pause setting whenever it changes its engine list.
template <class Base> class Probing : public Base {
public:
    using Base::Base;
    std::vector<int> pauses;

    bool insertObject(IZRPos* at, IZRObject* object) override {
        note();
        return Base::insertObject(at, object);
    }
    void removeObject(IZRObject* object) override {
        note();
        Base::removeObject(object);
    }
    void setClipTrack(bool on) { this->m_clipTrack = on; }

private:
    void note() {
        if (this->m_timeline) pauses.push_back(pausedNow(this->m_timeline));
    }
};

using ProbeTrack = Probing<ZRTimelineTrack>;

/// Counts the editor records the engine releases with their objects.
inline int& releasedRecords() {
    static int count = 0;
    return count;
}

class TrackEditTest : public TimelineTest {
protected:
    void SetUp() override {
        TimelineTest::SetUp();
        // Transitions and titles need the module tree and the engine's fonts.
        editor.setTimeline(nullptr);
        IZRDeleteTimelineInstance(timeline);
        static const int anchor = 0;
        const QByteArray root =
            (platform::folderOfAddress(&anchor) + QStringLiteral("modulefixture/")).toUtf8();
        static void (*release)(intptr_t) = nullptr;
        release = callbacks.deleteUserData;
        callbacks.deleteUserData = [](intptr_t value) {
            ++releasedRecords();
            if (release) release(value);
        };
        timeline = IZRCreateTimelineInstance(&callbacks, root.constData(), 0);
        ASSERT_NE(timeline, nullptr);
        timeline->settings()->setDoubleSetting("Framerate", kRate);
        appState().timeline = timeline;
        hub.position = pos(0);
        editor.setTimeline(timeline);
        // The renderer runs, so that the engine reports its pauses.
        ASSERT_TRUE(timeline->settings()->setIntSetting("Enable Background Rendering", 1));
        ZRTimelineTrack::setMoveDragFactory([this](QObject* source, const char* name) {
            auto drag = std::make_unique<PlayedDrag>(source, name);
            drag->during = [this](const QMimeData* data) {
                ++movesStarted;
                return onMoveDrag ? onMoveDrag(data) : Qt::IgnoreAction;
            };
            return std::unique_ptr<ZRVeskEditorDrag>(std::move(drag));
        });
    }

    void TearDown() override {
        timeline->settings()->setIntSetting("Enable Background Rendering", 0);
        ZRTimelineTrack::setMoveDragFactory(nullptr);
        TimelineTest::TearDown();
    }

    /// A shown view holding `tracks`, top to bottom, with a 20 s clip in the chain so that the
    /// edit is 500 frames long.
    OpenTimelineView* showTracks(std::initializer_list<ZRTimelineTrack*> tracks) {
        view = std::make_unique<OpenTimelineView>();
        for (ZRTimelineTrack* t : tracks)
            view->insertTrack(t, -1);
        view->setEditor(&editor);
        view->resize(900, 260);
        view->show();
        (void)QTest::qWaitForWindowExposed(view.get());
        EXPECT_TRUE(editor.insertClip(clip("long.avi"), 0));
        view->updateHorizontalRange();
        return view.get();
    }

    /// Zooms to `level` (2: three pixels a frame; 4: five seconds a unit).
    void zoomTo(int level) {
        while (view->zoomLevel() > level)
            view->slotZoomIn();
        while (view->zoomLevel() < level)
            view->slotZoomOut();
    }

    /// Scrolls the view so that `frame` shows.
    void reveal(int frame) {
        view->slotGotoPosition(pos(frame), nullptr);
        ASSERT_LE(view->visibleStart()->toFrames(), frame);
        ASSERT_GE(view->visibleEnd()->toFrames(), frame);
    }

    /// A solid colour `frames` long with a title record, placed at frame `at` of video track
    /// `track`.
    IZRObject* place(int track, int at, int frames) {
        IZRObject* o = solid(frames);
        EXPECT_TRUE(timeline->insertObject(track, pos(at), o));
        return o;
    }

    IZRObject* solid(int frames) {
        IZRObject* o = factory()->createObject("Solid Color", "RGB(200,0,0)", nullptr, nullptr);
        timeline->setObjectMarkOut(o, pos(frames));
        o->setUserValue(reinterpret_cast<intptr_t>(new ZRTitleUserData));
        return o;
    }

    static int frames(IZRPos* p) { return int(p->toFrames()); }

    /// The view point over frame `frame` of a track (plus `dx` pixels), halfway down.
    QPoint at(ZRTimelineTrack* t, double frame, int dx = 0) {
        const int64_t origin = int64_t(view->horizontalValue()) * view->timeScale().pixelsPerUnit();
        const int64_t x = view->timeScale().xOfFrames(frame) - origin;
        return QPoint(t->contentRect().left() + int(x) + dx, t->contentRect().center().y());
    }

    static void press(ZRTimelineTrack* t, QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QMouseEvent e(QEvent::MouseButtonPress, p, p, Qt::LeftButton, Qt::LeftButton, mods);
        t->MousePressEvent(&e);
    }
    static void move(ZRTimelineTrack* t, QPoint p, Qt::MouseButtons buttons = Qt::LeftButton) {
        QMouseEvent e(QEvent::MouseMove, p, p, Qt::NoButton, buttons, Qt::NoModifier);
        t->MouseMoveEvent(&e);
    }
    static void release(ZRTimelineTrack* t, QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QMouseEvent e(QEvent::MouseButtonRelease, p, p, Qt::LeftButton, Qt::NoButton, mods);
        t->MouseReleaseEvent(&e);
    }

    /// Presses at `from`, drags to `to` and releases there.
    static void drag(ZRTimelineTrack* t, QPoint from, QPoint to) {
        press(t, from);
        move(t, to);
        release(t, to);
    }

    /// The payload of a drag of `object` started on this thread.
    static QByteArray payloadOf(const void* object, uintptr_t thread = 0) {
        ZRVeskEditorDrag d(nullptr, "Moving Editor Object");
        d.setPayload(thread ? thread : reinterpret_cast<uintptr_t>(QThread::currentThread()),
                     reinterpret_cast<uintptr_t>(object), 0);
        return d.encodedData(ZRVeskEditorDrag::kMimeType);
    }

    /// Runs the program's drag of `object` (payload from `bytes` when given) and lets `play`
    /// send the drag's events meanwhile.
    void whileDragging(const QByteArray& bytes, const std::function<void(const QMimeData*)>& play) {
        QWidget source;
        PlayedDrag d(&source, "Moving Editor Object");
        d.during = [&](const QMimeData*) {
            QMimeData data;
            data.setData(ZRVeskEditorDrag::kMimeType, bytes);
            play(&data);
            return Qt::IgnoreAction;
        };
        (void)d.dragCopyOrMove();
    }

    /// Enters the view at `from`, moves to `to` and, with `dropIt`, drops there; true when the
    /// enter was accepted.
    bool dragOver(const QMimeData* data, QPoint from, QPoint to, Qt::DropAction action,
                  bool dropIt = true) {
        QDragEnterEvent enter(from, action, data, Qt::LeftButton, Qt::NoModifier);
        view->dragEnterEvent(&enter);
        const bool accepted = enter.isAccepted();
        QDragMoveEvent moved(to, action, data, Qt::LeftButton, Qt::NoModifier);
        view->dragMoveEvent(&moved);
        if (dropIt) {
            QDropEvent dropped(QPointF(to), action, data, Qt::LeftButton, Qt::NoModifier);
            view->dropEvent(&dropped);
        }
        return accepted;
    }

    int movesStarted = 0;
    std::function<Qt::DropAction(const QMimeData*)> onMoveDrag;
};

} // namespace viewstest
