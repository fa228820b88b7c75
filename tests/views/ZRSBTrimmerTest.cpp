#include "views/ZRSBTrimmer.h"
#include "classes/widgets/ZRPushButton.h"
#include "classes/widgets/ZRSlider.h"
#include "classes/widgets/ZRTCWidget.h"
#include "editor/ZRClipMarks.h"
#include "editor/ZRUserData.h"
#include "tests/views/ViewsFixture.h"
#include "views/ZRSBVideoView.h"

#include <QSignalSpy>

#include <memory>
#include <vector>

using namespace viewstest;

namespace {

// The editor's mark operations, recorded and applied to the engine directly.
class FakeEditor : public QObject, public ZRClipMarks {
public:
    explicit FakeEditor(IZRTimeline* timeline) : m_timeline(timeline) {}

    struct Call {
        bool in;
        IZRObject* clip;
        int frames;
    };
    std::vector<Call> calls;

    void setClipMarkIn(IZRObject* clip, IZRPos* mark) override { record(true, clip, mark); }
    void setClipMarkOut(IZRObject* clip, IZRPos* mark) override { record(false, clip, mark); }

private:
    bool record(bool in, IZRObject* clip, IZRPos* mark) {
        calls.push_back({in, clip, int(mark->toFrames())});
        return in ? m_timeline->setObjectMarkIn(clip, mark)
                  : m_timeline->setObjectMarkOut(clip, mark);
    }
    IZRTimeline* m_timeline;
};

int frames(IZRPos* p) {
    return p ? int(p->toFrames()) : -1;
}

class ZRSBTrimmerTest : public ViewsTest {
protected:
    void SetUp() override {
        ViewsTest::SetUp();
        editor = std::make_unique<FakeEditor>(timeline);
        appState().editor = editor.get();
        root.resize(300, 280);
        left = new ZRSBTrimmer(0, &root);
        right = new ZRSBTrimmer(1, &root);
        right->move(140, 0);
        root.show();
        left->setTimeline(timeline);
        right->setTimeline(timeline);
    }
    void TearDown() override {
        delete left;
        delete right;
        appState().editor = nullptr;
        ViewsTest::TearDown();
    }

    // Three 20-second clips of the chain, each using 2 s..6 s of its source, placed from 0 s
    // at `spacing` seconds apart on tracks 1 and 3 alternately.
    void makeChain(int spacing = 4, const char* middleName = "long.avi") {
        for (int i = 0; i < 3; ++i) {
            chain[i] = clip(i == 1 ? middleName : "long.avi");
            ASSERT_NE(chain[i], nullptr);
            timeline->setObjectMarkIn(chain[i], pos(50));
            timeline->setObjectMarkOut(chain[i], pos(150));
            timeline->insertObject(i % 2 ? 3 : 1, pos(25 * spacing * i), chain[i]);
        }
        for (int i = 0; i < 3; ++i)
            chain[i]->setUserValue(intptr_t(new ZRVideoUserData(i, i > 0 ? chain[i - 1] : nullptr,
                                                                i < 2 ? chain[i + 1] : nullptr)));
    }

    QRgb centre(ZRSBVideoView* view) {
        const QImage image = view->grab().toImage();
        return image.pixel(image.width() / 2, image.height() / 2);
    }

    std::unique_ptr<FakeEditor> editor;
    QSBWidget root;
    ZRSBTrimmer* left = nullptr;
    ZRSBTrimmer* right = nullptr;
    IZRObject* chain[3] = {};
};

} // namespace

TEST_F(ZRSBTrimmerTest, HasThePanelsGeometry) {
    EXPECT_EQ(left->size(), QSize(128, 256));
    EXPECT_EQ(left->currentView()->geometry(), QRect(QPoint(9, 30), QPoint(118, 113)));
    EXPECT_EQ(left->neighbourView()->geometry(), QRect(QPoint(57, 158), QPoint(118, 202)));
    EXPECT_EQ(right->neighbourSlider()->geometry(), QRect(QPoint(8, 210), QPoint(71, 221)));
    EXPECT_TRUE(left->currentSlider()->isReversed());
    EXPECT_FALSE(left->neighbourSlider()->isReversed());
    EXPECT_FALSE(right->currentSlider()->isReversed());
    EXPECT_TRUE(right->neighbourSlider()->isReversed());
    EXPECT_FALSE(left->isEnabled());
    // The time code sits where the panel puts it and fits the panel, frame included.
    for (ZRSBTrimmer* t : {left, right}) {
        const QRect tc = t->timecode()->geometry();
        EXPECT_EQ(tc.topLeft(), t == left ? QPoint(51, 6) : QPoint(8, 6));
        EXPECT_LE(tc.right(), t->width() - 4);
        EXPECT_LE(tc.bottom(), t->currentView()->geometry().top());
    }
}

