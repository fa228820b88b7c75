// The title track: caps as zones, titles made from a title drag and placed through the editor,
// names that fit, and the view told when the title at the time cursor changes.
#include "views/ZRTitleTrack.h"
#include "classes/skins/ZRSkinPreload.h"
#include "editor/ZRTitleDrag.h"
#include "engine/api/IZRSettings.h"
#include "engine/api/IZRTimeline.h"
#include "tests/views/TrackEditFixture.h"

#include <QSignalSpy>

#include <cmath>
#include <limits>
#include <memory>

using namespace viewstest;

namespace {

class TitleTrackTest : public TrackEditTest {
protected:
    void SetUp() override {
        TrackEditTest::SetUp();
        t = new Probing<ZRTitleTrack>("TITLES", 4, -1);
        showTracks({t});
        editor.pauses.clear();
    }

    static ZRTitleSettings record(const QString& text, double ms) {
        ZRTitleSettings r;
        r.text = text;
        r.duration = ms;
        r.alignment = 2;
        r.letterSpacing = 3;
        r.lineSpacing = 4;
        r.backgroundColor = 0xFF102030u;
        r.opaqueBackground = 1;
        r.startX = 11;
        r.startY = 12;
        r.endX = 13;
        r.endY = 14;
        r.movement = 5;
        r.fadeIn = 1;
        r.fadeOut = 1;
        r.fadeTime = 700;
        r.safeFrameSize = 0.25;
        return r;
    }

