// Drags from outside the timeline as Qt delivers them to the view: a drag entering over the
// ruler or the track names, moving onto a track and dropping there lands on that track.
#include "editor/ZRChainLinks.h"
#include "editor/ZREngineDrag.h"
#include "editor/ZRTitleDrag.h"
#include "tests/views/TracksFixture.h"

#include <QApplication>
#include <QMimeData>

#include <functional>
#include <memory>

using namespace viewstest;

namespace {

/// Delivers a drag to a widget by Qt's rules: the answer to the enter, and then to each move,
/// is carried into the next move as its starting answer, and the drop comes only when the last
/// move was accepted (otherwise the drag ends with a leave).
class QtDragRules {
public:
    QtDragRules(QWidget* target, const QMimeData* data) : m_target(target), m_data(data) {}

    void enter(QPoint at) {
        QDragEnterEvent e(at, Qt::CopyAction, m_data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_target, &e);
        m_last = e.isAccepted() && e.dropAction() != Qt::IgnoreAction ? e.dropAction()
                                                                      : Qt::IgnoreAction;
        move(at);
    }
    /// True when the move was accepted (Qt shows the drop cursor).
    bool move(QPoint at) {
        QDragMoveEvent e(at, Qt::CopyAction, m_data, Qt::LeftButton, Qt::NoModifier);
        if (m_last != Qt::IgnoreAction) {
            e.setDropAction(m_last);
            e.accept();
        }
        QApplication::sendEvent(m_target, &e);
        m_last = e.isAccepted() ? e.dropAction() : Qt::IgnoreAction;
        return m_last != Qt::IgnoreAction;
    }
    /// True when the drop was delivered.
    bool drop(QPoint at) {
        if (m_last == Qt::IgnoreAction) {
            QDragLeaveEvent leave;
            QApplication::sendEvent(m_target, &leave);
            return false;
        }
        QDropEvent e(QPointF(at), Qt::CopyAction, m_data, Qt::LeftButton, Qt::NoModifier);
        e.setDropAction(m_last);
        QApplication::sendEvent(m_target, &e);
        return true;
    }

private:
    QWidget* m_target;
    const QMimeData* m_data;
    Qt::DropAction m_last = Qt::IgnoreAction;
};

class TimelineViewDropTest : public TracksTest {
protected:
    bool realTransitionAndTitleTracks() const override { return true; }

    /// A point on the ruler above `frame`.
    QPoint overRuler(double frame) {
        return QPoint(at(Video, frame).x(), view->rulerRect().center().y());
    }
    /// A point on a track's name column.
    QPoint overName(int track) {
        const QRect header = view->trackAt(track)->headerRect();
        return QPoint(header.center().x(), header.center().y() - view->verticalValue());
    }

    QTemporaryDir dir;
};

TEST_F(TimelineViewDropTest, DragsEnteringOverTheRulerLandOnTheTrackTheyDropOn) {
    struct Case {
        const char* what;
        std::function<QMimeData*()> data;
        int track;
        double frame;
        std::function<bool()> landed;
    };
    const Case cases[] = {
        {"a sound on AUDIO2", [&] { return urlData(mediaFiles(dir, {"music.avi"})); }, Audio2, 20,
         [&] { return audio(Audio2)->firstObject() != nullptr; }},
        {"a title on TITLES",
         [] {
             ZRTitleSettings title;
             title.text = QStringLiteral("Hello");
             title.duration = 2000;
             return ZRTitleDrag::mimeData(title);
         },
         Titles, 20, [&] { return view->trackAt(Titles)->firstObject() != nullptr; }},
        {"an effect on a clip",
         [] { return ZREngineDrag::mimeData(1, "Video Effect", "Colour", "Test Invert"); }, Video,
         75, [&] { return chainlinks::clip(editor->objectAt(1))->effect != nullptr; }},
        {"a transition on TRANSITION",
         [] { return ZREngineDrag::mimeData(1, "Transition", "Basic", "Test Fade"); }, Transition,
         70, [&] { return editor->transitionOf(0) != nullptr; }},
    };
    // 0..49, 50..99, 100..149; the effect goes first, before the transition moves the clips.
    addClips(3);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::unique_ptr<QMimeData> data(c.data());
        QtDragRules drag(view.get(), data.get());
        drag.enter(overRuler(c.frame));
        EXPECT_FALSE(drag.move(overRuler(c.frame + 1))) << "the ruler takes no drop";
        // A track places what it is dragged over from the second move on.
        EXPECT_TRUE(drag.move(at(c.track, c.frame - 2)));
        EXPECT_TRUE(drag.move(at(c.track, c.frame)));
        EXPECT_TRUE(drag.drop(at(c.track, c.frame)));
        EXPECT_TRUE(c.landed());
    }
}

TEST_F(TimelineViewDropTest, WhereNoTrackTakesTheDragTheCursorSaysNoDrop) {
    addClips(2);
    const std::unique_ptr<QMimeData> data(urlData(mediaFiles(dir, {"music.avi"})));
    QtDragRules drag(view.get(), data.get());
    drag.enter(overName(Audio2));
    EXPECT_FALSE(drag.move(overName(Audio3))) << "the track names take no drop";
    EXPECT_FALSE(drag.move(at(Titles, 20))) << "a sound is no title";
    EXPECT_TRUE(drag.move(at(Audio3, 20)));
    EXPECT_FALSE(drag.move(overRuler(20)));
    // Released where nothing takes it, the drag ends with a leave and leaves nothing behind.
    EXPECT_FALSE(drag.drop(overRuler(20)));
    EXPECT_EQ(view->dragTrack(), nullptr);
    EXPECT_EQ(audio(Audio3)->firstObject(), nullptr);
    EXPECT_EQ(audio(Audio3)->dropObject(), nullptr);

    // Data no track reads is refused on entering.
    QMimeData other;
    other.setData(QStringLiteral("application/x-other"), "words");
    QDragEnterEvent enter(overRuler(20), Qt::CopyAction, &other, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.get(), &enter);
    EXPECT_FALSE(enter.isAccepted());
}

} // namespace