TEST_F(ZRSBTrimmerTest, EndsOfTheChainDisableTheMissingNeighboursHalf) {
    makeChain();
    left->updateObject(chain[0], nullptr);
    right->updateObject(chain[2], nullptr);
    for (ZRSBTrimmer* t : {left, right}) {
        EXPECT_TRUE(t->isEnabled());
        EXPECT_TRUE(t->currentSlider()->isEnabled());
        EXPECT_FALSE(t->neighbourSlider()->isEnabled());
        EXPECT_FALSE(t->neighbourView()->isEnabled());
        EXPECT_FALSE(t->jumpButton()->isEnabled());
    }
    // The left slider runs from the right: it holds 1 - mark-in / (source - 1 frame).
    EXPECT_DOUBLE_EQ(left->currentSlider()->value(), 1.0 - 50.0 / 499.0);
    EXPECT_DOUBLE_EQ(right->currentSlider()->value(), 149.0 / 499.0);
    EXPECT_EVENTUALLY_EQ(frameNumber(centre(left->currentView())), 50);
    EXPECT_EVENTUALLY_EQ(frameNumber(centre(right->currentView())), 149);

    // A middle clip has both neighbours: the previous one's last frame, the next one's first.
    left->updateObject(chain[1], nullptr);
    right->updateObject(chain[1], nullptr);
    EXPECT_TRUE(left->neighbourSlider()->isEnabled());
    EXPECT_TRUE(right->jumpButton()->isEnabled());
    EXPECT_DOUBLE_EQ(left->neighbourSlider()->value(), 149.0 / 499.0);
    EXPECT_DOUBLE_EQ(right->neighbourSlider()->value(), 1.0 - 50.0 / 499.0);
    EXPECT_EVENTUALLY_EQ(frameNumber(centre(left->neighbourView())), 149);
    EXPECT_EVENTUALLY_EQ(frameNumber(centre(right->neighbourView())), 50);

    // Dragging shows the frame under the knob; the jump button goes to the neighbour.
    std::vector<IZRObject*> objects;
    QObject::connect(left, &ZRSBTrimmer::objectChanged, editor.get(),
                     [&objects](IZRObject* o, QWidget*) { objects.push_back(o); });
    left->sliderMoved(left->neighbourSlider(), 100.0 / 499.0);
    EXPECT_EVENTUALLY_EQ(frameNumber(centre(left->neighbourView())), 100);
    left->changeClip();
    EXPECT_EQ(objects, std::vector<IZRObject*>{chain[0]});

    // Objects that are not clips of the chain are ignored.
    IZRObject* loose = clip();
    left->updateObject(loose, nullptr);
    EXPECT_EQ(left->getCurrentObject(), chain[1]);
}

