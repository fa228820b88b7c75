// Entries dragged out of the effects and transitions pages land where the storyboard and the
// video track put engine objects.
#include "browser/ZRBrowserEffectsView.h"
#include "browser/ZRBrowserTransView.h"
#include "editor/ZRChainLinks.h"
#include "tests/views/StoryboardFixture.h"
#include "tests/views/TracksFixture.h"

#include <QDrag>
#include <QDropEvent>
#include <QMimeData>

#include <memory>

using namespace viewstest;

namespace {

/// What the page's drag of its first entry offers, copied into data a drop may own.
QMimeData* pageDrag(ZRBrowserEngineView& page, IZRTimeline* timeline) {
    page.setTimeline(timeline);
    page.folderClicked(page.firstItem());
    page.setSelected(page.firstItem(), true);
    std::unique_ptr<QDrag> drag(page.dragObject());
    if (!drag) return nullptr;
    auto* data = new QMimeData;
    for (const QString& format : drag->mimeData()->formats())
        data->setData(format, drag->mimeData()->data(format));
    return data;
}

class EngineDropOnStoryboard : public StoryboardTest {
protected:
    bool withModules() const override { return true; }

    void drop(QMimeData* data, QPoint at) {
        ASSERT_NE(data, nullptr);
        std::unique_ptr<QMimeData> owned(data);
        QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(board, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent e(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(board, &e);
    }
};

TEST_F(EngineDropOnStoryboard, TransitionLandsBetweenTwoClipsAndEffectOnAClip) {
    addClips(3);
    ZRBrowserTransView transitions;
    drop(pageDrag(transitions, timeline), cellPoint(1) + QPoint(10, 0));
    ASSERT_NE(editor->transitionOf(1), nullptr);
    EXPECT_EQ(QString::fromUtf8(editor->transitionOf(1)->name()), "Test Fade");
    EXPECT_EQ(editor->transitionOf(0), nullptr);

    ZRBrowserEffectsView effects;
    drop(pageDrag(effects, timeline), cellPoint(2));
    EXPECT_NE(record(2)->effect, nullptr);
    EXPECT_EQ(record(1)->effect, nullptr);
}

class EngineDropOnVideoTrack : public TracksTest {};

TEST_F(EngineDropOnVideoTrack, TransitionLandsBetweenTwoClipsAndEffectOnAClip) {
    addClips(3); // 0..49, 50..99, 100..149
    ZRBrowserEffectsView effects;
    dropOnView(pageDrag(effects, timeline), at(Video, 75));
    EXPECT_NE(chainlinks::clip(editor->objectAt(1))->effect, nullptr);
    EXPECT_EQ(chainlinks::clip(editor->objectAt(0))->effect, nullptr);

    ZRBrowserTransView transitions;
    dropOnView(pageDrag(transitions, timeline), at(Video, 70));
    EXPECT_NE(editor->transitionOf(0), nullptr);
    EXPECT_EQ(editor->transitionOf(1), nullptr);
}

} // namespace