    /// Drags a title icon in at `from`, moves to `to` and drops; the title the drag made.
    IZRObject* dropTitle(const ZRTitleSettings& r, QPoint from, QPoint to) {
        std::unique_ptr<QMimeData> data(ZRTitleDrag::mimeData(r));
        QDragEnterEvent enter(from, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        view->dragEnterEvent(&enter);
        IZRObject* made = t->dropObject();
        QDragMoveEvent moved(to, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        view->dragMoveEvent(&moved);
        QDropEvent dropped(QPointF(to), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        view->dropEvent(&dropped);
        return made;
    }

    Probing<ZRTitleTrack>* t = nullptr;
};

int intSetting(IZRObject* o, const char* key) {
    int v = -1;
    dynamic_cast<IZRSettings*>(o)->getIntSetting(key, &v);
    return v;
}

} // namespace

TEST_F(TitleTrackTest, CapsGiveTheZones) {
    PSDLayerSet* set = preloadedSkinSets("timeline_tracks")->find(QStringLiteral("title_normal"));
    const int caps = set->layers.find(QStringLiteral("left"))->image.width() +
                     set->layers.find(QStringLiteral("right"))->image.width();
    EXPECT_EQ(t->minEdgeWidth(), caps);
    EXPECT_EQ(t->sizeHint(), QSize(-1, 27));
    // Five seconds a unit: 16 frames are 10 pixels, 15 frames 9.
    IZRObject* wide = place(4, 0, 16);
    IZRObject* narrow = place(4, 100, 15);
    int part = -1;
    EXPECT_EQ(t->objectAt(at(t, 0), &part), wide);
    EXPECT_EQ(part, 0);
    EXPECT_EQ(t->objectAt(at(t, 15), &part), wide);
    EXPECT_EQ(part, 1);
    EXPECT_EQ(t->objectAt(at(t, 100), &part), narrow);
    EXPECT_EQ(part, 2);
}

TEST_F(TitleTrackTest, TitleDragMakesAPlacedTextObject) {
    const ZRTitleSettings r =
        record(QStringLiteral("<!font=sans!>Hello there\n\nsecond line"), 2000);
    IZRObject* title = dropTitle(r, at(t, 100), at(t, 200));
    ASSERT_NE(title, nullptr);
    ASSERT_EQ(t->objects().size(), 1u);
    EXPECT_EQ(t->objects().front(), title);
    EXPECT_STREQ(title->name(), "Hello there") << "the first line, without the tag";
    EXPECT_EQ(frames(title->startPos()), 175) << "centred on the pointer";
    EXPECT_EQ(frames(title->duration()), 50);
    ZRUserData* data = ZRUserData::of(title);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->kind, ZRUserData::Title);
    struct Key {
        const char* key;
        int value;
    };
    const Key keys[] = {
        {"Text Alignment", 2},         {"Text Separator Width", 3}, {"Text Separator Height", 4},
        {"Text Opaque Background", 0}, {"Text StartX Pos", 11},     {"Text EndY Pos", 14},
        {"Text Movement", 5},          {"Overlay Fade Time", 700},  {"Overlay Mode", 4}};
    for (const Key& k : keys)
        EXPECT_EQ(intSetting(title, k.key), k.value) << k.key;
    ASSERT_FALSE(editor.pauses.empty());
    EXPECT_EQ(editor.pauses.back(), 1) << "inserted through the editor, paused";
    EXPECT_EQ(pausedNow(timeline), 0);
}

TEST_F(TitleTrackTest, TitleLongerThanTheGapIsCut) {
    place(4, 300, 100);
    IZRObject* title = dropTitle(record("Long", 20000), at(t, 50), at(t, 100));
    ASSERT_EQ(t->objects().size(), 2u);
    EXPECT_EQ(frames(title->startPos()), 0);
    EXPECT_EQ(frames(title->endPos()), 299);
}

TEST_F(TitleTrackTest, TitlesWithoutAPlaceOrADurationLeaveNothing) {
    const int released = releasedRecords();
    place(4, 0, 500); // the whole edit: no gap
    dropTitle(record("No room", 2000), at(t, 100), at(t, 200));
    EXPECT_EQ(t->objects().size(), 1u);
    EXPECT_EQ(t->dropObject(), nullptr);
    EXPECT_EQ(releasedRecords(), released + 1) << "the title the drag made is destroyed";

    const double bad[] = {0.0, -5.0, std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::infinity(), 1e12};
    for (double ms : bad) {
        std::unique_ptr<QMimeData> data(ZRTitleDrag::mimeData(record("Bad", ms)));
        QDragEnterEvent enter(at(t, 100), Qt::CopyAction, data.get(), Qt::LeftButton,
                              Qt::NoModifier);
        view->dragEnterEvent(&enter);
        EXPECT_FALSE(enter.isAccepted()) << ms;
        EXPECT_EQ(t->dropObject(), nullptr) << ms;
    }
    // A title dragged in and out again is destroyed.
    std::unique_ptr<QMimeData> data(ZRTitleDrag::mimeData(record("Passing", 2000)));
    EXPECT_TRUE(dragOver(data.get(), at(t, 100), at(t, 200), Qt::CopyAction, false));
    QDragLeaveEvent leave;
    view->dragLeaveEvent(&leave);
    EXPECT_EQ(releasedRecords(), released + 2);
    EXPECT_EQ(t->objects().size(), 1u);
}

TEST_F(TitleTrackTest, TitlesMoveThroughTheEditorOtherObjectsAreRefused) {
    IZRObject* title = solid(50);
    ASSERT_TRUE(editor.insertTitle(pos(0), title));
    editor.pauses.clear();
    whileDragging(payloadOf(title), [&](const QMimeData* data) {
        EXPECT_TRUE(dragOver(data, at(t, 10), at(t, 300), Qt::MoveAction));
    });
    EXPECT_EQ(frames(title->startPos()), 275);
    ASSERT_EQ(editor.pauses.size(), 2u) << "detached and inserted through the editor";
    EXPECT_EQ(editor.pauses[0], 1);
    EXPECT_EQ(editor.pauses[1], 1);
    whileDragging(payloadOf(editor.objectAt(0)), [&](const QMimeData* data) {
        EXPECT_FALSE(dragOver(data, at(t, 100), at(t, 150), Qt::MoveAction));
    });
    EXPECT_EQ(t->objects().size(), 1u);
}

TEST_F(TitleTrackTest, NameShownOnlyWithRoomToSpare) {
    IZRObject* title = solid(50);
    title->setName("Caption");
    const int64_t x = 0;
    int64_t width = 1;
    while (!t->nameRect(x, width, title).isValid() && width < 400)
        ++width;
    ASSERT_LT(width, 400);
    const QRect name = t->nameRect(x, width, title);
    const QRect bar(t->contentRect().left(), t->contentRect().top(), int(width), 27);
    // The narrowest bar that shows it leaves 10 pixels of fill on one side at least exactly.
    EXPECT_GE(name.left() - bar.left(), 10);
    EXPECT_FALSE(t->nameRect(x, width - 1, title).isValid());
    title->setName("");
    EXPECT_FALSE(t->nameRect(x, 400, title).isValid());
    factory()->destroyObject(title);
}

TEST_F(TitleTrackTest, TrimNotifiesOnlyAtTheTimeCursor) {
    zoomTo(2);
    IZRObject* title = place(4, 100, 100);
    QSignalSpy changed(view.get(), &ZRTimelineView::contentsChanged);
    struct Case {
        const char* what;
        int cursor; // -1: on the title's last frame before the trim
        bool notifies;
    };
    int end = 199;
    const Case cases[] = {{"off the title", 0, false},
                          {"covered after", 150, true},
                          {"covered only before", -1, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        hub.position = pos(c.cursor < 0 ? end : c.cursor);
        changed.clear();
        const QPoint edge = at(t, frames(title->endPos()), 1);
        drag(t, edge, edge + QPoint(-3, 0)); // one frame shorter
        EXPECT_EQ(frames(title->endPos()), --end);
        EXPECT_EQ(changed.count() > 0, c.notifies);
        EXPECT_EQ(editor.pauses.back(), 1);
    }
}