TEST_F(ZRSBTrimmerTest, CommitsSetMarksAndMoveTheSharedPosition) {
    // Clip B lies at 4 s .. 8 s (frames 100..199); committing mark-in 3 s, then mark-out 5 s.
    struct Row {
        const char* name;
        int side;
        int hubFrames;
        int expectedPosition; // -1: B's start, -2: B's end after the change
    };
    const std::vector<Row> rows = {
        {"left, position before the clip", 0, 10, -1},
        {"left, position within and still within", 0, 150, 150},
        {"left, position after the clip", 0, 250, -1},
        {"right, position within and still within", 1, 120, 120},
        {"right, position within, now after the end", 1, 190, -2},
        {"right, position before the clip", 1, 10, -2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // As the editor does: the views let go of an object before it is destroyed.
        for (IZRObject* o : chain) {
            if (!o) continue;
            left->deleteObject(o);
            right->deleteObject(o);
            factory()->destroyObject(o);
        }
        makeChain();
        editor->calls.clear();
        ZRSBTrimmer* t = row.side == 0 ? left : right;
        t->updateObject(chain[1], nullptr);
        hub.position = pos(row.hubFrames);
        // The position is the sender's: read it as it is signalled.
        std::vector<int> moved;
        QObject::connect(t, &ZRSBTrimmer::positionChanged, editor.get(),
                         [&moved](IZRPos* p, QWidget*) { moved.push_back(frames(p)); });
        QSignalSpy refreshed(t, &ZRSBTrimmer::refreshSlider);
        const double fraction = (row.side == 0 ? 75.0 : 124.0) / 499.0;
        t->setMarkInOut(t->currentSlider(), row.side == 0 ? 1.0 - fraction : fraction);

        ASSERT_EQ(editor->calls.size(), 1u);
        EXPECT_EQ(editor->calls[0].in, row.side == 0);
        EXPECT_EQ(editor->calls[0].clip, chain[1]);
        EXPECT_EQ(editor->calls[0].frames, row.side == 0 ? 75 : 125);
        EXPECT_EQ(refreshed.count(), 1);
        ASSERT_EQ(moved.size(), 1u);
        const int expected = row.expectedPosition == -1   ? frames(chain[1]->startPos())
                             : row.expectedPosition == -2 ? frames(chain[1]->endPos())
                                                          : row.expectedPosition;
        EXPECT_EQ(moved[0], expected);
        QObject::disconnect(t, &ZRSBTrimmer::positionChanged, editor.get(), nullptr);
    }
}

TEST_F(ZRSBTrimmerTest, NeighbourCommitsSetTheNeighboursMark) {
    makeChain();
    left->updateObject(chain[1], nullptr);
    right->updateObject(chain[1], nullptr);
    left->setMarkInOut(left->neighbourSlider(), 99.0 / 499.0);
    right->setMarkInOut(right->neighbourSlider(), 1.0 - 60.0 / 499.0);
    ASSERT_EQ(editor->calls.size(), 2u);
    EXPECT_FALSE(editor->calls[0].in);
    EXPECT_EQ(editor->calls[0].clip, chain[0]);
    EXPECT_EQ(editor->calls[0].frames, 100);
    EXPECT_TRUE(editor->calls[1].in);
    EXPECT_EQ(editor->calls[1].clip, chain[2]);
    EXPECT_EQ(editor->calls[1].frames, 60);
}

TEST_F(ZRSBTrimmerTest, OneFrameClipDisablesItsSlider) {
    makeChain(4, "single.avi");
    left->updateObject(chain[1], nullptr);
    EXPECT_FALSE(left->currentSlider()->isEnabled());
    left->setMarkInOut(left->currentSlider(), 0.5);
    left->sliderMoved(left->currentSlider(), 0.5);
    left->slotFrameForward();
    EXPECT_TRUE(editor->calls.empty());
    EXPECT_EVENTUALLY_EQ(frameNumber(centre(left->currentView())), 0);
    // The neighbour trimming still works.
    EXPECT_TRUE(left->neighbourSlider()->isEnabled());
}

TEST_F(ZRSBTrimmerTest, MarkButtonSetsTheSourceMarkAtTheTimelinePosition) {
    // A clip at 10 s with mark-in 2 s; the position at 12 s is its source's 4 s.
    makeChain(10);
    for (ZRSBTrimmer* t : {left, right})
        t->updateObject(chain[1], nullptr);
    hub.position = pos(300);
    left->slotMarkButtonClicked();
    ASSERT_EQ(editor->calls.size(), 1u);
    EXPECT_TRUE(editor->calls[0].in);
    EXPECT_EQ(editor->calls[0].frames, 100);
    EXPECT_EQ(frames(chain[1]->markIn()), 100);
    EXPECT_DOUBLE_EQ(left->currentSlider()->value(), 1.0 - 100.0 / 499.0);

    // Outside the clip nothing is set.
    hub.position = pos(25 * 30);
    left->slotMarkButtonClicked();
    right->slotMarkButtonClicked();
    EXPECT_EQ(editor->calls.size(), 1u);

    // The right side sets mark-out the same way, wherever the clip now starts.
    hub.position = pos(frames(chain[1]->startPos()) + 20);
    right->slotMarkButtonClicked();
    ASSERT_EQ(editor->calls.size(), 2u);
    EXPECT_FALSE(editor->calls[1].in);
    EXPECT_EQ(editor->calls[1].frames, 100 + 20);
}

TEST_F(ZRSBTrimmerTest, DeletedNeighbourOrCurrentClipClearsAndDisablesItsHalf) {
    makeChain();
    left->updateObject(chain[1], nullptr);
    EXPECT_EVENTUALLY_EQ(frameNumber(centre(left->neighbourView())), 149);

    left->deleteObject(chain[0]);
    EXPECT_EQ(left->neighbourObject(), nullptr);
    EXPECT_FALSE(left->neighbourView()->isEnabled());
    EXPECT_FALSE(left->neighbourSlider()->isEnabled());
    left->setMarkInOut(left->neighbourSlider(), 0.5);
    left->changeClip();
    EXPECT_TRUE(editor->calls.empty());

    left->deleteObject(chain[1]);
    EXPECT_EQ(left->getCurrentObject(), nullptr);
    EXPECT_FALSE(left->currentView()->isEnabled());
    EXPECT_FALSE(left->currentSlider()->isEnabled());
    hub.position = pos(120);
    left->setMarkInOut(left->currentSlider(), 0.5);
    left->slotMarkButtonClicked();
    left->slotFrameBackward();
    EXPECT_TRUE(editor->calls.empty());
}

TEST_F(ZRSBTrimmerTest, EnablingTheTrimmersHandsThemTheCurrentObject) {
    makeChain();
    appState().trimmerLeft = left;
    appState().trimmerRight = right;
    hub.current = chain[1];
    appState().setComponentsEnabled(false, ZRAppState::Trimmers);
    EXPECT_FALSE(left->isEnabled());
    appState().setComponentsEnabled(true, ZRAppState::Trimmers);
    EXPECT_TRUE(right->isEnabled());
    EXPECT_EQ(left->getCurrentObject(), chain[1]);
    EXPECT_EQ(right->getCurrentObject(), chain[1]);
}
